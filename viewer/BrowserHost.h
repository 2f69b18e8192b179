// A thin host for the system's web-browser control (CLSID_WebBrowser) inside a window.
//
// The host is a small OLE container (client site, in-place site and frame, document host UI
// handler) plus a DWebBrowserEvents2 sink; it knows nothing of books. The window hears about
// navigation through IBrowserEvents and decides what to do, so that the content side stays
// testable without COM.
//
// Pages from the book are trusted like local content: the site offers an
// IInternetSecurityManager service that puts "e-book:" URLs into the trusted zone and allows
// every URL action for them, so the control raises no blocked-content prompts for the book's
// own scripts and images.
#pragma once

#include <windows.h>
#include <docobj.h>

#include <string>

class IBrowserEvents {
  public:
    virtual ~IBrowserEvents() = default;
    // A navigation is about to start; return true to cancel it. topLevel is false for frames.
    virtual bool OnBeforeNavigate(const std::string& url, bool topLevel) = 0;
    virtual void OnNavigateComplete(const std::string& url, bool topLevel) = 0;
    virtual void OnNavigateError(const std::string& url, bool topLevel, long status) = 0;
    virtual void OnTitleChange(const std::string& title) = 0;
};

class CHostSite;

class CBrowserHost {
  public:
    CBrowserHost();
    ~CBrowserHost();
    CBrowserHost(const CBrowserHost&) = delete;
    CBrowserHost& operator=(const CBrowserHost&) = delete;

    // Creates the control in place inside parent, covering rect. Returns false, with the reason
    // in *error, when the control cannot be created or activated (the host is then unusable but
    // harmless). OLE must be initialised on this thread. browserClass is the control's class
    // (CLSID_WebBrowser when null; tests pass an unregistered one to see the failure path).
    bool Create(HWND parent, const RECT& rect, IBrowserEvents* events, std::string* error,
                const CLSID* browserClass = nullptr);
    void Destroy();
    bool IsCreated() const;

    void SetRect(const RECT& rect);
    void Show(bool show);
    // Starts a navigation; false when the control refuses it (or there is none).
    bool Navigate(const std::string& url);
    // Runs a command of the control (copy, print, zoom); false when it fails.
    bool Exec(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT* out);
    // Gives the control a chance at keyboard messages meant for it (Tab, shortcuts of the page).
    bool TranslateAccelerator(MSG* msg);
    // The document shown (an IDispatch with a new reference), or nullptr.
    IDispatch* GetDocument() const;
    // The control's own top window, or nullptr.
    HWND GetControlWindow() const;

  private:
    CHostSite* m_site = nullptr;
};
