// Windows half of the folder listing: the system's file search, in the order it returns.
//
// The search runs on the wide (UTF-16) names and converts each to the ANSI code page here, with
// best-fit mapping switched off. The ANSI search (FindFirstFileA) would hand over a "best fit"
// for characters the code page lacks (a with macron becomes a plain "a"), so a file would be
// taken in under a name that opens a different file or none; converting here tells exactly
// which names have no ANSI form.
#include "platform/Folder.h"

#include <windows.h>

#include <vector>

namespace {

class FindHandle {
  public:
    explicit FindHandle(HANDLE h) : m_h(h) {}
    ~FindHandle() {
        if (m_h != INVALID_HANDLE_VALUE)
            FindClose(m_h);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return m_h; }

  private:
    HANDLE m_h;
};

std::wstring WideFromAnsi(const std::string& ansi) {
    if (ansi.empty())
        return std::wstring();
    const int n =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

// Converts to codePage; *lossy is set when a character had no form in it ("?" stands for it).
std::string Narrow(const wchar_t* wide, UINT codePage, DWORD flags, bool* lossy) {
    const int len = lstrlenW(wide);
    if (len == 0)
        return std::string();
    BOOL usedDefault = FALSE;
    BOOL* pUsed = lossy ? &usedDefault : nullptr;
    const int n = WideCharToMultiByte(codePage, flags, wide, len, nullptr, 0, nullptr, pUsed);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, flags, wide, len, &out[0], n, nullptr, pUsed);
    if (lossy)
        *lossy = usedDefault != FALSE || n <= 0;
    return out;
}

}  // namespace

bool EnumerateFolder(const std::string& folderPath, const FolderCallback& onEntry) {
    std::string pattern = folderPath;
    if (pattern.empty() || pattern.back() != '\\')
        pattern += '\\';
    pattern += "*.*";

    WIN32_FIND_DATAW fd;
    FindHandle find(FindFirstFileW(WideFromAnsi(pattern).c_str(), &fd));
    if (find.get() == INVALID_HANDLE_VALUE) {
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
        bool lossy = false;
        entry.strName = Narrow(fd.cFileName, CP_ACP, WC_NO_BEST_FIT_CHARS, &lossy);
        entry.bNoAnsiName = lossy;
        entry.strNativeName = Narrow(fd.cFileName, CP_UTF8, 0, nullptr);
        onEntry(entry);
    } while (FindNextFileW(find.get(), &fd));
    return true;
}

CFileException FolderListError(const std::string& folderPath) {
    std::string pattern = folderPath;
    if (pattern.empty() || pattern.back() != '\\')
        pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAW fd;
    FindHandle find(FindFirstFileW(WideFromAnsi(pattern).c_str(), &fd));
    const DWORD err = find.get() == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_READ_FAULT;
    return CFileException(CFileException::OsErrorToCause(err), folderPath, static_cast<long>(err));
}
