#include "viewer/engines/WebViewRuntime.h"

#include <shlobj.h>

#include <cstring>

#include "platform/win/ScopedWin.h"
#include "viewer/engines/WebViewApi.h"

const wchar_t kWebViewClientKey[] =
    L"Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t kWebViewClientStateKey[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t kWebViewFolderPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Edge\\WebView2\\BrowserExecutableFolder";
const wchar_t kWebViewFolderVariable[] = L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER";
const char kUseBrowserControlValue[] = "UseBrowserControl";
const char kWebViewEntryPoint[] = "CreateWebViewEnvironmentWithOptionsInternal";

namespace {

const unsigned kFirstVersion[4] = {86, 0, 616, 0};

#if defined(__aarch64__) || defined(_M_ARM64)
const wchar_t kClientDll[] = L"\\EBWebView\\arm64\\EmbeddedBrowserWebView.dll";
#elif defined(_WIN64)
const wchar_t kClientDll[] = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
#else
const wchar_t kClientDll[] = L"\\EBWebView\\x86\\EmbeddedBrowserWebView.dll";
#endif

// The channels whose installs carry the runtime, in the loader's order of preference: the
// runtime itself, then the browser's Beta, Dev and Canary.
const wchar_t* const kChannelStateKeys[] = {
    kWebViewClientStateKey,
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}",
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{65C35B14-6C1D-4122-AC46-7148CC9D6497}",
};

// A string value (environment strings expanded); empty when missing or not a string.
std::wstring StringValue(HKEY key, const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    std::wstring value = std::wstring(buf, size / sizeof(wchar_t)).c_str();  // no trailing zeros
    if (type == REG_EXPAND_SZ) {
        wchar_t expanded[MAX_PATH * 2] = {};
        const DWORD n = ExpandEnvironmentStringsW(value.c_str(), expanded, MAX_PATH * 2);
        value = n > 0 && n <= MAX_PATH * 2 ? expanded : L"";
    }
    return value;
}

std::wstring StringValue(HKEY root, const wchar_t* subKey, REGSAM view, const wchar_t* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | view, &raw) != ERROR_SUCCESS)
        return std::wstring();
    ScopedHKey key(raw);
    return StringValue(key.get(), name);
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

int Compare(const unsigned a[4], const unsigned b[4]) {
    for (int i = 0; i < 4; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

void TrimSlashes(std::wstring* path) {
    while (!path->empty() && (path->back() == L'\\' || path->back() == L'/'))
        path->pop_back();
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program's own file: its folder (with a closing backslash) and its name.
void ProgramFile(std::wstring* folder, std::wstring* name) {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    const std::wstring full(path, n < MAX_PATH * 2 ? n : 0);
    const size_t slash = full.find_last_of(L"\\/");
    *folder = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
    *name = slash == std::wstring::npos ? full : full.substr(slash + 1);
}

// The fixed-version runtime an administrator or the environment names, if any: true with
// *folder set (possibly empty: nothing usable there) when an override exists.
bool OverrideFolder(std::wstring* folder, const char** rule) {
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableW(kWebViewFolderVariable, buf, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2) {
        *folder = buf;
        *rule = "environment";
        return true;
    }
    std::wstring programFolder, programName;
    ProgramFile(&programFolder, &programName);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::wstring& app : {programName, std::wstring(L"*")}) {
            if (app.empty())
                continue;
            const std::wstring value = StringValue(root, kWebViewFolderPolicyKey, 0, app.c_str());
            if (!value.empty()) {
                *folder = value;
                *rule = "policy";
                return true;
            }
        }
    }
    return false;
}

// The library of a fixed-version runtime's folder; empty when the folder cannot hold one.
std::wstring FixedVersionLibrary(std::wstring folder) {
    std::wstring programFolder, programName;
    ProgramFile(&programFolder, &programName);
    const bool absolute =
        folder.size() >= 2 && (folder[1] == L':' || (folder[0] == L'\\' && folder[1] == L'\\'));
    if (!absolute)
        folder = programFolder + folder;
    TrimSlashes(&folder);
    std::wstring lower = folder + L"\\";
    CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    if (lower.find(L"\\edge\\application\\") != std::wstring::npos)
        return std::wstring();
    const std::wstring dll = folder + kClientDll;
    return IsFile(dll) ? dll : std::wstring();
}

// Rule 3: the installed runtime the installer's state key names.
bool FromClientState(WebViewRuntime* found) {
    for (const wchar_t* stateKey : kChannelStateKeys) {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            std::wstring folder = StringValue(root, stateKey, KEY_WOW64_32KEY, L"EBWebView");
            TrimSlashes(&folder);
            const size_t slash = folder.find_last_of(L"\\/");
            const std::wstring name =
                slash == std::wstring::npos ? folder : folder.substr(slash + 1);
            unsigned version[4];
            if (!ParseWebViewVersion(name, version) || !WebViewVersionUsable(version))
                continue;
            const std::wstring dll = folder + kClientDll;
            if (!IsFile(dll))
                continue;
            found->version = name;
            found->clientDll = dll;
            found->runtimeType = kWebViewRuntimeInstalled;
            found->rule = "client state";
            return true;
        }
    }
    return false;
}

