// The engine that draws the book's pages, as the main window sees it: the system's web-browser
// control (CBrowserHost) or WebView2 (CWebViewHost). The window, its toolbar, keys and contents
// pane speak only to this interface and hear back through IBrowserEvents, so they work alike
// whichever engine draws.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class IBrowserEvents {
  public:
    // Who started a navigation, as far as the engine knows: the browser control does not say,
    // so the window judges by the reader's last click; WebView2 reports it.
    enum class Starter { unknown, reader, page };

    virtual ~IBrowserEvents() = default;
    // A navigation is about to start; return true to cancel it. topLevel is false for frames.
    virtual bool OnBeforeNavigate(const std::string& url, bool topLevel,
                                  Starter starter = Starter::unknown) = 0;
    virtual void OnNavigateComplete(const std::string& url, bool topLevel) = 0;
    virtual void OnNavigateError(const std::string& url, bool topLevel, long status) = 0;
    virtual void OnTitleChange(const std::string& title) = 0;
    // The page asks for a new window (target=_blank, window.open); the engine never opens one.
    // userStarted: the engine says the reader's click asked for it.
    virtual void OnNewWindow(const std::string&, bool /*userStarted*/) {}
    // The reader asks for a context menu at pt (screen); the engine's own is never shown.
    virtual void OnContextMenu(POINT) {}
    // A key pressed on the page that the engine does not keep to itself (WebView2 reports keys
    // with Ctrl or Alt, function keys and Esc here); true when the viewer acted on it.
    virtual bool OnPageKey(UINT /*vk*/, bool /*systemKey*/) { return false; }
    // Ctrl+wheel over the page: one step of the text size up or down.
    virtual void OnWheelZoom(bool /*larger*/) {}
    // The engine stopped working after it was created (WebView2's runtime failed to start);
    // the window replaces it with the browser control.
    virtual void OnEngineFailed() {}
    // The page gave the focus away (Tab past its last element, Shift+Tab past its first): the
    // window moves it on to the next part of the window, or the previous one.
    virtual void OnFocusLeave(bool /*forward*/) {}
};

// The colours a page is asked to prefer (CSS prefers-color-scheme): the engine's own choice,
// which follows the system, or light or dark.
enum class PageScheme { automatic, light, dark };

// The commands the window hands to the engine.
enum class PageCommand { copy, selectAll, findInPage, print };

class IPageEngine {
  public:
    virtual ~IPageEngine() = default;
    // Creates the engine inside parent, covering rect. False, with the reason in *error, when it
    // cannot be created (the engine is then unusable but harmless).
    virtual bool Create(HWND parent, const RECT& rect, IBrowserEvents* events,
                        std::string* error) = 0;
    virtual void Destroy() = 0;
    virtual bool IsCreated() const = 0;
    // "browser-control" or "webview2".
    virtual const char* Kind() const = 0;

    virtual void SetRect(const RECT& rect) = 0;
    virtual void Show(bool show) = 0;
    virtual void Focus() = 0;
    // Starts a navigation to an e-book (or outside) URL; false when the engine refuses it.
    virtual bool Navigate(const std::string& url) = 0;
    virtual bool Run(PageCommand command) = 0;
    // The text size, 0 (smallest) to 4 (largest).
    virtual void SetTextSize(int size) = 0;
    // Marks the terms (UTF-8) on the page shown and selects the first; F3 then selects the next.
    virtual void MarkHits(const std::vector<std::string>& terms) = 0;
    virtual void SelectNextHit(const std::vector<std::string>& terms) = 0;
    // Gives the engine a chance at keyboard messages of the viewer's message loop.
    virtual bool TranslateAccelerator(MSG* msg) = 0;
    // True while the reader types in the page (where Backspace belongs to the page).
    virtual bool IsEditing() const = 0;
    // The engine's own window, or nullptr.
    virtual HWND GetControlWindow() const = 0;
    // The colours pages should prefer; an engine without the setting keeps its own (the browser
    // control's pages stay light).
    virtual void SetPageScheme(PageScheme) {}
};
