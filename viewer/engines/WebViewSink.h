// The state of one WebView2 page engine and every handler the control calls: the start in its
// order, the control's events as IBrowserEvents, and the way back after a process of the runtime
// fails. CWebViewHost (WebViewHost.h) is the IPageEngine face of it.
//
// Start, in the order the runtime expects: the environment, then the control inside the
// container, its settings and event handlers, the filter for the book's origin, and the page
// script. The script runs in a page only once AddScriptToExecuteOnDocumentCreated has completed,
// so the first navigation waits for that completion; until then Navigate keeps the page asked
// for. A step that fails (or a script that cannot be added) reports OnEngineFailed, and the
// window falls back to the browser control.
//
// When the runtime's browser process fails, the control is closed for good: the sink starts a
// new environment and control and loads the page shown again. When a page's render process
// fails, the page is loaded again. A second failure within kRecoveryWindowMs of the last one
// reports OnEngineFailed instead (a runtime that keeps failing gets no more tries; the window
// shows the same page in the browser control), and nothing asks the reader anything.
//
// The control keeps references to the handlers and may call them after the host is gone (a start
// that finishes late); they then find m_live false and do nothing but close a control that
// arrives too late.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "book/BookWeb.h"
#include "platform/win/ComPtr.h"
#include "viewer/PageEngine.h"
#include "viewer/engines/WebViewApi.h"

class CBook;

// Failures of the runtime closer together than this end its use for the window's life.
const DWORD kRecoveryWindowMs = 60000;

class CWebViewSink final
    : public ComObject<
          CWebViewSink,
          ComItf<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                 &kIID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>,
          ComItf<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                 &kIID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>,
          ComItf<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
                 &kIID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>,
          ComItf<ICoreWebView2NavigationStartingEventHandler,
                 &kIID_ICoreWebView2NavigationStartingEventHandler>,
          ComItf<ICoreWebView2NavigationCompletedEventHandler,
                 &kIID_ICoreWebView2NavigationCompletedEventHandler>,
          ComItf<ICoreWebView2SourceChangedEventHandler,
                 &kIID_ICoreWebView2SourceChangedEventHandler>,
          ComItf<ICoreWebView2DocumentTitleChangedEventHandler,
                 &kIID_ICoreWebView2DocumentTitleChangedEventHandler>,
          ComItf<ICoreWebView2NewWindowRequestedEventHandler,
                 &kIID_ICoreWebView2NewWindowRequestedEventHandler>,
          ComItf<ICoreWebView2WebResourceRequestedEventHandler,
                 &kIID_ICoreWebView2WebResourceRequestedEventHandler>,
          ComItf<ICoreWebView2WebMessageReceivedEventHandler,
                 &kIID_ICoreWebView2WebMessageReceivedEventHandler>,
          ComItf<ICoreWebView2PermissionRequestedEventHandler,
                 &kIID_ICoreWebView2PermissionRequestedEventHandler>,
          ComItf<ICoreWebView2ProcessFailedEventHandler,
                 &kIID_ICoreWebView2ProcessFailedEventHandler>,
          ComItf<ICoreWebView2AcceleratorKeyPressedEventHandler,
                 &kIID_ICoreWebView2AcceleratorKeyPressedEventHandler>,
          ComItf<ICoreWebView2DownloadStartingEventHandler,
                 &kIID_ICoreWebView2DownloadStartingEventHandler>,
          ComItf<ICoreWebView2MoveFocusRequestedEventHandler,
                 &kIID_ICoreWebView2MoveFocusRequestedEventHandler>> {
  public:
    // frames: this sink hears frame navigations (NavigationStarting is one interface for both).
    CWebViewSink(CBook* book, IBrowserEvents* events, bool frames);

    // Starts the runtime through its entry point: the environment, then the rest of the start
    // from the completion handlers. False when the entry point refuses at once.
    bool Start(CreateWebViewEnvironmentFn create, int runtimeType, const std::wstring& dataFolder,
               HRESULT* result);
    // Navigates to a web address now, or once the start has completed.
    bool Navigate(const std::wstring& url);
    // Closes the control and drops every reference to the runtime's objects.
    void CloseControl();
    void Fail();
    void Fit();
    void Script(const std::wstring& script);
    void ApplyZoom();
    // The colour scheme pages prefer is the profile's (runtimes from 1.0.1210 on); an older
    // runtime keeps its own.
    void ApplyScheme();

    bool m_live = true;
    bool m_ready = false;  // the control is up and the page script installed
    bool m_failed = false;
    CBook* m_book;
    CBookSite m_site;  // the book's own origin
    IBrowserEvents* m_events;
    HWND m_container = nullptr;
    HWND m_find = nullptr;  // the Find dialog while it is open
    FINDREPLACEW m_findData = {};
    wchar_t m_findText[256] = {};
    CComPtr<ICoreWebView2Controller> m_controller;
    CComPtr<ICoreWebView2> m_view;
    int m_zoom = 2;
    int m_scheme = kWebViewSchemeAuto;  // what pages are asked to prefer
    bool m_visible = true;

    // The handlers, one Invoke for each event or completion.
    STDMETHODIMP Invoke(HRESULT hr, ICoreWebView2Environment* env) override;
    STDMETHODIMP Invoke(HRESULT hr, ICoreWebView2Controller* controller) override;
    STDMETHODIMP Invoke(HRESULT hr, LPCWSTR id) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2* sender, IUnknown*) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2Controller*,
                        ICoreWebView2AcceleratorKeyPressedEventArgs* args) override;
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) override;
    // Tab or Shift+Tab past the page's ends: the window takes the focus on.
    STDMETHODIMP Invoke(ICoreWebView2Controller*,
                        ICoreWebView2MoveFocusRequestedEventArgs* args) override;

  private:
    bool SetUp(ICoreWebView2Controller* controller);
    void Ready();
    void Recover(bool browserProcess);
    std::string BookSideUrl(const std::string& url) const;
    void Navigated(ICoreWebView2NavigationStartingEventArgs* args);

    bool m_frames;
    CWebViewSink* m_frameSink = nullptr;  // held while the control lives
    CreateWebViewEnvironmentFn m_create = nullptr;
    int m_runtimeType = 0;
    std::wstring m_dataFolder;
    CComPtr<ICoreWebView2Environment> m_env;
    std::wstring m_pending;    // a navigation asked for before the control was up
    std::string m_navigating;  // the e-book URL of the top-level navigation under way or shown
    DWORD m_lastFailure = 0;   // when the runtime last failed (0: never)
};
