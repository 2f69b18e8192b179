#include "viewer/engines/WebViewRuntime.h"

#include <shlobj.h>

#include <cstring>

#include "platform/win/ScopedWin.h"
#include "viewer/engines/WebViewApi.h"

const wchar_t kWebViewClientKey[] =
    L"Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
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

// A string value of an open key; empty when missing or not a string.
std::wstring StringValue(HKEY key, const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return std::wstring(buf, size / sizeof(wchar_t)).c_str();  // without trailing zeros
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
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
            folder.pop_back();
        const std::wstring dll = folder + L"\\" + pv + kClientDll;
        const DWORD attributes = GetFileAttributesW(dll.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        found->version = pv;
        found->clientDll = dll;
        std::memcpy(best, version, sizeof(best));
        any = true;
    }
    return any;
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
