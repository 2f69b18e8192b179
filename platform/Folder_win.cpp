// Windows half of the folder listing: the system's file search, in the order it returns.
//
// The search runs on the wide (UTF-16) names and converts each to the ANSI code page here, with
// best-fit mapping switched off. The ANSI search (FindFirstFileA) would hand over a "best fit"
// for characters the code page lacks (a with macron becomes a plain "a"), so a file would be
// taken in under a name that opens a different file or none; converting here tells exactly
// which names have no ANSI form.
#include "platform/Folder.h"

#include <windows.h>

#include "platform/Text.h"
#include "platform/win/ScopedWin.h"
#include "platform/win/WinText.h"

bool EnumerateFolder(const std::string& folderPath, const FolderCallback& onEntry) {
    std::string pattern = folderPath;
    if (!EndsWithBackslash(pattern))
        pattern += '\\';
    pattern += "*.*";

    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(FindFirstFileW(CWinText::Wide(pattern).c_str(), &fd));
    if (!find) {
        // The root of an empty drive has no "." entry: nothing found there is not a failure.
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::wstring name(fd.cFileName);
        if (name == L"." || name == L"..")
            continue;
        FolderEntry entry;
        entry.bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.bHidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entry.qwLength = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        bool lossy = false;
        entry.strName = CWinText::AnsiStrict(name, CP_ACP, &lossy);
        entry.bNoAnsiName = lossy;
        entry.strNativeName = CWinText::Ansi(name, CP_UTF8);
        onEntry(entry);
    } while (FindNextFileW(find.get(), &fd));
    return true;
}

CFileException FolderListError(const std::string& folderPath) {
    std::string pattern = folderPath;
    if (!EndsWithBackslash(pattern))
        pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(FindFirstFileW(CWinText::Wide(pattern).c_str(), &fd));
    const DWORD err = !find ? GetLastError() : ERROR_READ_FAULT;
    return CFileException(CFileException::OsErrorToCause(err), folderPath, static_cast<long>(err));
}
