// Writing a file so that nothing already at its path is lost: the new content goes to a fresh
// file and replaces the target only once it is complete.
//
// Where the fresh file lives. Each save makes a folder of its own beside the target (the same
// file system, so the final move is one rename): a name nobody uses, created new (never one that
// was there, a link included), that only the current user may enter, and hidden, so that folder
// scans pass it by. The fresh file is created inside it. A save therefore deletes nothing but what
// it created itself: its own file and its own folder, by the paths it made them under. No other
// file is ever judged stale by its name, its age or a lock, so the design holds on network file
// systems too, where locks may be local to one machine and names can be chosen by anyone: the only
// guarantee it relies on is that creating a folder fails when the name exists, which every file
// system gives. A save interrupted by a signal or a console event removes its file and folder
// (TempFileGuard); one killed outright (kill -9, a power cut) leaves its hidden folder, which no
// scan reads and no later save touches.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/File.h"
#include "platform/TempFileGuard.h"

// The form of a save's private folder's name: ".pv", then eight lower-case hexadecimal digits (11
// characters, short enough for a folder next to a target whose own path nearly fills the
// system's limit).
constexpr char kPrivateFolderPrefix[] = ".pv";
constexpr size_t kPrivateFolderDigits = 8;
// True when name (without its folder) has that form.
bool IsPrivateFolderName(const std::string& name);
// True when the folder that holds path has that form: the file is a save's temporary file.
bool IsInPrivateFolder(const std::string& path);
// Where the name of path begins, after its folder (0 for a bare name): after the last "\" or
// "/" (on Windows also ":").
size_t PathNameStart(const std::string& path);

class CReplaceFile {
  public:
    enum LinkRule {
        followLinks,   // a link at the target stays; the file it leads to is replaced (Linux)
        replaceLinks,  // a link at the target is itself replaced by the file
    };
    // target is the path the finished file is to have.
    explicit CReplaceFile(const std::string& target, LinkRule links = followLinks);
    // Deletes the temporary file unless Commit moved it into place, then the private folder
    // (only when it is empty: nothing this save did not create is ever deleted).
    ~CReplaceFile();
    CReplaceFile(const CReplaceFile&) = delete;
    CReplaceFile& operator=(const CReplaceFile&) = delete;

    // Makes the private folder beside the target, then creates the temporary file in it and
    // opens file on it for writing with the given share flag. Throws CFileException naming the
    // target: the temporary file is nothing the person asked for.
    void Create(CFile& file, unsigned share);
    // Makes the private folder only: the temporary path is left free in it, for another
    // program to create (a signer that refuses to write over a file). Nobody else can put
    // anything there. Throws as Create does.
    void Reserve();

    const std::string& GetTarget() const { return m_strTarget; }
    // The temporary file: "new" and the target's extension, inside the private folder.
    const std::string& GetTempPath() const { return m_strTemp; }
    const std::string& GetFolder() const { return m_strFolder; }

    // Gives the temporary file the permission bits of the file it replaces (not of a link's
    // target when the link itself is replaced), then moves it onto the target in one step
    // (Windows: MoveFileEx, replacing and writing through; then the access list that the
    // target's folder gives its files), and removes the private folder. The caller has closed
    // the file. Throws CFileException naming the target; the temporary file then stays until
    // the destructor deletes it.
    void Commit();

  private:
    void MakeFolder();

    std::string m_strTarget;
    std::string m_strFolder;
    std::string m_strTemp;
    // Remove the temporary file and the folder if the process is stopped.
    std::unique_ptr<CTempFileGuard> m_folderGuard;
    std::unique_ptr<CTempFileGuard> m_fileGuard;
    bool m_bCommitted = false;
};
