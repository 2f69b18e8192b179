// The stand-in WebView2 runtime (tests/win32/viewer/standin) put into the test prefix as the
// real runtime's installer puts itself: a version folder holding
// EBWebView\x86\EmbeddedBrowserWebView.dll (x64 in a 64-bit build), and the EdgeUpdate client
// key with its version ("pv") and, when given, its folder ("location"). Everything installed is
// removed again by Uninstall (the library stays on disk once loaded: Windows keeps a loaded
// module's file).
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>

#include "viewer/engines/WebViewRuntime.h"

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
#ifdef _WIN64
        const char* arch = "x64";
#else
        const char* arch = "x86";
#endif
        const std::string dir = folder + "\\" + version + "\\EBWebView\\" + arch;
        SHCreateDirectoryExA(nullptr, dir.c_str(), nullptr);
        const std::string dll = dir + "\\EmbeddedBrowserWebView.dll";
        // A library loaded from there by an earlier test stays as it is.
        if (GetModuleHandleA(dll.c_str()) == nullptr &&
            !CopyFileA(library.c_str(), dll.c_str(), FALSE))
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
    // Removes the client keys and the viewer's switch; the failure mode is cleared.
    static void Uninstall() {
        SHDeleteKeyW(HKEY_CURRENT_USER, kWebViewClientKey);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kWebViewClientKey);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tessaly\\Pagevane Viewer", 0, KEY_SET_VALUE,
                          &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, kUseBrowserControlValue);
            RegCloseKey(key);
        }
        SetEnvironmentVariableA("PV_STANDIN_FAIL", nullptr);
    }
};
