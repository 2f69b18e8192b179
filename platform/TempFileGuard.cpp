#include "platform/TempFileGuard.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

// A fixed table, so that the signal handler reads it without allocating or locking: a slot's
// path is written while the slot is claimed and read by the handler only once it is ready.
const int kSlots = 64;
const size_t kPathBytes = 4096;
enum SlotState : int { kFree = 0, kClaimed = 1, kReady = 2 };
std::atomic<int> g_state[kSlots];
char g_paths[kSlots][kPathBytes];
bool g_isFolder[kSlots];
// The program being run (GuardRunningProgram), 0 when none.
std::atomic<intptr_t> g_program{0};

#ifdef _WIN32
// Runs on a thread of its own; returning FALSE hands the event on to the default handler, which
// ends the process.
BOOL WINAPI RemoveTempFilesOnConsoleEvent(DWORD) {
    RemoveGuardedTempFiles();
    return FALSE;
}

void InstallHandlers() {
    SetConsoleCtrlHandler(RemoveTempFilesOnConsoleEvent, TRUE);
}
#else
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempFilesAndStop(int signal) {
    RemoveGuardedTempFiles();
    // The signal's own action: the process ends as it would have without the handler.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void InstallHandlers() {
    for (int signal : kSignals) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
            old.sa_handler != SIG_DFL)
            continue;  // ignored (nohup) or someone else's
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = RemoveTempFilesAndStop;
        sigfillset(&action.sa_mask);  // no second signal runs the handler again meanwhile
        sigaction(signal, &action, nullptr);
    }
}
#endif

void EnsureHandlers() {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
}

}  // namespace

int RemoveGuardedTempFiles() {
    if (const intptr_t program = g_program.load()) {
#ifdef _WIN32
        // Its processes end before the call returns; their handles on the files close with them.
        TerminateJobObject(reinterpret_cast<HANDLE>(program), 1);
#else
        kill(-static_cast<pid_t>(program), SIGKILL);
#endif
    }
    int removed = 0;
    // Files first, so that the folders holding them are empty when their turn comes.
    for (const bool folders : {false, true}) {
        for (int i = 0; i < kSlots; ++i) {
            if (g_state[i].load() != kReady || g_isFolder[i] != folders)
                continue;
#ifdef _WIN32
            removed += (folders ? RemoveDirectoryA(g_paths[i]) : DeleteFileA(g_paths[i])) ? 1 : 0;
#else
            removed += (folders ? rmdir(g_paths[i]) : unlink(g_paths[i])) == 0 ? 1 : 0;
#endif
        }
    }
    return removed;
}

void GuardRunningProgram(intptr_t program) {
    EnsureHandlers();
    g_program.store(program);
}

CTempFileGuard::CTempFileGuard(const std::string& path, Kind kind) {
    EnsureHandlers();
#ifdef _WIN32
    const std::string& native = path;
#else
    const std::string native = NativePath(path);
#endif
    if (native.size() >= kPathBytes)
        return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_state[i].compare_exchange_strong(expected, kClaimed)) {
            std::memcpy(g_paths[i], native.c_str(), native.size() + 1);
            g_isFolder[i] = kind == folder;
            g_state[i].store(kReady);
            m_slot = i;
            return;
        }
    }
}

CTempFileGuard::~CTempFileGuard() {
    if (m_slot >= 0)
        g_state[m_slot].store(kFree);
}
