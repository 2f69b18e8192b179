// Waiting for processes (Linux): for one that is not one's own child to end (a pid file
// descriptor becomes readable when the process has ended, whoever reaps it, so the wait needs no
// polling), for what a process says through a named pipe, and for a child stopped by a signal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// True when the process pid has ended (or never was) within timeoutMs milliseconds.
inline bool WaitProcessEnd(pid_t pid, int timeoutMs = 10000) {
    // Called directly: this glibc's header declares pidfd_open without C linkage for C++.
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0)
        return errno == ESRCH;
    pollfd p = {fd, POLLIN, 0};
    int rc = 0;
    while ((rc = poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    close(fd);
    return rc == 1;
}

// What a process writes into the named pipe fifo (up to 63 bytes), once it does, within
// timeoutMs; "" when nothing comes. The pipe is opened without waiting for a writer, so that a
// process that never starts fails the test instead of hanging it.
inline std::string ReadFromFifo(const std::string& fifo, int timeoutMs = 10000) {
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return std::string();
    pollfd p = {fd, POLLIN, 0};
    char text[64] = {};
    const bool told = poll(&p, 1, timeoutMs) == 1 && read(fd, text, sizeof text - 1) > 0;
    close(fd);
    return told ? text : "";
}

// Sends signal to the child, then SIGKILL should it not end within 10 seconds; reaps it and
// returns its wait status.
inline int StopChild(pid_t child, int signal) {
    kill(child, signal);
    if (!WaitProcessEnd(child))
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}
