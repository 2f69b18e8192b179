#include "platform/File.h"

#include <atomic>

namespace {

// Files are opened and read from several threads at once while a build packs pages, so the plan
// is kept in atomics (lock-free, so that programs without threads of their own, such as the
// viewer, link no thread library for it); g_anyFault lets the usual case pass at once.
struct FaultPlan {
    std::atomic<int> remaining{0};  // 0 = no fault planned
    std::atomic<int> cause{CFileException::genericException};
};

std::atomic<bool> g_anyFault{false};
FaultPlan g_faults[3];

}  // namespace

void SetFileFault(FileFaultOp op, int nth, CFileException::Cause cause) {
    g_faults[static_cast<int>(op)].cause = cause;
    g_faults[static_cast<int>(op)].remaining = nth;
    g_anyFault = true;
}

void ClearFileFaults() {
    for (FaultPlan& f : g_faults)
        f.remaining = 0;
    g_anyFault = false;
}

void CheckFileFault(FileFaultOp op, const std::string& path) {
    if (!g_anyFault)
        return;
    FaultPlan& f = g_faults[static_cast<int>(op)];
    // Counts down only while a fault is due, so exactly one operation meets it.
    int left = f.remaining.load();
    while (left > 0 && !f.remaining.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 1)
        throw CFileException(static_cast<CFileException::Cause>(f.cause.load()), path);
}

void CFile::ReadExact(void* buffer, uint32_t count) {
    if (Read(buffer, count) != count)
        throw CFileException(CFileException::endOfFile, m_strFileName);
}
