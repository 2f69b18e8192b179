// Temporary files that must not outlive an interrupted process.
//
// A safe save writes to a temporary file beside its target; when the process is stopped before
// the file is moved into place or deleted, a handler installed here removes it and then lets the
// process end as it would have: on Linux for SIGINT, SIGTERM and SIGHUP (Ctrl+C, a closed
// terminal, kill; a signal that was ignored or handled by someone else when the first file was
// registered is left alone), on Windows for the console's events (Ctrl+C, Ctrl+Break, the console
// closed, log-off, shutdown). On Windows the file is still open then: every open of it lets
// deletion through (CFile: modeCreateNew and the safe save's temporary names), and it goes when
// the ending process closes it.
#pragma once

#include <string>

class CTempFileGuard {
  public:
    // Registers path (ANSI, as the file layer takes it) for removal on those signals.
    explicit CTempFileGuard(const std::string& path);
    // Forgets the path: the file was moved into place or deleted.
    ~CTempFileGuard();
    CTempFileGuard(const CTempFileGuard&) = delete;
    CTempFileGuard& operator=(const CTempFileGuard&) = delete;

    // False when the table of files was full and this one is not guarded.
    bool IsGuarded() const { return m_slot >= 0; }

  private:
    int m_slot = -1;
};

// What the handlers do: deletes every guarded file now; returns how many went (on Windows, a file
// still open goes when its last handle closes). Safe in a signal handler.
int RemoveGuardedTempFiles();
