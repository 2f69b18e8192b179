// A thin host for the system's web-browser control (CLSID_WebBrowser) inside a window: the
// engine that draws the pages where WebView2 is missing (PageEngine.h).
//
// The host is a small OLE container (client site, in-place site and frame, document host UI
// handler) plus a DWebBrowserEvents2 sink; it knows nothing of books. The window hears about
// navigation through IBrowserEvents and decides what to do, so that the content side stays
// testable without COM.
//
// Pages from the book get the least they need: the site offers an IInternetSecurityManager
// service that puts "e-book:" URLs into the Internet zone and answers their URL actions itself
// (BookPageUrlPolicy), so the book's own scripts, images and style sheets run without prompts
// while unsafe ActiveX, cross-domain data, downloads and file access are refused. Script errors
// never raise a dialog, and the control's own context menu never shows.
#pragma once

#include <windows.h>
#include <docobj.h>

#include <string>
#include <vector>

#include "viewer/PageEngine.h"

// The answer to a URL action (URLACTION_...) for a book page: URLPOLICY_ALLOW,
// URLPOLICY_DISALLOW, or kPolicyDefault to let the zone decide.
const DWORD kPolicyDefault = 0xFFFFFFFF;
DWORD BookPageUrlPolicy(DWORD action);

class CHostSite;

class CBrowserHost : public IPageEngine {
  public:
    CBrowserHost();
    ~CBrowserHost() override;
    CBrowserHost(const CBrowserHost&) = delete;
    CBrowserHost& operator=(const CBrowserHost&) = delete;

    // Creates the control in place inside parent, covering rect. Returns false, with the reason
    // in *error, when the control cannot be created or activated (the host is then unusable but
    // harmless). OLE must be initialised on this thread. browserClass is the control's class
    // (CLSID_WebBrowser when null; tests pass an unregistered one to see the failure path).
    bool Create(HWND parent, const RECT& rect, IBrowserEvents* events, std::string* error,
                const CLSID* browserClass);
    bool Create(HWND parent, const RECT& rect, IBrowserEvents* events,
                std::string* error) override {
        return Create(parent, rect, events, error, nullptr);
    }
    void Destroy() override;
    bool IsCreated() const override;
    const char* Kind() const override { return "browser-control"; }

    void SetRect(const RECT& rect) override;
    void Show(bool show) override;
    void Focus() override;
    // Starts a navigation; false when the control refuses it (or there is none).
    bool Navigate(const std::string& url) override;
    bool Run(PageCommand command) override;
    void SetTextSize(int size) override;
    void MarkHits(const std::vector<std::string>& terms) override;
    void SelectNextHit(const std::vector<std::string>& terms) override;
    // Runs a command of the control (copy, print, zoom); false when it fails.
    bool Exec(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out);
    // Gives the control a chance at keyboard messages meant for it (Tab, shortcuts of the page).
    bool TranslateAccelerator(MSG* msg) override;
    // The document shown (an IDispatch with a new reference), or nullptr.
    IDispatch* GetDocument() const;
    // True while the reader types in the page (a text field, a list or editable content has
    // the focus), where keys such as Backspace belong to the page.
    bool IsEditing() const override;
    // The control's own top window, or nullptr.
    HWND GetControlWindow() const override;
    // The container object the control talks to (for checks of its answers), or nullptr.
    IUnknown* GetSite() const;

  private:
    CHostSite* m_site = nullptr;
};
