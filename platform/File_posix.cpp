// POSIX half of CFile. The kernel has no sharing modes, so the Windows rules are applied among
// this process's own open files, keyed by device and inode.
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Text.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct OpenRecord {
    int fd;
    unsigned flags;
};

std::mutex g_shareMutex;
std::map<std::pair<dev_t, ino_t>, std::vector<OpenRecord>> g_openFiles;

bool WantsRead(unsigned flags) {
    return (flags & 3) != CFile::modeWrite;
}
bool WantsWrite(unsigned flags) {
    return (flags & 3) != CFile::modeRead;
}

// Which accesses the sharing mode of an open lets others have.
bool SharesRead(unsigned flags) {
    const unsigned share = flags & 0x70;
    return share == CFile::shareDenyWrite || share == CFile::shareDenyNone;
}
bool SharesWrite(unsigned flags) {
    const unsigned share = flags & 0x70;
    return share == CFile::shareDenyRead || share == CFile::shareDenyNone;
}

bool Conflicts(unsigned existing, unsigned wanted) {
    if (WantsRead(wanted) && !SharesRead(existing))
        return true;
    if (WantsWrite(wanted) && !SharesWrite(existing))
        return true;
    if (WantsRead(existing) && !SharesRead(wanted))
        return true;
    if (WantsWrite(existing) && !SharesWrite(wanted))
        return true;
    return false;
}

[[noreturn]] void ThrowErrno(int err, const std::string& path) {
    throw CFileException(CFileException::ErrnoToCause(err), path, err);
}

// Windows finds files whatever the case of their names, and the folder scan keeps names in
// lower case: "genindex-a.html" must open the file "genindex-A.html". When a path does not exist
// as written, each component that is missing is looked up in its folder ignoring case (the
// Windows-1252 rules); of several matches ("A.htm" beside "a.HTM") the one OpensBeforeCaseTwin
// puts first, which is the one the folder scan took in. Returns the path found, or "" when a
// component has no match.
std::string ResolveNoCase(const std::string& native) {
    std::string resolved;
    size_t pos = 0;
    if (!native.empty() && native[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= native.size()) {
        size_t slash = native.find('/', pos);
        if (slash == std::string::npos)
            slash = native.size();
        const std::string part = native.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty())
            continue;
        const std::string folder = resolved.empty() ? "." : resolved;
        std::string candidate =
            resolved.empty() || resolved.back() == '/' ? resolved + part : resolved + "/" + part;
        struct stat st;
        if (part != "." && part != ".." && lstat(candidate.c_str(), &st) != 0) {
            DIR* dir = opendir(folder.c_str());
            if (!dir)
                return std::string();
            std::string ansiPart;
            const bool partAnsi = AnsiFromUtf8(part, &ansiPart);
            std::string found;
            std::string foundAnsi;
            while (const dirent* entry = readdir(dir)) {
                std::string ansiName;
                if (partAnsi && AnsiFromUtf8(entry->d_name, &ansiName) &&
                    AnsiEqualNoCase(ansiName, ansiPart) &&
                    (found.empty() || OpensBeforeCaseTwin(ansiName, foundAnsi))) {
                    found = entry->d_name;
                    foundAnsi = ansiName;
                }
            }
            closedir(dir);
            if (found.empty())
                return std::string();
            candidate = resolved.empty() || resolved.back() == '/' ? resolved + found
                                                                   : resolved + "/" + found;
        }
        resolved = candidate;
    }
    return resolved;
}

}  // namespace

CFile::CFile() : m_fd(-1), m_uOpenFlags(0) {}

CFile::~CFile() {
    Abort();
}

bool CFile::IsOpen() const {
    return m_fd >= 0;
}

bool CFile::OpenNew(const std::string& path, unsigned share) {
    try {
        Open(path, modeCreateNew | modeWrite | (share & 0x70));
    } catch (const CFileException& e) {
        if (e.m_lOsError == EEXIST)
            return false;
        throw;
    }
    return true;
}

