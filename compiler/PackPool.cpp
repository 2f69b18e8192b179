// The packing pool.
//
// One mutex guards the counters and the slots; workers hold it only to claim an item and to
// store its result, never while packing. Item i may be claimed only while i < taken + window, so
// the ring of window slots never holds two live items in one slot and the memory in flight stays
// bounded however far the taker falls behind; and only while the ready blocks hold less than
// kPackWaitingBytes. That second rule cannot stall the taker: ready blocks exist only for claimed
// items, and items are claimed in order, so the item the taker waits for has been claimed.
//
// Every claimed item is finished before its worker looks at the stop flag again, so after
// StopWorkers every item in [taken, claimed) sits ready in its slot; Next takes those first and
// only then packs on the calling thread when no worker runs.
#include "compiler/PackPool.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <utility>

unsigned DefaultPackThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::min(std::max(cores, 1u), kMaxPackThreads);
}

CPackPool::CPackPool(size_t count, Packer packer, unsigned threads)
    : m_count(count),
      m_packer(std::move(packer)),
      m_threads(std::min(std::max(threads, 1u), kMaxPackThreads)),
      m_window(static_cast<size_t>(kPackWindowPerThread) * m_threads),
      m_slots(m_window) {
    StartWorkers(m_threads);
}

CPackPool::~CPackPool() {
    StopWorkers();
}

void CPackPool::StartWorkers(unsigned threads) {
    // A worker more than there are items left would only start and end.
    const size_t left = m_count - m_claimed;
    const size_t wanted = std::min(static_cast<size_t>(threads), left);
    if (wanted <= 1)
        return;
    m_workers.reserve(wanted);
    for (size_t k = 0; k < wanted; ++k) {
        try {
            m_workers.emplace_back(&CPackPool::WorkerLoop, this);
        } catch (const std::system_error&) {
            // The system will not start another thread: go on with those that run (or with
            // none, packing on the calling thread).
            break;
        }
    }
}

void CPackPool::StopWorkers() noexcept {
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

void CPackPool::WorkerLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_workWanted.wait(lock, [this] {
            return m_stop || m_claimed >= m_count ||
                   (m_claimed < m_taken + m_window && m_waitingBytes < kPackWaitingBytes);
        });
        if (m_stop || m_claimed >= m_count)
            return;
        const size_t index = m_claimed++;
        lock.unlock();

        std::vector<uint8_t> block;
        std::exception_ptr error;
        try {
            block = m_packer(index);
        } catch (...) {
            error = std::current_exception();
        }

        lock.lock();
        Slot& slot = m_slots[index % m_window];
        m_waitingBytes += block.size();
        slot.block = std::move(block);
        slot.error = error;
        slot.ready = true;
        // The taker waits only for the item it needs next.
        if (index == m_taken)
            m_itemReady.notify_one();
    }
}

std::vector<uint8_t> CPackPool::Next() {
    if (m_taken >= m_count)
        throw std::logic_error("CPackPool::Next called after the last item");

    // No worker runs (m_workers is changed by this thread only) and nothing is left packed
    // ahead: pack here.
    if (m_workers.empty() && m_taken == m_claimed) {
        const size_t index = m_taken;
        m_claimed = m_taken = index + 1;
        return m_packer(index);
    }

    std::unique_lock<std::mutex> lock(m_mutex);
    Slot& slot = m_slots[m_taken % m_window];
    m_itemReady.wait(lock, [&slot] { return slot.ready; });
    std::vector<uint8_t> block = std::move(slot.block);
    const std::exception_ptr error = std::move(slot.error);
    slot = Slot();
    ++m_taken;
    m_waitingBytes -= block.size();
    lock.unlock();
    // A slot and the block's bytes are free: more items may be claimed.
    m_workWanted.notify_all();

    if (error)
        std::rethrow_exception(error);
    return block;
}

std::vector<uint8_t> CPackPool::RetryAlone() {
    if (m_taken == 0)
        throw std::logic_error("CPackPool::RetryAlone called before Next");
    StopWorkers();
    std::vector<uint8_t> block = m_packer(m_taken - 1);
    StartWorkers(m_threads);
    return block;
}
