// Writing a file so that nothing already at its path is lost: the new content goes to a fresh
// file beside the target and replaces the target only once it is complete.
#pragma once

#include <memory>
#include <string>

#include "platform/File.h"
#include "platform/TempFileGuard.h"

// The temporary files are short names of their own in the target's folder, so that a target
// whose name is as long as the system allows can still be saved: "~pv", eight lower-case
// hexadecimal digits and ".tmp" (15 characters). attempt 0, 1, ... give different names.
std::string ReplaceFileTempPath(const std::string& target, unsigned attempt);
// True when name (without its folder) has the form of those temporary names: how a clean-up of
// files left behind by a run that was killed recognises them.
bool IsReplaceFileTempName(const std::string& name);

// Deletes, in the folder that holds target, every file whose name has the form of our temporary
// names and which no live save holds: what a save killed before it could clean up left behind.
// A file in use (another process's save being written), anything else, and names of any other
// form stay. Returns how many files went. Failures are ignored: the sweep is tidying only.
int SweepReplaceFileTemps(const std::string& target);

class CReplaceFile {
  public:
    enum LinkRule {
        followLinks,   // a link at the target stays; the file it leads to is replaced (Linux)
        replaceLinks,  // a link at the target is itself replaced by the file
    };
    // target is the path the finished file is to have.
    explicit CReplaceFile(const std::string& target, LinkRule links = followLinks);
    // Deletes the temporary file unless Commit moved it into place.
    ~CReplaceFile();
    CReplaceFile(const CReplaceFile&) = delete;
    CReplaceFile& operator=(const CReplaceFile&) = delete;

    // Deletes the temporary files of earlier saves that were killed (names of that form in the
    // target's folder that no live save holds: see SweepReplaceFileTemps). Then creates the
    // temporary file in the target's folder under a name nobody uses (the first of
    // ReplaceFileTempPath(target, 0), (target, 1) ... that is free), never through a link, and
    // opens file on it for writing with the given share flag. The file is held (CFileHold) until
    // it is moved into place or deleted, so that other saves' sweeps leave it alone. Throws
    // CFileException naming the target: the temporary file is nothing the person asked for.
    void Create(CFile& file, unsigned share);

    const std::string& GetTarget() const { return m_strTarget; }
    const std::string& GetTempPath() const { return m_strTemp; }
    // Lets go of the hold on the temporary file before another program works on it (a signer,
    // which may open it sharing nothing, or replace it): from then on a sweep by another save
    // into the same folder could take it, as for any file not held.
    void ReleaseHold() { m_hold.reset(); }

    // Gives the temporary file the permission bits of the file it replaces (not of a link's
    // target when the link itself is replaced), then moves it onto
    // the target in one step (Windows: MoveFileEx, replacing and writing through). The caller has
    // closed the file. Throws CFileException naming the target; the temporary file then stays
    // until the destructor deletes it.
    void Commit();

  private:
    std::string m_strTarget;
    std::string m_strTemp;
    std::unique_ptr<CTempFileGuard>
        m_guard;                        // removes the temporary file if the process is stopped
    std::unique_ptr<CFileHold> m_hold;  // keeps other saves' sweeps off the temporary file
    bool m_bCommitted = false;
};
