// Temporary files that must not outlive an interrupted process.
//
// A safe save writes to a temporary file in a private folder beside its target; when the process
// is stopped before the file is moved into place or deleted, a handler installed here ends the
// program the process is running (the signer), removes the file and the folder, and then lets
// the process end as it would have: on Linux for SIGINT, SIGTERM and SIGHUP (Ctrl+C, a closed
// terminal, kill; a signal that was ignored or handled by someone else when the first file was
// registered is left alone), on Windows for the console's events (Ctrl+C, Ctrl+Break, the console
// closed, log-off, shutdown). On Windows the file is still open then: every open of it lets
// deletion through (CFile: modeCreateNew and the files of private folders), and it goes when
// the ending process closes it; its folder, not yet empty when the handler tries, stays (hidden)
// unless the file system deletes at once.
#pragma once

#include <cstdint>
#include <string>

class CTempFileGuard {
  public:
    enum Kind {
        file,    // deleted
        folder,  // removed when empty, after every guarded file has been deleted
    };
    // Registers path (ANSI, as the file layer takes it) for removal on those signals.
    explicit CTempFileGuard(const std::string& path, Kind kind = file);
    // Forgets the path: the file was moved into place or deleted.
    ~CTempFileGuard();
    CTempFileGuard(const CTempFileGuard&) = delete;
    CTempFileGuard& operator=(const CTempFileGuard&) = delete;

    // False when the table of files was full and this one is not guarded.
    bool IsGuarded() const { return m_slot >= 0; }

  private:
    int m_slot = -1;
};

// What the handlers do: ends the guarded program (below), deletes every guarded file, then
// removes every guarded folder that is empty; returns how many files and folders went (on
// Windows, a file still open goes when its last handle closes). Safe in a signal handler.
int RemoveGuardedTempFiles();

// Registers the program this process is running for the handlers to end before they delete
// anything, so that it writes nothing more where files are being removed: on Linux the id of its
// process group (sent SIGKILL), on Windows the handle of its job object (terminated). 0 forgets
// it. One at a time; installs the handlers as CTempFileGuard does.
void GuardRunningProgram(intptr_t program);
