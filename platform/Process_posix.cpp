// Running programs on Linux: a keeper process leads a new session in which the program runs, so
// that the program and everything it starts can be ended as one process group; output through a
// pipe, the program's fate through another.
//
// Why a keeper: the parent-death signal (prctl) reaches only a direct child, and only that
// child's own death follows. The keeper asks for it and, on receiving it, kills its whole group;
// it also kills the group once the program has ended, so that nothing the program left running
// holds the output pipe open or goes on working unseen.
#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/TempFileGuard.h"

extern char** environ;

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int n = -1;
    ~Fd() {
        if (n >= 0)
            close(n);
    }
};

// What the keeper reports on the status pipe: the program could not be started (value: errno),
// or it ended (value: its wait status). Nothing at all: the keeper was killed first.
struct KeeperReport {
    int32_t kind;
    int32_t value;
};
enum : int32_t { kStartFailed = 1, kEnded = 2 };

extern "C" void EndKeepersGroup(int) {
    kill(0, SIGKILL);
}

void Report(int fd, int32_t kind, int32_t value) {
    const KeeperReport r = {kind, value};
    (void)!write(fd, &r, sizeof r);  // one write below PIPE_BUF: whole or not at all
}

// The keeper, in the child just forked: only calls that are safe after fork() in a process with
// threads. Never returns.
[[noreturn]] void RunKeeper(pid_t parent, int nullFd, int outRead, int outWrite, int statusWrite,
                            const char* path, char* const* argv) {
    setsid();  // a new session (no terminal to ask on) and a new process group
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction end;
    std::memset(&end, 0, sizeof end);
    end.sa_handler = EndKeepersGroup;
    sigaction(SIGTERM, &end, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)  // the parent died before the request took effect
        kill(0, SIGKILL);
    close(outRead);
    dup2(nullFd, 0);
    dup2(outWrite, 1);
    dup2(outWrite, 2);
    const pid_t program = fork();
    if (program == 0) {
        // Signals ignored or handled here or by the caller start at their default action.
        struct sigaction dfl;
        std::memset(&dfl, 0, sizeof dfl);
        dfl.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig)
            sigaction(sig, &dfl, nullptr);
        execve(path, argv, environ);
        Report(statusWrite, kStartFailed, errno);
        _exit(127);
    }
    if (program < 0) {
        Report(statusWrite, kStartFailed, errno);
        kill(0, SIGKILL);
    }
    // The keeper lets go of the output pipe: it closes when the program's group has.
    dup2(nullFd, 1);
    dup2(nullFd, 2);
    close(outWrite);
    int status = 0;
    while (waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    Report(statusWrite, kEnded, status);
    kill(0, SIGKILL);  // whatever the program left running, and the keeper itself
    _exit(0);
}

bool IsProgram(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return IsProgram(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        if (IsProgram(dir + "/" + name))
            return dir + "/" + name;
        start = end + 1;
    }
    return std::string();
}

int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string* output,
               unsigned timeoutMs) {
    output->clear();
    int out[2];
    int status[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        *output = std::strerror(errno);
        return -1;
    }
    Fd outRead{out[0]};
    Fd outWrite{out[1]};
    if (pipe2(status, O_CLOEXEC) != 0) {
        *output = std::strerror(errno);
        return -1;
    }
    Fd statusRead{status[0]};
    Fd statusWrite{status[1]};
    Fd null{open("/dev/null", O_RDONLY | O_CLOEXEC)};
    if (null.n < 0) {
        *output = std::strerror(errno);
        return -1;
    }
    // Everything the child needs is made before the fork: it may not allocate.
    std::vector<std::string> words;
    words.push_back(path);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t keeper = fork();
    if (keeper < 0) {
        *output = std::strerror(errno);
        return -1;
    }
    if (keeper == 0)
        RunKeeper(parent, null.n, outRead.n, outWrite.n, statusWrite.n, path.c_str(), argv.data());
    // An interruption of this process ends the group (the keeper's id is the group's once it has
    // called setsid; before that, the keeper's parent-death signal does it).
    GuardRunningProgram(keeper);
    close(outWrite.n);
    outWrite.n = -1;
    close(statusWrite.n);
    statusWrite.n = -1;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    KeeperReport report = {0, 0};
    size_t reportBytes = 0;
    bool outputOpen = true;
    bool statusOpen = true;
    bool timedOut = false;
    char buffer[65536];
    // Until the keeper has gone (its report read, its end of the status pipe closed): the output
    // is read as it comes; whatever is still in the pipe then is read after.
    while (statusOpen) {
        int wait = -1;
        if (timeoutMs != 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                timedOut = true;
                kill(-keeper, SIGKILL);
                break;
            }
            wait = static_cast<int>(left.count() > 60000 ? 60000 : left.count());
        }
        pollfd fds[2] = {{statusRead.n, POLLIN, 0}, {outputOpen ? outRead.n : -1, POLLIN, 0}};
        if (poll(fds, 2, wait) < 0) {
            if (errno == EINTR)
                continue;
            kill(-keeper, SIGKILL);
            break;
        }
        if (fds[1].revents) {
            const ssize_t n = read(outRead.n, buffer, sizeof buffer);
            if (n > 0)
                KeepProgramOutput(output, buffer, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR)
                outputOpen = false;
        }
        if (fds[0].revents) {
            char* into = reinterpret_cast<char*>(&report) + reportBytes;
            const ssize_t n = reportBytes < sizeof report
                                  ? read(statusRead.n, into, sizeof report - reportBytes)
                                  : read(statusRead.n, buffer, sizeof buffer);
            if (n > 0 && reportBytes < sizeof report)
                reportBytes += static_cast<size_t>(n);
            else if (n == 0 || (n < 0 && errno != EINTR))
                statusOpen = false;
        }
    }
    GuardRunningProgram(0);
    // The group is gone (the keeper killed it, or this process did): what the pipe still holds
    // is read without waiting for writers that escaped the group.
    if (outputOpen && fcntl(outRead.n, F_SETFL, O_NONBLOCK) == 0) {
        ssize_t n = 0;
        while ((n = read(outRead.n, buffer, sizeof buffer)) > 0)
            KeepProgramOutput(output, buffer, static_cast<size_t>(n));
    }
    TrimProgramOutput(output);
    int keeperStatus = 0;
    while (waitpid(keeper, &keeperStatus, 0) < 0 && errno == EINTR) {
    }
    if (reportBytes == sizeof report && report.kind == kStartFailed) {
        *output = std::strerror(report.value);
        return -1;
    }
    if (reportBytes == sizeof report && report.kind == kEnded) {
        if (WIFEXITED(report.value))
            return WEXITSTATUS(report.value);
        return 128 + (WIFSIGNALED(report.value) ? WTERMSIG(report.value) : 0);
    }
    if (timedOut)
        return kProgramTimedOut;
    // The keeper was killed from outside before the program ended.
    return 128 + (WIFSIGNALED(keeperStatus) ? WTERMSIG(keeperStatus) : 0);
}
