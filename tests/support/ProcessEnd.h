// Waiting for a process that is not one's own child to end (Linux): a pid file descriptor becomes
// readable when the process has ended, whoever reaps it, so the wait needs no polling.
#pragma once

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

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
