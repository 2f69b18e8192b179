// The packing pool: worker threads pack the items of a list ahead of the one thread that takes
// the packed blocks, strictly in list order (an in-order pool, see platform/InOrderPool.h).
// Because the blocks come back in list order, whatever files them sees the same sequence of
// blocks, and so writes the same bytes, with any number of threads.
//
// Memory: at most kPackWindowPerThread x threads items are in flight at any moment (being packed
// by a worker, or packed and waiting for Next): with kMaxPackThreads threads at most 1,024 small
// items, whatever the length of the list. Besides, no worker starts an item while the packed
// blocks waiting for Next hold kPackWaitingBytes or more, so they hold less than that plus one
// block per worker. The window is wide so that the workers keep going on small pages for as long
// as one of them packs a page a thousand times larger; the bytes, not the count, bound the
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/InOrderPool.h"

// The most threads that pack at once, whatever the machine or the caller asks for.
const unsigned kMaxPackThreads = 16;
// Items in flight per packing thread (being packed, or packed and waiting).
const unsigned kPackWindowPerThread = 64;
// The packed bytes waiting for Next above which no worker starts another item.
const size_t kPackWaitingBytes = 16u << 20;

// The number of packing threads a build uses unless told otherwise: the machine's processor
// count, at least 1, at most kMaxPackThreads.
unsigned DefaultPackThreads();

class CPackPool : public CInOrderPool<std::vector<uint8_t>> {
  public:
    // Packs item index; called from the workers, several at once, so it must be safe to call
    // concurrently. What it throws is handed to the taker by Next.
    using Packer = std::function<std::vector<uint8_t>(size_t index)>;
    // The same, told which worker packs (0 to kMaxPackThreads; see InOrderPool.h), so that each
    // worker can keep its own compressor and buffers.
    using WorkerPacker = std::function<std::vector<uint8_t>(size_t index, unsigned worker)>;

    // Packs the items 0 .. count-1 with packer on threads workers (clamped to 1 ..
    // kMaxPackThreads). With 1 thread, or when the system refuses to start any thread, no
    // worker runs and Next packs each item itself on the calling thread. The workers start at
    // once.
    CPackPool(size_t count, WorkerPacker packer, unsigned threads);
    CPackPool(size_t count, Packer packer, unsigned threads);
};
