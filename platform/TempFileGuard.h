// Temporary files that must not outlive an interrupted process.
//
// A safe save writes to a temporary file beside its target; when the process is stopped by
// SIGINT, SIGTERM or SIGHUP (Ctrl+C, a closed terminal, kill) before the file is moved into place
// or deleted, the handler installed here removes it and then lets the signal end the process as it
// would have. A signal that was ignored or handled by someone else when the first file was
// registered is left alone. On Windows no handler is installed: the table is kept, and a file
// left by an interrupted run stays until it is deleted by hand.
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