void CFile::Open(const std::string& path, unsigned flags) {
    Abort();
    CheckFileFault(FileFaultOp::open, path);
    if (path.empty())
        throw CFileException(CFileException::badPath, path, ENOENT);

    // Not blocking: opening a named pipe for reading would otherwise wait for a writer for ever.
    // Only regular files pass the check below, and O_NONBLOCK is cleared again for them.
    int oflags = O_CLOEXEC | O_NONBLOCK;
    switch (flags & 3) {
        case modeWrite:
            oflags |= O_WRONLY;
            break;
        case modeReadWrite:
            oflags |= O_RDWR;
            break;
        default:
            oflags |= O_RDONLY;
            break;
    }
    if (flags & modeCreate)
        oflags |= O_CREAT;
    // O_EXCL refuses every existing name, a link that leads nowhere included.
    if (flags & modeCreateNew)
        oflags |= O_CREAT | O_EXCL | O_NOFOLLOW;

    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), oflags, 0666);
    if (fd < 0 && errno == ENOENT && !(flags & (modeCreate | modeCreateNew))) {
        const std::string other = ResolveNoCase(native);
        if (!other.empty())
            fd = ::open(other.c_str(), oflags, 0666);
        else
            errno = ENOENT;
    }
    if (fd < 0)
        ThrowErrno(errno, path);

    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        ThrowErrno(err, path);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw CFileException(CFileException::accessDenied, path, EISDIR);
    }
    // A pipe, socket or device found in a project folder is no file of the book: refused like a
    // folder instead of hanging or reading without end.
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw CFileException(CFileException::accessDenied, path, EACCES);
    }
    const int fl = fcntl(fd, F_GETFL);
    if (fl == -1 || fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == -1) {
        const int err = errno;
        ::close(fd);
        ThrowErrno(err, path);
    }

    {
        std::lock_guard<std::mutex> lock(g_shareMutex);
        std::vector<OpenRecord>& opens = g_openFiles[{st.st_dev, st.st_ino}];
        for (const OpenRecord& r : opens) {
            if (Conflicts(r.flags, flags)) {
                ::close(fd);
                throw CFileException(CFileException::sharingViolation, path);
            }
        }
        opens.push_back({fd, flags});
    }

    m_fd = fd;
    m_uOpenFlags = flags;
    m_strFileName = path;

    if ((flags & modeCreate) && !(flags & modeNoTruncate)) {
        if (ftruncate(fd, 0) != 0) {
            const int err = errno;
            Abort();
            ThrowErrno(err, path);
        }
    }
}

uint32_t CFile::Read(void* buffer, uint32_t count) {
    CheckFileFault(FileFaultOp::read, m_strFileName);
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    char* p = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno, m_strFileName);
        }
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, uint32_t count) {
    CheckFileFault(FileFaultOp::write, m_strFileName);
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    const char* p = static_cast<const char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno, m_strFileName);
        }
        if (n == 0)
            throw CFileException(CFileException::diskFull, m_strFileName);
        done += static_cast<uint32_t>(n);
    }
}

uint64_t CFile::Seek(int64_t offset, int from) {
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    int whence = SEEK_SET;
    if (from == current)
        whence = SEEK_CUR;
    else if (from == end)
        whence = SEEK_END;
    else if (from != begin)
        throw CFileException(CFileException::badSeek, m_strFileName);
    const off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (pos < 0)
        throw CFileException(CFileException::badSeek, m_strFileName, errno);
    return static_cast<uint64_t>(pos);
}

uint64_t CFile::GetPosition() const {
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    const off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0)
        throw CFileException(CFileException::badSeek, m_strFileName, errno);
    return static_cast<uint64_t>(pos);
}

uint64_t CFile::GetLength() const {
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    struct stat st;
    if (fstat(m_fd, &st) != 0)
        ThrowErrno(errno, m_strFileName);
    return static_cast<uint64_t>(st.st_size);
}

