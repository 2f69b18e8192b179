// Win32 half of CFile: CreateFileA with the sharing mode asked for; the system enforces it.
#include "platform/File.h"
#include "platform/ReplaceFile.h"

#include <windows.h>

namespace {

[[noreturn]] void ThrowLastError(const std::string& path) {
    const DWORD err = GetLastError();
    throw CFileException(CFileException::OsErrorToCause(err), path, static_cast<long>(err));
}

HANDLE H(void* h) {
    return static_cast<HANDLE>(h);
}

}  // namespace

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE) {}

CFile::~CFile() {
    Abort();
}

bool CFile::IsOpen() const {
    return m_hFile != INVALID_HANDLE_VALUE;
}

void CFile::Open(const std::string& path, unsigned flags) {
    Abort();
    CheckFileFault(FileFaultOp::open, path);
    if (path.empty())
        throw CFileException(CFileException::badPath, path, ERROR_PATH_NOT_FOUND);

    DWORD access = GENERIC_READ;
    switch (flags & 3) {
        case modeWrite:
            access = GENERIC_WRITE;
            break;
        case modeReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        default:
            break;
    }
    DWORD share = 0;
    switch (flags & 0x70) {
        case shareDenyWrite:
            share = FILE_SHARE_READ;
            break;
        case shareDenyRead:
            share = FILE_SHARE_WRITE;
            break;
        case shareDenyNone:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE;
            break;
        default:
            break;
    }
    DWORD creation = OPEN_EXISTING;
    if (flags & modeCreate)
        creation = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    if (flags & modeCreateNew)
        creation = CREATE_NEW;
    // A file created new, and every later open of a file inside a safe save's private folder
    // (the build writes its store and icon into its file by name), lets deletion through: the
    // console event handler (TempFileGuard) must be able to delete it while it is being written.
    if ((flags & modeCreateNew) || IsInPrivateFolder(path))
        share |= FILE_SHARE_DELETE;

    HANDLE h =
        CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path);
    m_hFile = h;
    m_strFileName = path;
}

bool CFile::OpenNew(const std::string& path, unsigned share) {
    try {
        Open(path, modeCreateNew | modeWrite | (share & 0x70));
    } catch (const CFileException& e) {
        if (e.m_lOsError == ERROR_FILE_EXISTS || e.m_lOsError == ERROR_ALREADY_EXISTS)
            return false;
        throw;
    }
    return true;
}

uint32_t CFile::Read(void* buffer, uint32_t count) {
    CheckFileFault(FileFaultOp::read, m_strFileName);
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, m_strFileName);
    char* p = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(H(m_hFile), p + done, count - done, &got, nullptr))
            ThrowLastError(m_strFileName);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void CFile::Write(const void* buffer, uint32_t count) {
    CheckFileFault(FileFaultOp::write, m_strFileName);
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, m_strFileName);
    DWORD written = 0;
    if (!WriteFile(H(m_hFile), buffer, count, &written, nullptr))
        ThrowLastError(m_strFileName);
    if (written != count)
        throw CFileException(CFileException::diskFull, m_strFileName);
}

uint64_t CFile::Seek(int64_t offset, int from) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, m_strFileName);
    DWORD method = FILE_BEGIN;
    if (from == current)
        method = FILE_CURRENT;
    else if (from == end)
        method = FILE_END;
    else if (from != begin)
        throw CFileException(CFileException::badSeek, m_strFileName);
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    const DWORD low =
        SetFilePointer(H(m_hFile), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        throw CFileException(CFileException::badSeek, m_strFileName,
                             static_cast<long>(GetLastError()));
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
}

uint64_t CFile::GetPosition() const {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, m_strFileName);
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(H(m_hFile), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        throw CFileException(CFileException::badSeek, m_strFileName,
                             static_cast<long>(GetLastError()));
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
}

uint64_t CFile::GetLength() const {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, m_strFileName);
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(H(m_hFile), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        ThrowLastError(m_strFileName);
    return (static_cast<uint64_t>(high) << 32) | low;
}

void CFile::SetLength(uint64_t length) {
    CheckFileFault(FileFaultOp::write, m_strFileName);
    const uint64_t pos = GetPosition();
    Seek(static_cast<int64_t>(length), begin);
    if (!SetEndOfFile(H(m_hFile)))
        ThrowLastError(m_strFileName);
    if (pos < length)
        Seek(static_cast<int64_t>(pos), begin);
}

void CFile::Flush() {
    if (!IsOpen())
        return;
    if (!FlushFileBuffers(H(m_hFile))) {
        // Read-only handles cannot be flushed; that is not a failure.
        if (GetLastError() != ERROR_ACCESS_DENIED)
            ThrowLastError(m_strFileName);
    }
}

void CFile::Close() {
    if (!IsOpen())
        return;
    HANDLE h = H(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h))
        ThrowLastError(m_strFileName);
}

void CFile::Abort() {
    if (!IsOpen())
        return;
    CloseHandle(H(m_hFile));
    m_hFile = INVALID_HANDLE_VALUE;
}

void CFile::Remove(const std::string& path) {
    if (!DeleteFileA(path.c_str()))
        ThrowLastError(path);
}

void CFile::Rename(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError(to);
}

void CFile::CreateFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr))
        return;
    const DWORD err = GetLastError();
    if (err == ERROR_ALREADY_EXISTS) {
        const DWORD attr = GetFileAttributesA(path.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
            return;
    }
    throw CFileException(CFileException::OsErrorToCause(err), path, static_cast<long>(err));
}

bool CFile::Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CFile::IsReadOnly(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) &&
           !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool CFile::GetIdentity(const std::string& path, FileIdentity* id) {
    if (path.empty())
        return false;
    // No access asked for, every sharing allowed: a file another program holds exclusively
    // still tells its identity. Backup semantics let a folder be opened too.
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok)
        return false;
    id->qwVolume = info.dwVolumeSerialNumber;
    id->qwIndex = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool CFile::IsLink(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string CFile::FollowLinks(const std::string& path) {
    return path;
}

void CFile::CopyPermissions(const std::string&, const std::string&) {}
