#include "platform/File.h"

#include <atomic>
#include <mutex>

namespace {

struct FaultPlan {
    int remaining = 0;  // 0 = no fault planned
    CFileException::Cause cause = CFileException::genericException;
};

// Files are opened and read from several threads at once while a build packs pages, so the plan
// is guarded; g_anyFault lets the usual case (no fault planned) pass without the lock.
std::mutex g_faultMutex;
std::atomic<bool> g_anyFault{false};
FaultPlan g_faults[3];

}  // namespace

void SetFileFault(FileFaultOp op, int nth, CFileException::Cause cause) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults[static_cast<int>(op)].remaining = nth;
    g_faults[static_cast<int>(op)].cause = cause;
    g_anyFault = true;
}

void ClearFileFaults() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    for (FaultPlan& f : g_faults)
        f.remaining = 0;
    g_anyFault = false;
}

void CheckFileFault(FileFaultOp op, const std::string& path) {
    if (!g_anyFault)
        return;
    std::lock_guard<std::mutex> lock(g_faultMutex);
    FaultPlan& f = g_faults[static_cast<int>(op)];
    if (f.remaining > 0 && --f.remaining == 0)
        throw CFileException(f.cause, path);
}

void CFile::ReadExact(void* buffer, uint32_t count) {
    if (Read(buffer, count) != count)
        throw CFileException(CFileException::endOfFile, m_strFileName);
}
