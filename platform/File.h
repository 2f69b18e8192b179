// A file on disk, opened with Windows-style access and sharing modes.
//
// Every failure throws CFileException carrying a cause and the path as given to Open. Paths are
// ANSI text; on Linux they are converted to UTF-8 and backslashes become slashes (NativePath).
//
// Sharing: on Windows the system enforces the sharing mode. Elsewhere the same rules are applied
// among the files this process opens (a second open of one file that the modes forbid fails with
// sharingViolation), which is what the program relies on: the build holds the output file
// exclusively, and reading it as a page then fails.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Exceptions.h"

// What makes a file itself, whatever path leads to it: device and inode on Linux, volume serial
// number and file index on Windows. Two paths with equal identities name the same file.
struct FileIdentity {
    uint64_t qwVolume = 0;
    uint64_t qwIndex = 0;
    bool operator==(const FileIdentity& o) const {
        return qwVolume == o.qwVolume && qwIndex == o.qwIndex;
    }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

class CFile {
  public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,      // create, or truncate an existing file...
        modeNoTruncate = 0x2000,  // ...unless this is given too
        modeCreateNew = 0x4000,   // create a new file; fail if anything has that name already
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile();
    virtual ~CFile();  // closes the file, ignoring errors
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path. Without a share flag the file is opened exclusively. Throws CFileException.
    void Open(const std::string& path, unsigned flags);

    // Reads up to count bytes; returns how many were read (fewer only at the end of the file).
    uint32_t Read(void* buffer, uint32_t count);
    // Reads exactly count bytes or throws CFileException(endOfFile).
    void ReadExact(void* buffer, uint32_t count);
    // Writes count bytes; a short write throws (diskFull when the disk is full).
    void Write(const void* buffer, uint32_t count);

    // Moves the file pointer; returns the new position from the start of the file. A position
    // before the start throws CFileException(badSeek).
    virtual uint64_t Seek(int64_t offset, int from);
    uint64_t SeekToEnd() { return Seek(0, end); }
    uint64_t GetPosition() const;
    uint64_t GetLength() const;
    void SetLength(uint64_t length);
    void Flush();
    // Closes the file; throws when the system reports a failure. Harmless when not open.
    void Close();
    // Closes the file, ignoring every error.
    void Abort();

    // Creates path as a new, empty file opened for writing with the given share flag. It never
    // follows a link nor touches anything already there: returns false when any entry (file,
    // folder, link, even one that leads nowhere) has that name. Other failures throw.
    bool OpenNew(const std::string& path, unsigned share);

    bool IsOpen() const;
    const std::string& GetFilePath() const { return m_strFileName; }

    // Deletes a file. Throws CFileException.
    static void Remove(const std::string& path);
    // Renames from to to, replacing an existing file at to. Throws CFileException naming to.
    static void Rename(const std::string& from, const std::string& to);
    // Creates a folder; an existing folder is not an error. Throws CFileException.
    static void CreateFolder(const std::string& path);
    // True when a file or folder of that name exists.
    static bool Exists(const std::string& path);
    // True when the file exists and is marked read-only (Windows: the read-only attribute;
    // elsewhere: no write permission bit at all). Lets a writer refuse such a file the way Windows
    // does even where the process could override it (a root process, Wine run by root).
    static bool IsReadOnly(const std::string& path);
    // The identity of the file or folder path names, links followed (a file name found only
    // ignoring case counts, as Open finds it). False when nothing is there or it cannot be
    // examined.
    static bool GetIdentity(const std::string& path, FileIdentity* id);
    // True when path itself is a symbolic link (Windows: any reparse point), not followed.
    static bool IsLink(const std::string& path);
    // The path at the end of the symbolic links path may be (a relative link counts from its own
    // folder); path itself when it is no link. Windows: path itself, so a link there is replaced
    // like a file.
    static std::string FollowLinks(const std::string& path);
    // Gives the file `to` the permission bits of the file `from`, when from exists (Linux only; on
    // Windows a replaced file's attributes are not carried over).
    static void CopyPermissions(const std::string& from, const std::string& to);
    // Creates path as a new folder that only the current user may use and that folder scans pass
    // by: Linux mode 0700 (hidden by its name, which must begin with "."); Windows a protected
    // access list granting the current user alone full access, inherited by what is created in
    // it, and the hidden attribute. Never takes anything already there: returns false when any
    // entry (file, folder, link) has that name. Other failures throw.
    static bool CreatePrivateFolder(const std::string& path);
    // Deletes the folder path when it is empty; false when it is not, or cannot be deleted.
    static bool RemoveEmptyFolder(const std::string& path);
    // Gives a file just moved out of a private folder the access list a file created in its new
    // folder gets (Windows: the folder's entries that files inherit, else the user's default
    // list). Elsewhere nothing: permission bits travel with the file. Failures are ignored (file
    // systems without access lists keep what they have).
    static void TakeFolderPermissions(const std::string& path);

  private:
    std::string m_strFileName;
#ifdef _WIN32
    void* m_hFile;
#else
    int m_fd;
    unsigned m_uOpenFlags;
#endif
};

// Test hook: makes the n-th (1-based) operation of a kind, counted from the call, fail with the
// given cause. Production code never sets it. Read and write count every call of CFile::Read,
// ReadExact and Write; open counts CFile::Open.
enum class FileFaultOp { open, read, write };
void SetFileFault(FileFaultOp op, int nth, CFileException::Cause cause);
void ClearFileFaults();
// Called by the platform halves before each operation; throws when a fault is due.
void CheckFileFault(FileFaultOp op, const std::string& path);
