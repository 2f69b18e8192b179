#include "platform/Exceptions.h"

#include <cerrno>

namespace {

const char* const kFileTemplates[] = {
    "No error occurred.",
    "An unknown error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an invalid path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An invalid file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};

const char* const kArchiveTemplates[] = {
    "No error occurred.",
    "An unknown error occurred while accessing %1.",
    "An attempt was made to write to the reading %1.",
    "An attempt was made to access %1 past its end.",
    "An attempt was made to read from the writing %1.",
    "%1 has a bad format.",
    "%1 contained an unexpected object.",
    "%1 contains an incorrect schema.",
};

template <size_t N>
const char* TemplateFor(const char* const (&table)[N], int cause) {
    if (cause < 0 || static_cast<size_t>(cause) >= N)
        return table[1];  // the generic text
    return table[cause];
}

}  // namespace

const char* CException::what() const noexcept {
    try {
        m_strWhat = GetErrorMessage();
        return m_strWhat.c_str();
    } catch (...) {
        return "error";
    }
}

namespace {

// Shortens a path to at most `budget` bytes by taking out its middle ("C:\\books\\...\\page.htm"),
// so the folder it starts in and the file's own name both stay. A cut never splits a UTF-8
// sequence.
std::string ShortenMiddle(const std::string& path, size_t budget) {
    const char* const kGap = "...";
    if (path.size() <= budget)
        return path;
    if (budget <= 3)
        return std::string(kGap, budget);
    const auto isContinuation = [&](size_t i) {
        return i < path.size() && (static_cast<unsigned char>(path[i]) & 0xC0) == 0x80;
    };
    size_t head = (budget - 3) / 2;
    size_t tail = path.size() - (budget - 3 - head);
    while (head > 0 && isContinuation(head))
        --head;
    while (isContinuation(tail))
        ++tail;
    return path.substr(0, head) + kGap + path.substr(tail);
}

}  // namespace

std::string FormatErrorDescription(const char* pszTemplate, const std::string& fileName) {
    std::string name = fileName.empty() ? std::string("an unnamed file") : fileName;
    // The description is held to 255 characters by shortening the path, never the cause: the
    // whole path is in the line above it in every report.
    size_t fixed = 0, uses = 0;
    for (const char* p = pszTemplate; *p; ++p) {
        if (p[0] == '%' && p[1] == '1') {
            ++uses;
            ++p;
        } else {
            ++fixed;
        }
    }
    const size_t kLimit = 255;
    if (uses > 0 && fixed + uses * name.size() > kLimit)
        name = ShortenMiddle(name, fixed < kLimit ? (kLimit - fixed) / uses : 0);
    std::string text;
    for (const char* p = pszTemplate; *p; ++p) {
        if (p[0] == '%' && p[1] == '1') {
            text += name;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

std::string CFileException::GetErrorMessage() const {
    return FormatErrorDescription(TemplateFor(kFileTemplates, m_cause), m_strFileName);
}

std::string CArchiveException::GetErrorMessage() const {
    return FormatErrorDescription(TemplateFor(kArchiveTemplates, m_cause), m_strFileName);
}

CFileException::Cause CFileException::ErrnoToCause(int err) {
    switch (err) {
        case 0:
            return none;
        case ENOENT:
            return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            return badPath;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST:
            return accessDenied;
        case EBADF:
            return invalidFile;
        case EBUSY:
            return sharingViolation;
        case ESPIPE:
        case EOVERFLOW:
            return badSeek;
        case EIO:
            return hardIO;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return diskFull;
        default:
            return genericException;
    }
}

CFileException::Cause CFileException::OsErrorToCause(unsigned long err) {
    // Win32 error codes, written as numbers so that this file needs no <windows.h>.
    switch (err) {
        case 0:  // ERROR_SUCCESS
            return none;
        case 2:   // ERROR_FILE_NOT_FOUND
        case 3:   // ERROR_PATH_NOT_FOUND
        case 15:  // ERROR_INVALID_DRIVE
            return err == 2 ? fileNotFound : badPath;
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
            return badPath;
        case 4:  // ERROR_TOO_MANY_OPEN_FILES
            return tooManyOpenFiles;
        case 5:    // ERROR_ACCESS_DENIED
        case 19:   // ERROR_WRITE_PROTECT
        case 80:   // ERROR_FILE_EXISTS
        case 183:  // ERROR_ALREADY_EXISTS
            return accessDenied;
        case 6:  // ERROR_INVALID_HANDLE
            return invalidFile;
        case 16:  // ERROR_CURRENT_DIRECTORY
            return removeCurrentDir;
        case 82:  // ERROR_CANNOT_MAKE
            return directoryFull;
        case 25:   // ERROR_SEEK
        case 131:  // ERROR_NEGATIVE_SEEK
            return badSeek;
        case 23:    // ERROR_CRC
        case 29:    // ERROR_WRITE_FAULT
        case 30:    // ERROR_READ_FAULT
        case 1117:  // ERROR_IO_DEVICE
            return hardIO;
        case 32:  // ERROR_SHARING_VIOLATION
            return sharingViolation;
        case 33:  // ERROR_LOCK_VIOLATION
            return lockViolation;
        case 39:   // ERROR_HANDLE_DISK_FULL
        case 112:  // ERROR_DISK_FULL
            return diskFull;
        case 38:  // ERROR_HANDLE_EOF
            return endOfFile;
        default:
            return genericException;
    }
}
