// A chain of folders deeper than the system's file functions reach by path (PATH_MAX), for the
// tests of what the scan does with paths too long to open. Made and removed through folder
// handles (mkdirat, openat, unlinkat): no path from the root reaches its far end, so neither the
// standard library nor CTempFolder could remove it. Linux only.
#pragma once

#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

class CDeepFolders {
  public:
    // Below folder, levels folders named name, each inside the one before; folder itself and
    // each of them hold the files named in files (one byte each). ok() tells whether it was made.
    CDeepFolders(const std::string& folder, const std::string& name, int levels,
                 const std::vector<std::string>& files)
        : m_name(name), m_files(files) {
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; fd >= 0; ++level) {
            m_fds.push_back(fd);
            for (const std::string& file : files) {
                const int f = ::openat(fd, file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                if (f < 0 || ::write(f, "x", 1) != 1)
                    m_ok = false;
                if (f >= 0)
                    ::close(f);
            }
            if (level == levels)
                return;
            if (::mkdirat(fd, name.c_str(), 0755) != 0)
                m_ok = false;
            fd = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        m_ok = false;
    }
    ~CDeepFolders() {
        for (size_t k = m_fds.size(); k-- > 0;) {
            for (const std::string& file : m_files)
                ::unlinkat(m_fds[k], file.c_str(), 0);
            if (k + 1 < m_fds.size())
                ::unlinkat(m_fds[k], m_name.c_str(), AT_REMOVEDIR);
            ::close(m_fds[k]);
        }
    }
    CDeepFolders(const CDeepFolders&) = delete;
    CDeepFolders& operator=(const CDeepFolders&) = delete;

    bool ok() const { return m_ok; }

  private:
    std::string m_name;
    std::vector<std::string> m_files;
    std::vector<int> m_fds;  // the folder, then each level
    bool m_ok = true;
};

#endif
