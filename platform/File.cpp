#include "platform/File.h"

namespace {

struct FaultPlan {
    int remaining = 0;  // 0 = no fault planned
    CFileException::Cause cause = CFileException::genericException;
};

FaultPlan g_faults[3];

}  // namespace

void SetFileFault(FileFaultOp op, int nth, CFileException::Cause cause) {
    g_faults[static_cast<int>(op)].remaining = nth;
    g_faults[static_cast<int>(op)].cause = cause;
}

void ClearFileFaults() {
    for (FaultPlan& f : g_faults)
        f.remaining = 0;
}

void CheckFileFault(FileFaultOp op, const std::string& path) {
    FaultPlan& f = g_faults[static_cast<int>(op)];
    if (f.remaining > 0 && --f.remaining == 0)
        throw CFileException(f.cause, path);
}

void CFile::ReadExact(void* buffer, uint32_t count) {
    if (Read(buffer, count) != count)
        throw CFileException(CFileException::endOfFile, m_strFileName);
}
