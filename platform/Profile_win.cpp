// The registry half of the remembered settings.
#include <windows.h>

#include <vector>

#include "platform/Profile.h"
#include "platform/win/ScopedWin.h"
#include "platform/win/WinText.h"

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
    // Read as Unicode: the 8-bit read would hand back a value holding characters outside the
    // code page through the system's best-fit conversion ("\u03A9" as "O"), and the changed text
    // would then reach the Create page and an e-book. Such a value cannot be read into the
    // project unchanged, so it reads as absent.
    const std::wstring name = CWinText::Wide(entry);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return def;
    // The value may change between the two calls; a second size answer is checked again.
    std::vector<wchar_t> buf(static_cast<size_t>(size) / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS ||
        got > size)
        return def;
    // Stored strings usually, but not always, end with a NUL: cut at the first one.
    const size_t units = got / sizeof(wchar_t);
    size_t len = 0;
    while (len < units && buf[len] != L'\0')
        ++len;
    bool lossy = false;
    std::string value = CWinText::AnsiStrict(std::wstring(buf.data(), len), CP_ACP, &lossy);
    return lossy ? def : value;
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