void CFile::SetLength(uint64_t length) {
    CheckFileFault(FileFaultOp::write, m_strFileName);
    if (m_fd < 0)
        throw CFileException(CFileException::invalidFile, m_strFileName);
    if (ftruncate(m_fd, static_cast<off_t>(length)) != 0)
        ThrowErrno(errno, m_strFileName);
}

void CFile::Flush() {
    if (m_fd < 0)
        return;
    // Data written through write() is already with the kernel; nothing is buffered here.
}

void CFile::Close() {
    if (m_fd < 0)
        return;
    struct stat st;
    const bool known = fstat(m_fd, &st) == 0;
    if (known) {
        std::lock_guard<std::mutex> lock(g_shareMutex);
        auto it = g_openFiles.find({st.st_dev, st.st_ino});
        if (it != g_openFiles.end()) {
            std::vector<OpenRecord>& opens = it->second;
            for (size_t i = 0; i < opens.size(); ++i) {
                if (opens[i].fd == m_fd) {
                    opens.erase(opens.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                }
            }
            if (opens.empty())
                g_openFiles.erase(it);
        }
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        ThrowErrno(errno, m_strFileName);
}

void CFile::Abort() {
    try {
        Close();
    } catch (const CFileException&) {
    }
}

void CFile::Remove(const std::string& path) {
    if (::unlink(NativePath(path).c_str()) != 0)
        ThrowErrno(errno, path);
}

bool CFile::CreatePrivateFolder(const std::string& path) {
    // mkdir never takes an existing name, a link included, on any file system (on NFS the server
    // decides), so a folder made here is this process's alone; 0700 keeps other users out of it
    // (the umask can only take bits away).
    if (::mkdir(NativePath(path).c_str(), 0700) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    ThrowErrno(errno, path);
}

bool CFile::RemoveEmptyFolder(const std::string& path) {
    return ::rmdir(NativePath(path).c_str()) == 0;
}

void CFile::TakeFolderPermissions(const std::string&) {}

void CFile::Rename(const std::string& from, const std::string& to) {
    if (::rename(NativePath(from).c_str(), NativePath(to).c_str()) != 0)
        ThrowErrno(errno, to);
}

void CFile::CreateFolder(const std::string& path) {
    if (::mkdir(NativePath(path).c_str(), 0777) != 0) {
        const int err = errno;
        struct stat st;
        if (err == EEXIST && ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return;
        ThrowErrno(err, path);
    }
}

bool CFile::Exists(const std::string& path) {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool CFile::IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool CFile::GetIdentity(const std::string& path, FileIdentity* id) {
    if (path.empty())
        return false;
    const std::string native = NativePath(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        const std::string other = ResolveNoCase(native);
        if (other.empty() || ::stat(other.c_str(), &st) != 0)
            return false;
    }
    id->qwVolume = static_cast<uint64_t>(st.st_dev);
    id->qwIndex = static_cast<uint64_t>(st.st_ino);
    return true;
}

bool CFile::IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string CFile::FollowLinks(const std::string& path) {
    std::string current = NativePath(path);
    bool changed = false;
    // As many links as the kernel follows in one path before it gives up.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
            break;
        std::string target(buffer.data(), static_cast<size_t>(n));
        if (target[0] != '/') {
            const size_t slash = current.rfind('/');
            if (slash != std::string::npos)
                target = current.substr(0, slash + 1) + target;
        }
        current = target;
        changed = true;
    }
    if (!changed)
        return path;
    std::string ansi;
    // A target without an ANSI form is reached through the link itself.
    return AnsiFromUtf8(current, &ansi) ? ansi : path;
}

void CFile::CopyPermissions(const std::string& from, const std::string& to) {
    struct stat st;
    if (::stat(NativePath(from).c_str(), &st) != 0)
        return;
    if (::chmod(NativePath(to).c_str(), st.st_mode & 07777) != 0)
        ThrowErrno(errno, to);
}
