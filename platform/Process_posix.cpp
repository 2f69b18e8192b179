// Running programs on Linux: posix_spawn in a new session, output through a pipe.
#include "platform/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string* output) {
    output->clear();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *output = std::strerror(errno);
        return -1;
    }
    Fd readEnd{fds[0]};
    Fd writeEnd{fds[1]};
    std::vector<std::string> words;
    words.push_back(path);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.n, 1);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.n, 2);
    // A new session has no controlling terminal: a program that wants a password cannot wait
    // for one there.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        *output = std::strerror(rc);
        return -1;
    }
    close(writeEnd.n);
    writeEnd.n = -1;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(readEnd.n, buffer, sizeof buffer);
        if (n > 0)
            output->append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
