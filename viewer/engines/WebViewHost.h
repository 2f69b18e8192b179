// The book's pages drawn by WebView2 (the Chromium-based control of current Windows).
//
// The host finds and starts the runtime itself (WebViewRuntime.h) and puts the control into a
// child window of its own. Pages are never read from disk: the control is pointed at the book's
// own origin, which can never resolve (BookWeb.h), and every request under it is answered from
// the book (WebViewResources.h). Navigations and new windows go through IBrowserEvents as the
// browser control's do, keys with Ctrl or Alt, function keys and Esc reach the viewer first, and
// the control's own context menu, status bar, developer tools, autofill, password saving,
// zoom and browser keys are off; downloads are cancelled and permission requests denied.
//
// Starting the runtime finishes later, in the message loop (WebViewSink.h: the start in its
// order, and the way back when a process of the runtime fails). Until then navigations wait;
// when it fails on the way, the host reports OnEngineFailed and the window falls back to the
// browser control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "viewer/PageEngine.h"

class CBook;
class CWebViewSink;

class CWebViewHost : public IPageEngine {
  public:
    explicit CWebViewHost(CBook& book);
    ~CWebViewHost() override;
    CWebViewHost(const CWebViewHost&) = delete;
    CWebViewHost& operator=(const CWebViewHost&) = delete;

    // Finds the runtime and starts it; false (with the reason) when the registry switch asks for
    // the browser control, no usable runtime is installed, its library does not load or refuses
    // to start, or the data folder cannot be created.
    bool Create(HWND parent, const RECT& rect, IBrowserEvents* events, std::string* error) override;
    void Destroy() override;
    bool IsCreated() const override;
    const char* Kind() const override { return "webview2"; }
    void SetRect(const RECT& rect) override;
    void Show(bool show) override;
    void Focus() override;
    bool Navigate(const std::string& url) override;
    bool Run(PageCommand command) override;
    void SetTextSize(int size) override;
    void MarkHits(const std::vector<std::string>& terms) override;
    void SelectNextHit(const std::vector<std::string>& terms) override;
    bool TranslateAccelerator(MSG* msg) override;
    bool IsEditing() const override { return false; }
    HWND GetControlWindow() const override;
    void SetPageScheme(PageScheme scheme) override;

    // The zoom factor of each text size, smallest to largest.
    static double ZoomFactor(int size);

  private:
    CBook& m_book;
    CWebViewSink* m_sink = nullptr;  // one reference, dropped by Destroy
};
