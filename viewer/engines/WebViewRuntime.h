// Finding and starting the WebView2 runtime without its loader library: the Evergreen runtime
// is found where its installer records it, its client library for the viewer's architecture is
// loaded from there, and the library's environment-creating entry point is called directly.
//
//   HKLM (both registry views) and HKCU
//     Software\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}
//       pv        the runtime's version, "120.0.2210.91" ("0.0.0.0" or missing: not installed)
//       location  the runtime's folder (if missing: the installer's default folder,
//                 Microsoft\EdgeWebView\Application under Program Files (x86) for a
//                 machine-wide runtime, under the local application data for a per-user one)
//   <folder>\<pv>\EBWebView\x86\EmbeddedBrowserWebView.dll   (x64, arm64 for those builds)
//
// The entry point (WebViewApi.h) exists from runtime 86.0.616.0, the first Evergreen release;
// older versions are passed over. The highest usable version wins.
#pragma once

#include <windows.h>

#include <string>

struct WebViewRuntime {
    std::wstring version;    // "120.0.2210.91"
    std::wstring clientDll;  // full path of the client library
};

// The key of the WebView2 runtime's EdgeUpdate client, under Software\Microsoft.
extern const wchar_t kWebViewClientKey[];
// The value under HKCU (or HKLM) Software\Tessaly\Pagevane Viewer that, when a non-zero DWORD,
// keeps the viewer on the system's web-browser control.
extern const char kUseBrowserControlValue[];

// Parses "a.b.c.d" (four decimal numbers); false for anything else.
bool ParseWebViewVersion(const std::wstring& text, unsigned version[4]);
// True when version is at least the first release with the entry point the viewer calls.
bool WebViewVersionUsable(const unsigned version[4]);
// Finds the installed runtime whose client library exists; false when there is none.
bool FindWebViewRuntime(WebViewRuntime* found);
// True when the registry value above asks for the browser control.
bool BrowserControlForced();
// The runtime's data folder, %LOCALAPPDATA%\Pagevane Viewer\WebView2, created when missing;
// false when it cannot be created.
bool WebViewDataFolder(std::wstring* folder);
