// A fresh folder under the system's temporary folder for one test, removed with everything in it
// (read-only files and sub-folders too) when the object ends. One class for the native tests
// (mkdtemp) and the Windows tests (GetTempPath, a name no other test of the run uses).
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <filesystem>
#endif

class CTempFolder {
  public:
#ifdef _WIN32
    static constexpr char kSeparator = '\\';
#else
    static constexpr char kSeparator = '/';
#endif

    explicit CTempFolder(const std::string& prefix = "pv-test") {
#ifdef _WIN32
        // The long form of the folder's name, so that paths compare equal to what dialogs show.
        char shortBase[MAX_PATH] = "";
        char base[MAX_PATH] = "";
        ::GetTempPathA(MAX_PATH, shortBase);
        if (!::GetLongPathNameA(shortBase, base, MAX_PATH))
            lstrcpynA(base, shortBase, MAX_PATH);
        for (int n = 0; n < 1000 && m_path.empty(); ++n) {
            const std::string candidate = std::string(base) + prefix + "-" +
                                          std::to_string(::GetCurrentProcessId()) + "-" +
                                          std::to_string(s_count++);
            if (::CreateDirectoryA(candidate.c_str(), nullptr))
                m_path = candidate;
        }
#else
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(&tmpl[0]) != nullptr)
            m_path = tmpl;
#endif
    }
    ~CTempFolder() {
        if (!m_path.empty())
            Remove(m_path);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::string& Path() const {
        return m_path;
    }
    // The path of name inside the folder.
    std::string File(const std::string& name) const {
        return m_path + kSeparator + name;
    }
    std::string operator/(const std::string& name) const {
        return File(name);
    }

    // The names directly inside the folder, "." and ".." left out, in no particular order.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
#ifdef _WIN32
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((m_path + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do {
            const std::string n = fd.cFileName;
            if (n != "." && n != "..")
                names.push_back(n);
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
#else
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ec))
            names.push_back(entry.path().filename().string());
#endif
        return names;
    }

  private:
    static void Remove(const std::string& path) {
#ifdef _WIN32
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::string n = fd.cFileName;
                if (n == "." || n == "..")
                    continue;
                const std::string full = path + "\\" + n;
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full);
                else
                    ::DeleteFileA(full.c_str());
            } while (::FindNextFileA(h, &fd));
            ::FindClose(h);
        }
        ::RemoveDirectoryA(path.c_str());
#else
        // Folders whose permissions a test took away must be opened again to be emptied.
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(
                 path, std::filesystem::directory_options::skip_permission_denied, ec)) {
            if (entry.is_directory(ec))
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(path, ec);
#endif
    }

#ifdef _WIN32
    static inline int s_count = 0;
#endif
    std::string m_path;
};
