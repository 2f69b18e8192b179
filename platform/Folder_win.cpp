// Windows half of the folder listing: the system's file search, in the order it returns.
#include "platform/Folder.h"

#include <windows.h>

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

}  // namespace

bool EnumerateFolder(const std::string& folderPath, const FolderCallback& onEntry) {
    std::string pattern = folderPath;
    if (pattern.empty() || pattern.back() != '\\')
        pattern += '\\';
    pattern += "*.*";

    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA(pattern.c_str(), &fd));
    if (find.get() == INVALID_HANDLE_VALUE) {
        // The root of an empty drive has no "." entry: nothing found there is not a failure.
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::string name(fd.cFileName);
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.bFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.bHidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entry.strNativeName = name;
        // "?" cannot be part of a Windows file name: the system put it where a character of the
        // name has no form in the ANSI code page, and the name could not be opened again.
        entry.bNoAnsiName = name.find('?') != std::string::npos;
        entry.strName = name;
        onEntry(entry);
    } while (FindNextFileA(find.get(), &fd));
    return true;
}
