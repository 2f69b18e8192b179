// An in-order pool: worker threads work out the results of the items of a list ahead of the one
// thread that takes them, strictly in list order.
//
// The taking thread calls Next() once per item, in order; each call returns the result of the
// next item (waiting for it when no worker has finished it yet) or throws what working on that
// item threw. Because the results come back in list order, whatever consumes them sees the same
// sequence with any number of threads.
//
// Memory: at most windowPerThread x threads items are in flight at any moment (being worked on,
// or finished and waiting for Next), whatever the length of the list. Besides, no worker starts
// an item while the finished results waiting for Next weigh waitingBytes or more (as the weigh
// function counts them), so they weigh less than that plus one result per worker. The window is
// wide so that the workers keep going on small items while one of them works on a large one.
//
// Each call of the work function is told which worker runs it: 1 to threads for the pool's
// threads, 0 for the taking thread (when no worker runs, or for RetryAlone). Two calls with the
// same worker number never overlap, so the caller may keep scratch space per worker number.
//
// One mutex guards the counters and the slots; workers hold it only to claim an item and to
// store its result, never while working. Item i may be claimed only while i < taken + window, so
// the ring of window slots never holds two live items in one slot; and only while the waiting
// results weigh less than waitingBytes. That second rule cannot stall the taker: waiting results
// exist only for claimed items, and items are claimed in order, so the item the taker waits for
// has been claimed. Every claimed item is finished before its worker looks at the stop flag
// again, so after StopWorkers every item in [taken, claimed) sits ready in its slot; Next takes
// those first and only then works on the calling thread when no worker runs.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Assert.h"

// The worker threads of all in-order pools in this process that are started and have not ended
// (tests check that no worker outlives its pool).
inline std::atomic<size_t> g_inOrderPoolWorkers{0};

template <typename Result>
class CInOrderPool {
  public:
    // Works out item index on worker number worker; called on several threads at once, so it
    // must be safe to call concurrently. What it throws is handed to the taker by Next.
    using Work = std::function<Result(size_t index, unsigned worker)>;
    // The bytes a finished result holds while it waits for Next.
    using Weigh = std::function<size_t(const Result&)>;

    // Works on the items 0 .. count-1 on threads workers (at least 1; the caller bounds it).
    // With 1 thread, or when the system refuses to start any thread, no worker runs and Next
    // works on each item itself on the calling thread. The workers start at once.
    CInOrderPool(size_t count, Work work, unsigned threads, size_t windowPerThread,
                 size_t waitingBytes, Weigh weigh)
        : m_count(count),
          m_work(std::move(work)),
          m_weigh(std::move(weigh)),
          m_threads(std::max(threads, 1u)),
          m_window(std::max<size_t>(windowPerThread, 1) * m_threads),
          m_waitingLimit(waitingBytes),
          m_slots(m_window) {
        StartWorkers();
    }
    // Stops the workers and waits for them: a worker busy with an item finishes it first. No
    // thread of the pool runs after the destructor.
    ~CInOrderPool() { StopWorkers(); }
    CInOrderPool(const CInOrderPool&) = delete;
    CInOrderPool& operator=(const CInOrderPool&) = delete;

    // The result of the next item in list order; rethrows the exception that working on it
    // raised. Either way the item counts as taken. Calling it after the last item throws
    // std::logic_error.
    Result Next() {
        if (m_taken >= m_count)
            throw std::logic_error("in-order pool: Next called after the last item");

        // No worker runs (m_workers is changed by this thread only) and nothing is left done
        // ahead: work here.
        if (m_workers.empty() && m_taken == m_claimed) {
            const size_t index = m_taken;
            m_claimed = m_taken = index + 1;
            return m_work(index, 0);
        }

        std::unique_lock<std::mutex> lock(m_mutex);
        Slot& slot = m_slots[m_taken % m_window];
        m_itemReady.wait(lock, [&slot] { return slot.ready; });
        Result result = std::move(slot.result);
        const std::exception_ptr error = std::move(slot.error);
        PV_ASSERT(m_waitingBytes >= slot.weight);
        m_waitingBytes -= slot.weight;
        slot = Slot();
        ++m_taken;
        lock.unlock();
        // A slot and the result's bytes are free: more items may be claimed.
        m_workWanted.notify_all();

        if (error)
            std::rethrow_exception(error);
        return result;
    }

    // Works again on the item that Next returned or threw last, on the calling thread while no
    // worker runs, and returns its result (or throws). The workers go on with the later items
    // afterwards. For a failure that may come from two workers touching the same thing at once.
    Result RetryAlone() {
        if (m_taken == 0)
            throw std::logic_error("in-order pool: RetryAlone called before Next");
        StopWorkers();
        Result result = m_work(m_taken - 1, 0);
        StartWorkers();
        return result;
    }

    // The number of worker threads running (0 when Next works on the calling thread).
    size_t WorkerCount() const { return m_workers.size(); }

  private:
    struct Slot {
        bool ready = false;
        Result result{};
        std::exception_ptr error;
        size_t weight = 0;
    };

    void StartWorkers() {
        // A worker more than there are items left would only start and end.
        const size_t left = m_count - m_claimed;
        const size_t wanted = std::min(static_cast<size_t>(m_threads), left);
        if (wanted <= 1)
            return;
        m_workers.reserve(wanted);
        for (size_t k = 0; k < wanted; ++k) {
            ++g_inOrderPoolWorkers;
            try {
                m_workers.emplace_back(&CInOrderPool::WorkerLoop, this,
                                       static_cast<unsigned>(k + 1));
            } catch (const std::system_error&) {
                --g_inOrderPoolWorkers;
                // The system will not start another thread: go on with those that run (or with
                // none, working on the calling thread).
                break;
            }
        }
    }

    void StopWorkers() noexcept {
        if (m_workers.empty())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_workWanted.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
    }

    void WorkerLoop(unsigned worker) {
        struct Ended {
            ~Ended() { --g_inOrderPoolWorkers; }
        } ended;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_workWanted.wait(lock, [this] {
                return m_stop || m_claimed >= m_count ||
                       (m_claimed < m_taken + m_window && m_waitingBytes < m_waitingLimit);
            });
            if (m_stop || m_claimed >= m_count)
                return;
            const size_t index = m_claimed++;
            lock.unlock();

            Result result{};
            std::exception_ptr error;
            size_t weight = 0;
            try {
                result = m_work(index, worker);
                weight = m_weigh ? m_weigh(result) : 0;
            } catch (...) {
                error = std::current_exception();
            }

            lock.lock();
            Slot& slot = m_slots[index % m_window];
            // The claiming rule keeps items a window apart: the slot's last item has been taken.
            PV_ASSERT(!slot.ready);
            m_waitingBytes += weight;
            slot.result = std::move(result);
            slot.error = error;
            slot.weight = weight;
            slot.ready = true;
            // The taker waits only for the item it needs next.
            if (index == m_taken)
                m_itemReady.notify_one();
        }
    }

    const size_t m_count;
    const Work m_work;
    const Weigh m_weigh;
    const unsigned m_threads;
    const size_t m_window;
    const size_t m_waitingLimit;

    std::mutex m_mutex;
    std::condition_variable m_workWanted;  // a worker may claim an item, or must stop
    std::condition_variable m_itemReady;   // a slot became ready
    std::vector<Slot> m_slots;             // item i lives in slot i % m_window
    size_t m_claimed = 0;                  // items handed to workers so far
    size_t m_taken = 0;                    // items returned (or thrown) by Next so far
    size_t m_waitingBytes = 0;             // weight of the results in ready slots
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};
