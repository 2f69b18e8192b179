// Finding and starting the WebView2 runtime without its loader library: the runtime is found
// where the loader finds it, its client library for the viewer's architecture is loaded from
// there, and the library's environment-creating entry point is called directly.
//
// The order is the loader's (the SDK's documentation of CreateCoreWebView2EnvironmentWithOptions
// in WebView2.idl, and open-source loaders read for the registry's layout):
//   1. The environment variable WEBVIEW2_BROWSER_EXECUTABLE_FOLDER: a fixed-version runtime's
//      folder, absolute or relative to the program's own folder.
//   2. Else the policy: HKLM, then HKCU,
//      Software\Policies\Microsoft\Edge\WebView2\BrowserExecutableFolder, the value named
//      after the program's file name, else the one named "*": the same.
//      A folder from 1 or 2 must hold the library; when it does not, no runtime is used (the
//      administrator chose that runtime; another one is not taken in its place). A folder under
//      "\Edge\Application\" (a browser, not a runtime) is refused, as the loader refuses it.
//   3. Else the installed runtime, channel by channel (the runtime, then Beta, Dev and Canary of
//      the browser), machine-wide before per user: HKLM, then HKCU, 32-bit view,
//      Software\Microsoft\EdgeUpdate\ClientState\{channel}, value EBWebView: the version folder
//      ("...\EdgeWebView\Application\120.0.2210.91"), whose name is the version.
//   4. Else, as a last resort, the installer's client key: HKLM (both views) and HKCU
//      Software\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}, value pv
//      (the version), in the installer's default folder or the one its "location" names; the
//      highest version wins.
// The library is <folder>\EBWebView\x86\EmbeddedBrowserWebView.dll (x64, arm64 for those
// builds), where <folder> is the fixed-version folder or the version folder. The entry point
// (WebViewApi.h) exists from runtime 86.0.616.0, the first Evergreen release: older installed
// versions are passed over (a fixed-version folder has no version in its name; an older library
// there lacks the entry point, and the viewer then falls back as for any start failure).
#pragma once

#include <windows.h>

#include <string>

struct WebViewRuntime {
    std::wstring version;    // "120.0.2210.91"; empty for a fixed-version folder
    std::wstring clientDll;  // full path of the client library
    int runtimeType = 0;     // kWebViewRuntimeInstalled or kWebViewRuntimeFixedVersion
    const char* rule = "";   // which rule found it: "environment", "policy", "client state",
                             // "clients"
};

// The key of the WebView2 runtime's EdgeUpdate client, under Software\Microsoft.
extern const wchar_t kWebViewClientKey[];
// The installer's state key of the runtime (the stable channel), under Software\Microsoft.
extern const wchar_t kWebViewClientStateKey[];
// The policy key that names a fixed-version runtime's folder, per program.
extern const wchar_t kWebViewFolderPolicyKey[];
// The environment variable that names a fixed-version runtime's folder.
extern const wchar_t kWebViewFolderVariable[];
// The value under HKCU (or HKLM) Software\Tessaly\Pagevane Viewer that, when a non-zero DWORD,
// keeps the viewer on the system's web-browser control.
extern const char kUseBrowserControlValue[];

// Parses "a.b.c.d" (four decimal numbers); false for anything else.
bool ParseWebViewVersion(const std::wstring& text, unsigned version[4]);
// True when version is at least the first release with the entry point the viewer calls.
bool WebViewVersionUsable(const unsigned version[4]);
// Finds the runtime by the rules above; false when there is none (or an override names a folder
// without one).
bool FindWebViewRuntime(WebViewRuntime* found);
// True when the registry value above asks for the browser control.
bool BrowserControlForced();
// The runtime's data folder, %LOCALAPPDATA%\Pagevane Viewer\WebView2, created when missing;
// false when it cannot be created.
bool WebViewDataFolder(std::wstring* folder);
