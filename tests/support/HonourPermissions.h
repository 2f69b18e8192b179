// File permissions that bind a test even when it runs as root, as CI does (Linux only).
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, the calling thread loses the capabilities that let root pass over file
// permissions (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) from its effective set, so that a folder
// without permissions cannot be listed by it; they are put back at the end. Capabilities belong
// to a thread: other threads keep theirs. Works() is false when they could not be dropped (the
// test then skips, saying so, rather than passing unseen).
class CHonourPermissions {
  public:
    CHonourPermissions() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct dropped[2] = {m_saved[0], m_saved[1]};
        const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        dropped[0].effective &= ~mask;
        m_bWorks = syscall(SYS_capset, &m_header, dropped) == 0;
    }
    ~CHonourPermissions() {
        if (m_bWorks)
            syscall(SYS_capset, &m_header, m_saved);
    }
    CHonourPermissions(const CHonourPermissions&) = delete;
    CHonourPermissions& operator=(const CHonourPermissions&) = delete;

    bool Works() const { return m_bWorks; }

  private:
    __user_cap_header_struct m_header = {};
    __user_cap_data_struct m_saved[2] = {};
    bool m_bWorks = false;
};
