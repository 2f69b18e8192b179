// The stand-in WebView2 runtime (tests/win32/viewer/standin) put into the test prefix as the
// real runtime's installer puts itself: a version folder holding
// EBWebView\x86\EmbeddedBrowserWebView.dll (x64 in a 64-bit build), and the EdgeUpdate client
// key with its version ("pv") and, when given, its folder ("location"); the other places the
// runtime is looked for (the installer's state key, the policy, the environment variable) are
// set with the helpers below. Everything installed is removed again by Uninstall (the library
// stays on disk once loaded: Windows keeps a loaded module's file). StandIn reaches the test
// hooks of the library the viewer loaded.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>

#include "viewer/engines/WebViewRuntime.h"

#ifdef _WIN64
#define PV_STANDIN_ARCH "x64"
#else
#define PV_STANDIN_ARCH "x86"
#endif

class CStandInRuntime {
  public:
    // The stand-in library the build made (PV_STANDIN_DLL).
    static std::string BuiltLibrary() {
        const char* p = std::getenv("PV_STANDIN_DLL");
        return p ? p : "";
    }
    static std::string LocalAppData() {
        char path[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
        return path;
    }
    // The folder the tests install into when they name one in the key ("location").
    static std::string TestLocation() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        return std::string(temp) + "pv-webview-runtime";
    }
    // The folder the installer uses for a per-user runtime when the key names none.
    static std::string DefaultUserFolder() {
        return LocalAppData() + "\\Microsoft\\EdgeWebView\\Application";
    }

    // Installs library (a file to copy) as runtime version under root; location "" leaves the
    // folder to the default of a per-user runtime. False when a step fails.
    static bool Install(HKEY root, const std::string& version, const std::string& location,
                        const std::string& library) {
        const std::string folder = location.empty() ? DefaultUserFolder() : location;
        if (!PutLibrary(folder + "\\" + version, library))
            return false;
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, kWebViewClientKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        bool ok =
            RegSetValueExA(key, "pv", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                           static_cast<DWORD>(version.size() + 1)) == ERROR_SUCCESS;
        if (!location.empty())
            ok = ok && RegSetValueExA(key, "location", 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(location.c_str()),
                                      static_cast<DWORD>(location.size() + 1)) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }
    // The library's path in a runtime's folder: in folder\EBWebView\<arch>\.
    static std::string LibraryIn(const std::string& folder) {
        return folder + "\\EBWebView\\" PV_STANDIN_ARCH "\\EmbeddedBrowserWebView.dll";
    }
    // Puts library where a runtime's folder holds it (LibraryIn).
    static bool PutLibrary(const std::string& folder, const std::string& library) {
        const std::string dll = LibraryIn(folder);
        SHCreateDirectoryExA(nullptr, dll.substr(0, dll.find_last_of('\\')).c_str(), nullptr);
        // A library loaded from there by an earlier test stays as it is.
        return GetModuleHandleA(dll.c_str()) != nullptr ||
               CopyFileA(library.c_str(), dll.c_str(), FALSE);
    }
    // The installer's state key under root (32-bit view) naming versionFolder.
    static bool SetClientState(HKEY root, const std::string& versionFolder) {
        return SetString(root, kWebViewClientStateKey, KEY_WOW64_32KEY, "EBWebView", versionFolder);
    }
    // The policy under root naming folder for the program app ("*": every program).
    static bool SetPolicy(HKEY root, const std::string& app, const std::string& folder) {
        return SetString(root, kWebViewFolderPolicyKey, 0, app.c_str(), folder);
    }
    static bool SetString(HKEY root, const wchar_t* subKey, REGSAM view, const char* name,
                          const std::string& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, subKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const bool ok =
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }
    // Removes the client keys, the state keys, the policies, the environment variable and the
    // viewer's switch; the failure mode is cleared.
    static void Uninstall() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            SHDeleteKeyW(root, kWebViewClientKey);
            RegDeleteKeyExW(root, kWebViewClientStateKey, KEY_WOW64_32KEY, 0);
            SHDeleteKeyW(root, kWebViewFolderPolicyKey);
        }
        SetEnvironmentVariableW(kWebViewFolderVariable, nullptr);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Pagevane Viewer", 0, KEY_SET_VALUE,
                          &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, kUseBrowserControlValue);
            RegCloseKey(key);
        }
        SetEnvironmentVariableA("PV_STANDIN_FAIL", nullptr);
    }
};

