// Exceptions raised by the file and archive layers, and the texts that describe them.
//
// Every file or archive failure is thrown as one of these and caught by the operation that the
// user's command started (build, project open or save, icon replacement), which reports it once
// through ReportError (ErrorReport.h).
#pragma once

#include <exception>
#include <string>

class CException : public std::exception {
  public:
    // The text shown to the user: the cause's template with %1 replaced by the file's path (or
    // "an unnamed file"), at most 255 characters: a long path loses its middle, never the cause.
    virtual std::string GetErrorMessage() const = 0;
    const char* what() const noexcept override;

  private:
    mutable std::string m_strWhat;
};

class CFileException : public CException {
  public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException(Cause cause, const std::string& fileName, long osError = -1)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

    std::string GetErrorMessage() const override;

    // Maps a POSIX errno value to a cause (unknown codes give genericException).
    static Cause ErrnoToCause(int err);
    // Maps a Win32 GetLastError() value to a cause (unknown codes give genericException).
    static Cause OsErrorToCause(unsigned long err);

    Cause m_cause;
    long m_lOsError;
    std::string m_strFileName;
};

class CArchiveException : public CException {
  public:
    enum Cause {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema,
    };

    CArchiveException(Cause cause, const std::string& fileName)
        : m_cause(cause), m_strFileName(fileName) {}

    std::string GetErrorMessage() const override;

    Cause m_cause;
    std::string m_strFileName;
};

// Fills the template of a cause: "%1" is replaced by fileName, or by "an unnamed file" when it is
// empty. A result over 255 characters is held to 255 by taking the middle out of the path, so
// the cause after a long path stays.
std::string FormatErrorDescription(const char* pszTemplate, const std::string& fileName);
