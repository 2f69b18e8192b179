// Running programs on Windows: CreateProcess without a console window, in a job object that
// kills every process in it when its last handle closes (this process holds the only one), output
// through a pipe read as it comes.
#include "platform/Process.h"

#include <windows.h>

#include "platform/TempFileGuard.h"
#include "platform/win/ScopedWin.h"

namespace {

// One argument as the C runtime of the program started splits its command line: in quotes,
// with backslashes doubled where a quote follows them.
void AppendQuoted(std::string& line, const std::string& arg) {
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

std::string LastErrorText() {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.find_first_of("/\\:") != std::string::npos) {
        const DWORD attributes = GetFileAttributesA(name.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? name
                   : std::string();
    }
    char found[MAX_PATH];
    const DWORD n = SearchPathA(nullptr, name.c_str(), ".exe", sizeof found, found, nullptr);
    return n > 0 && n < sizeof found ? std::string(found, n) : std::string();
}

int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string* output,
               unsigned timeoutMs) {
    output->clear();
    std::string line;
    AppendQuoted(line, path);
    for (const std::string& a : args) {
        line += ' ';
        AppendQuoted(line, a);
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 64 * 1024)) {
        *output = LastErrorText();
        return -1;
    }
    ScopedHandle readEnd(readRaw);
    ScopedHandle writeEnd(writeRaw);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    ScopedHandle nul(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr));
    // Not inheritable: the programs in the job never hold it, so it closes with this process.
    ScopedHandle job(CreateJobObjectA(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                     sizeof limits))
            job.reset();
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul.get();
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    PROCESS_INFORMATION pi = {};
    // No console of its own: a program that wants a password has nowhere to ask for it. Started
    // suspended, so that it is in the job before it can start anything.
    const BOOL started =
        CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &si, &pi);
    const std::string startError = started ? std::string() : LastErrorText();
    writeEnd.reset();
    nul.reset();
    if (!started) {
        *output = startError;
        return -1;
    }
    ScopedHandle process(pi.hProcess);
    ScopedHandle thread(pi.hThread);
    // Where this process is itself in a job that allows no other (before Windows 8), the program
    // runs without one: ended by itself alone.
    if (job && !AssignProcessToJobObject(job.get(), process.get()))
        job.reset();
    if (job)
        GuardRunningProgram(reinterpret_cast<intptr_t>(job.get()));
    ResumeThread(thread.get());

    const DWORD start = GetTickCount();
    bool ended = false;
    bool timedOut = false;
    char buffer[65536];
    // Reads what the pipe holds without waiting, so that a silent program cannot keep this from
    // its clock; returns how many bytes came.
    auto drain = [&]() {
        DWORD total = 0;
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) ||
                available == 0)
                return total;
            DWORD got = 0;
            if (!ReadFile(readEnd.get(), buffer,
                          available < sizeof buffer ? available : DWORD(sizeof buffer), &got,
                          nullptr) ||
                got == 0)
                return total;
            KeepProgramOutput(output, buffer, got);
            total += got;
        }
    };
    while (!ended) {
        // A program that is writing is read again at once; a silent one is looked at every
        // 10 ms.
        DWORD wait = drain() > 0 ? 0 : 10;
        if (timeoutMs != 0) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= timeoutMs) {
                timedOut = true;
                break;
            }
            if (timeoutMs - spent < wait)
                wait = timeoutMs - spent;
        }
        ended = WaitForSingleObject(process.get(), wait) == WAIT_OBJECT_0;
    }
    // The program's group ends here, whatever it left running, or the program alone.
    if (job)
        TerminateJobObject(job.get(), 1);
    else if (timedOut)
        TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), INFINITE);
    GuardRunningProgram(0);
    drain();
    TrimProgramOutput(output);
    if (timedOut)
        return kProgramTimedOut;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
