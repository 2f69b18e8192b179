// pagevane-cli read: the e-book served to the reader's own browser.
//
// A web server on the loopback address answers the book's files with the viewer's own answer
// code (CReaderSite, ReaderServer.h) and a reader's page around them, until the program is
// interrupted. On Windows the e-book is itself a program that shows its pages, so there the
// command says so rather than carrying a web server.
#include "cli/Cli.h"
#include "cli/ConsoleUi.h"

#ifdef _WIN32

int ReadEBook(const std::string& path, uint16_t, bool, bool, std::ostream&, std::ostream& err) {
    err << ConsoleText("pagevane-cli read: on Windows the e-book is its own reader: start " + path +
                       " (a double click opens it).")
        << '\n';
    return kExitFailure;
}

#else

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>

#include "book/Book.h"
#include "cli/ReaderServer.h"
#include "cli/ReaderSite.h"

extern char** environ;

namespace {

// Hands the address to the desktop's opener (xdg-open, or open on macOS) without waiting for it;
// 0 when it could not be started.
pid_t OpenInBrowser(const std::string& address) {
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // What the opener prints (a browser's chatter) is not the reader's.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The opener starts with no signal blocked: the server's mask is its own.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    char* argv[] = {const_cast<char*>(opener), const_cast<char*>(address.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, opener, &actions, &attributes, argv, environ) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

}  // namespace

int ReadEBook(const std::string& path, uint16_t port, bool openBrowser, bool quiet,
              std::ostream& out, std::ostream& err) {
    const auto start = std::chrono::steady_clock::now();
    // Interruption is waited for below; the server's threads, started after this, never take it.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &stops, &before);

    CReaderServer server;
    std::string error;
    if (!server.Listen(port, ReaderServerLimits(), &error)) {
        err << "pagevane-cli read: " << error << '\n';
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return kExitFailure;
    }
    CReaderSite site(path, server.Port());
    if (!OpenEBook(path, site.Book(), err)) {
        server.Stop();
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return kExitFailure;
    }
    server.Serve(&site);
    const auto ready = std::chrono::steady_clock::now();
    out << site.Address() << std::endl;
    if (!quiet)
        err << ConsoleText("Reading " + path + " at " + site.Address() + " (ready in " +
                           std::to_string(
                               std::chrono::duration_cast<std::chrono::milliseconds>(ready - start)
                                   .count()) +
                           " ms); only this machine can reach it. Ctrl+C stops.")
            << std::endl;
    pid_t opener = 0;
    if (openBrowser) {
        opener = OpenInBrowser(site.Address());
        if (!opener)
            err << "No browser opener (xdg-open) could be started: open the address yourself.\n";
    }
    int signal = 0;
    sigwait(&stops, &signal);
    server.Stop();
    if (opener)
        waitpid(opener, nullptr, WNOHANG);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (!quiet)
        err << "Stopped." << std::endl;
    return kExitOk;
}

#endif