// Rule 4: the installer's client key, the highest usable version.
bool FromClients(WebViewRuntime* found) {
    const struct {
        HKEY root;
        REGSAM view;
        int defaultFolder;
    } places[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, CSIDL_PROGRAM_FILESX86},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, CSIDL_PROGRAM_FILESX86},
        {HKEY_CURRENT_USER, 0, CSIDL_LOCAL_APPDATA},
    };
    unsigned best[4] = {0, 0, 0, 0};
    bool any = false;
    for (const auto& place : places) {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(place.root, kWebViewClientKey, 0, KEY_QUERY_VALUE | place.view, &raw) !=
            ERROR_SUCCESS)
            continue;
        ScopedHKey key(raw);
        const std::wstring pv = StringValue(key.get(), L"pv");
        unsigned version[4];
        if (!ParseWebViewVersion(pv, version) || !WebViewVersionUsable(version) ||
            (any && Compare(version, best) <= 0))
            continue;
        std::wstring folder = StringValue(key.get(), L"location");
        if (folder.empty()) {
            folder = KnownFolder(place.defaultFolder);
            if (folder.empty())
                continue;
            folder += L"\\Microsoft\\EdgeWebView\\Application";
        }
        TrimSlashes(&folder);
        const std::wstring dll = folder + L"\\" + pv + kClientDll;
        if (!IsFile(dll))
            continue;
        found->version = pv;
        found->clientDll = dll;
        found->runtimeType = kWebViewRuntimeInstalled;
        found->rule = "clients";
        std::memcpy(best, version, sizeof(best));
        any = true;
    }
    return any;
}

}  // namespace

bool ParseWebViewVersion(const std::wstring& text, unsigned version[4]) {
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= text.size() || text[pos] < L'0' || text[pos] > L'9')
            return false;
        unsigned long v = 0;
        while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
            v = v * 10 + static_cast<unsigned long>(text[pos++] - L'0');
            if (v > 0xFFFFFF)
                return false;
        }
        version[i] = static_cast<unsigned>(v);
        if (i < 3) {
            if (pos >= text.size() || text[pos] != L'.')
                return false;
            ++pos;
        }
    }
    return pos == text.size();
}

bool WebViewVersionUsable(const unsigned version[4]) {
    return Compare(version, kFirstVersion) >= 0;
}

bool FindWebViewRuntime(WebViewRuntime* found) {
    std::wstring folder;
    const char* rule = "";
    if (OverrideFolder(&folder, &rule)) {
        const std::wstring dll = FixedVersionLibrary(folder);
        if (dll.empty())
            return false;
        found->version.clear();
        found->clientDll = dll;
        found->runtimeType = kWebViewRuntimeFixedVersion;
        found->rule = rule;
        return true;
    }
    return FromClientState(found) || FromClients(found);
}

bool BrowserControlForced() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueA(root, "Software\\Tessaly\\Pagevane Viewer", kUseBrowserControlValue,
                         RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
            value != 0)
            return true;
    }
    return false;
}

bool WebViewDataFolder(std::wstring* folder) {
    std::wstring path = KnownFolder(CSIDL_LOCAL_APPDATA);
    if (path.empty())
        return false;
    for (const wchar_t* part : {L"\\Pagevane Viewer", L"\\WebView2"}) {
        path += part;
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
    }
    *folder = path;
    return true;
}
