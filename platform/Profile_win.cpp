// The registry half of the remembered settings.
#include <windows.h>

#include <vector>

#include "platform/Profile.h"
#include "platform/win/ScopedWin.h"

namespace {

// Creates or opens HKCU\path, one level at a time so that no level depends on another call
// having made it. Returns an empty key on failure.
ScopedHKey CreateOrOpen(const std::string& path, REGSAM access) {
    HKEY parent = HKEY_CURRENT_USER;
    ScopedHKey current;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        HKEY next = nullptr;
        // KEY_READ | KEY_WRITE on the levels above: the last level gets the access asked for.
        const REGSAM levelAccess = start > path.size() ? access : (KEY_READ | KEY_WRITE);
        if (RegCreateKeyExA(parent, part.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, levelAccess,
                            nullptr, &next, nullptr) != ERROR_SUCCESS)
            return ScopedHKey();
        current.reset(next);
        parent = current.get();
    }
    return current;
}

}  // namespace

std::string RegistryProfile::KeyPath(const std::string& section) const {
    return "Software\\" + m_company + "\\" + m_appName + "\\" + section;
}

std::string RegistryProfile::GetProfileString(const std::string& section, const std::string& entry,
                                              const std::string& def) {
    ScopedHKey key = CreateOrOpen(KeyPath(section), KEY_READ | KEY_WRITE);
    if (!key)
        return def;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), entry.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return def;
    // The value may change between the two calls; a second size answer is checked again.
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key.get(), entry.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS ||
        got > size)
        return def;
    // Stored strings usually, but not always, end with a NUL: cut at the first one.
    size_t len = 0;
    while (len < got && buf[len] != '\0')
        ++len;
    return std::string(buf.data(), len);
}

void RegistryProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                         const std::string& value) {
    ScopedHKey key = CreateOrOpen(KeyPath(section), KEY_READ | KEY_WRITE);
    if (!key)
        return;
    RegSetValueExA(key.get(), entry.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}
