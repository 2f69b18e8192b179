// The packing pool: worker threads pack the items of a list ahead of the one thread that takes
// the packed blocks, strictly in list order.
//
// The taking thread calls Next() once per item, in order; each call returns the block of the
// next item (waiting for it when no worker has finished it yet) or throws what packing that item
// threw. Because the blocks come back in list order, whatever files them sees the same sequence
// of blocks, and so writes the same bytes, with any number of threads.
//
// Memory: at most kPackWindowPerThread x threads items are in flight at any moment (being packed
// by a worker, or packed and waiting for Next): with kMaxPackThreads threads at most 128 items,
// whatever the length of the list. Besides, no worker starts an item while the packed blocks
// waiting for Next hold kPackWaitingBytes or more, so they hold less than that plus one block per
// worker. The window is wide so that the workers keep going on small items while one of them
// packs a large one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The most threads that pack at once, whatever the machine or the caller asks for.
const unsigned kMaxPackThreads = 16;
// Items in flight per packing thread (being packed, or packed and waiting).
const unsigned kPackWindowPerThread = 8;
// The packed bytes waiting for Next above which no worker starts another item.
const size_t kPackWaitingBytes = 16u << 20;

// The number of packing threads a build uses unless told otherwise: the machine's processor
// count, at least 1, at most kMaxPackThreads.
unsigned DefaultPackThreads();

class CPackPool {
  public:
    // Packs item index; called from the workers, several at once, so it must be safe to call
    // concurrently. What it throws is handed to the taker by Next.
    using Packer = std::function<std::vector<uint8_t>(size_t index)>;

    // Packs the items 0 .. count-1 with packer on threads workers (clamped to 1 ..
    // kMaxPackThreads). With 1 thread, or when the system refuses to start any thread, no
    // worker runs and Next packs each item itself on the calling thread. The workers start at
    // once.
    CPackPool(size_t count, Packer packer, unsigned threads);
    // Stops the workers and waits for them: a worker busy with an item finishes it first. No
    // thread of the pool runs after the destructor.
    ~CPackPool();
    CPackPool(const CPackPool&) = delete;
    CPackPool& operator=(const CPackPool&) = delete;

    // The packed block of the next item in list order; rethrows the exception that packing it
    // raised. Either way the item counts as taken. Calling it after the last item throws
    // std::logic_error.
    std::vector<uint8_t> Next();

    // Packs again the item that Next returned or threw last, on the calling thread while no
    // worker runs, and returns its block (or throws). The workers go on with the later items
    // afterwards. For a failure that may come from two workers touching the same file at once.
    std::vector<uint8_t> RetryAlone();

    // The number of worker threads running (0 when Next packs on the calling thread).
    size_t WorkerCount() const { return m_workers.size(); }

  private:
    struct Slot {
        bool ready = false;
        std::vector<uint8_t> block;
        std::exception_ptr error;
    };

    void StartWorkers(unsigned threads);
    void StopWorkers() noexcept;
    void WorkerLoop();

    const size_t m_count;
    const Packer m_packer;
    unsigned m_threads;
    size_t m_window;

    std::mutex m_mutex;
    std::condition_variable m_workWanted;  // a worker may claim an item, or must stop
    std::condition_variable m_itemReady;   // a slot became ready
    std::vector<Slot> m_slots;             // item i lives in slot i % m_window
    size_t m_claimed = 0;                  // items handed to workers so far
    size_t m_taken = 0;                    // items returned (or thrown) by Next so far
    size_t m_waitingBytes = 0;             // bytes of the packed blocks in ready slots
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};