// The stand-in's test hooks, from the library the viewer loaded.
struct StandIn {
    HMODULE module = GetModuleHandleA("EmbeddedBrowserWebView.dll");
    template <class F>
    F Fn(const char* name) const {
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                      : nullptr;
    }
    std::string Get(const char* what) const {
        auto get = Fn<void (*)(const char*, char*, int)>("StandIn_Get");
        std::string buf(65536, '\0');
        if (!get)
            return "(no stand-in)";
        get(what, &buf[0], static_cast<int>(buf.size()));
        return buf.c_str();
    }
    void Reset() const {
        if (auto reset = Fn<void (*)()>("StandIn_Reset"))
            reset();
    }
    // Callbacks the stand-in has yet to deliver in the message loop.
    int Pending() const {
        auto pending = Fn<int (*)()>("StandIn_Pending");
        return pending ? pending() : 0;
    }
    int FollowLink(const wchar_t* uri, bool user) const {
        return Fn<int (*)(const wchar_t*, int)>("StandIn_FollowLink")(uri, user);
    }
    int FrameNavigate(const wchar_t* uri, bool user) const {
        return Fn<int (*)(const wchar_t*, int)>("StandIn_FrameNavigate")(uri, user);
    }
    int NewWindow(const wchar_t* uri, bool user) const {
        return Fn<int (*)(const wchar_t*, int)>("StandIn_NewWindow")(uri, user);
    }
    int Key(UINT vk, int kind) const { return Fn<int (*)(unsigned, int)>("StandIn_Key")(vk, kind); }
    void PostMessage(const wchar_t* text) const {
        Fn<void (*)(const wchar_t*)>("StandIn_PostMessage")(text);
    }
    int Download() const { return Fn<int (*)()>("StandIn_Download")(); }
    int MoveFocusOut(int reason) const { return Fn<int (*)(int)>("StandIn_MoveFocusOut")(reason); }
    int Request(const wchar_t* uri, std::string* type, std::string* body) const {
        std::string t(256, '\0'), b(65536, '\0');
        const int status = Fn<int (*)(const wchar_t*, char*, int, char*, int)>("StandIn_Request")(
            uri, &t[0], 256, &b[0], 65536);
        *type = t.c_str();
        *body = b.c_str();
        return status;
    }
    // A request with a method and headers ("Name: value" lines); the response's headers and
    // body (the first 64 KiB; *length is the whole body's).
    int Ask(const wchar_t* method, const wchar_t* uri, const std::string& headers,
            std::string* responseHeaders, std::string* body, int* length = nullptr) const {
        std::string h(4096, '\0'), b(65536, '\0');
        int n = 0;
        const int status =
            Fn<int (*)(const wchar_t*, const wchar_t*, const char*, char*, int, char*, int, int*)>(
                "StandIn_Ask")(method, uri, headers.c_str(), &h[0], 4096, &b[0], 65536, &n);
        *responseHeaders = h.c_str();
        b.resize(n < 65535 ? n : 65535);
        *body = b;
        if (length)
            *length = n;
        return status;
    }
    int RequestInBackground(const wchar_t* uri, const char* headers = "") const {
        return Fn<int (*)(const wchar_t*, const char*)>("StandIn_RequestInBackground")(uri,
                                                                                       headers);
    }
    void Step() const { Fn<void (*)()>("StandIn_Step")(); }
    // -1 while the body is being read; else its length, its digest and whether it was agile.
    int Background(unsigned* hash, bool* agile) const {
        int a = 0;
        const int n = Fn<int (*)(unsigned*, int*)>("StandIn_Background")(hash, &a);
        *agile = a != 0;
        return n;
    }
    int Permission(int kind) const { return Fn<int (*)(int)>("StandIn_Permission")(kind); }
    int ProcessFailed(int kind) const { return Fn<int (*)(int)>("StandIn_ProcessFailed")(kind); }
};
