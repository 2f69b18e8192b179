#include "compiler/PackPool.h"

#include <algorithm>
#include <thread>
#include <utility>

unsigned DefaultPackThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::min(std::max(cores, 1u), kMaxPackThreads);
}

namespace {

size_t BlockBytes(const std::vector<uint8_t>& block) {
    return block.size();
}

}  // namespace

CPackPool::CPackPool(size_t count, WorkerPacker packer, unsigned threads)
    : CInOrderPool(count, std::move(packer), std::min(std::max(threads, 1u), kMaxPackThreads),
                   kPackWindowPerThread, kPackWaitingBytes, BlockBytes) {}

CPackPool::CPackPool(size_t count, Packer packer, unsigned threads)
    : CPackPool(
          count, [packer = std::move(packer)](size_t index, unsigned) { return packer(index); },
          threads) {}
