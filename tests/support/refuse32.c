/* refuse32: runs a command on this machine as if its kernel could not start 32-bit programs.
 *
 * Usage: refuse32 -- COMMAND [ARGS...]
 *
 * Some machines the tests run on have a kernel without 32-bit support: there every 32-bit Linux
 * program, the 32-bit Wine among them, fails to start. On a machine that can run them, the 64-bit
 * Wine quietly hands a 32-bit Windows program to the 32-bit one, so asking for the 64-bit Wine
 * proves nothing. This tool takes the 32-bit world away from COMMAND and everything it starts:
 *
 *  - a private mount namespace in which the 32-bit dynamic loader (ld-linux.so.2), the 32-bit
 *    Wine loader and the 32-bit wineserver are this program: started under those names it says
 *    "Exec format error" and exits 126, as a shell does when the kernel refuses a program; any
 *    other dynamically linked 32-bit program fails in execve, its loader being no 32-bit ELF;
 *  - a seccomp filter that ends, with SIGSYS, any process that makes a 32-bit system call, so a
 *    statically linked 32-bit program dies at its first instruction that asks the kernel
 *    anything, wherever it lies;
 *  - no core files (RLIMIT_CORE 0), so the refused programs leave nothing behind.
 *
 * Needs root (or CAP_SYS_ADMIN) for the mount namespace; says so and exits 1 otherwise.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <limits.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

/* The 32-bit programs whose names a caller starts directly. */
static const char* const kReplaced[] = {
    "/lib/ld-linux.so.2",
    "/usr/lib/wine/wine",
    "/usr/lib/wine/wineserver32",
    "/usr/lib/wine/wine-preloader",
};

static int Refuse(const char* name) {
    fprintf(stderr, "%s: cannot execute binary file: Exec format error\n", name);
    return 126;
}

static int ReplaceWithSelf(const char* self) {
    for (size_t i = 0; i < sizeof kReplaced / sizeof kReplaced[0]; ++i) {
        char target[PATH_MAX];
        struct stat st;
        /* A link (ld-linux.so.2 is one) is replaced at the file it names. */
        if (!realpath(kReplaced[i], target) || stat(target, &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (mount(self, target, NULL, MS_BIND, NULL) != 0) {
            fprintf(stderr, "refuse32: cannot cover %s: %s\n", target, strerror(errno));
            return 0;
        }
    }
    return 1;
}

static int KillThirtyTwoBitCalls(void) {
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog prog = {sizeof filter / sizeof filter[0], filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) != 0) {
        fprintf(stderr, "refuse32: cannot install the seccomp filter: %s\n", strerror(errno));
        return 0;
    }
    return 1;
}

int main(int argc, char** argv) {
    /* Started under one of the replaced names (or any way but the one below): refuse. */
    if (argc < 3 || strcmp(argv[1], "--") != 0)
        return Refuse(argc > 0 ? argv[0] : "refuse32");

    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        fprintf(stderr, "refuse32: cannot find its own file: %s\n", strerror(errno));
        return 1;
    }
    self[n] = '\0';

    if (unshare(CLONE_NEWNS) != 0 || mount(NULL, "/", NULL, MS_REC | MS_PRIVATE, NULL) != 0) {
        fprintf(stderr,
                "refuse32: cannot make a private mount namespace (%s); the forced 64-bit mode "
                "needs root\n",
                strerror(errno));
        return 1;
    }
    if (!ReplaceWithSelf(self) || !KillThirtyTwoBitCalls())
        return 1;
    const struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    execvp(argv[2], argv + 2);
    fprintf(stderr, "refuse32: cannot start %s: %s\n", argv[2], strerror(errno));
    return 127;
}
