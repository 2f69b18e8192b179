#include "viewer/engines/WebViewSink.h"

#include "book/Book.h"
#include "book/BookUrl.h"
#include "book/BookWeb.h"
#include "platform/win/WinText.h"
#include "viewer/engines/WebViewHost.h"
#include "viewer/engines/WebViewResources.h"

namespace {

const int kOperationCanceled = 14;  // COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED

}  // namespace

CWebViewSink::CWebViewSink(CBook* book, IBrowserEvents* events, bool frames)
    : m_book(book), m_site(BookWebOrigin(book->GetPath())), m_events(events), m_frames(frames) {}

bool CWebViewSink::Start(CreateWebViewEnvironmentFn create, int runtimeType,
                         const std::wstring& dataFolder, HRESULT* result) {
    m_create = create;
    m_runtimeType = runtimeType;
    m_dataFolder = dataFolder;
    const HRESULT hr =
        create(TRUE, runtimeType, dataFolder.c_str(), nullptr,
               static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this));
    if (result)
        *result = hr;
    return SUCCEEDED(hr);
}

bool CWebViewSink::Navigate(const std::wstring& url) {
    if (!m_ready) {
        m_pending = url;
        return true;
    }
    return SUCCEEDED(m_view->Navigate(url.c_str()));
}

void CWebViewSink::CloseControl() {
    m_ready = false;
    if (m_controller)
        m_controller->Close();
    m_view.Release();
    m_controller.Release();
    m_env.Release();
    if (m_frameSink) {
        m_frameSink->m_live = false;
        m_frameSink->Release();
        m_frameSink = nullptr;
    }
}

void CWebViewSink::Fail() {
    if (m_failed || !m_live)
        return;
    m_failed = true;
    if (m_events)
        m_events->OnEngineFailed();
}

void CWebViewSink::Fit() {
    if (!m_controller || !m_container)
        return;
    RECT rc;
    GetClientRect(m_container, &rc);
    m_controller->put_Bounds(rc);
}

void CWebViewSink::Script(const std::wstring& script) {
    if (m_view)
        m_view->ExecuteScript(script.c_str(), nullptr);
}

void CWebViewSink::ApplyZoom() {
    if (m_controller)
        m_controller->put_ZoomFactor(CWebViewHost::ZoomFactor(m_zoom));
}

void CWebViewSink::ApplyScheme() {
    CComPtr<ICoreWebView2_13> view13;
    CComPtr<ICoreWebView2Profile> profile;
    if (m_view && SUCCEEDED(m_view->QueryInterface(kIID_ICoreWebView2_13, view13.Out())) &&
        SUCCEEDED(view13->get_Profile(&profile)) && profile)
        profile->put_PreferredColorScheme(m_scheme);
}

HRESULT CWebViewSink::Invoke(ICoreWebView2Controller*,
                             ICoreWebView2MoveFocusRequestedEventArgs* args) {
    int reason = kWebViewFocusProgrammatic;
    if (!m_live || !args || FAILED(args->get_Reason(&reason)) ||
        reason == kWebViewFocusProgrammatic)
        return S_OK;
    args->put_Handled(TRUE);
    if (m_events)
        m_events->OnFocusLeave(reason == kWebViewFocusNext);
    return S_OK;
}

std::string CWebViewSink::BookSideUrl(const std::string& url) const {
    std::string book;
    return m_site.BookUrl(url, &book) ? book : url;
}

// Environment created: the control comes next, inside the container.
STDMETHODIMP CWebViewSink::Invoke(HRESULT hr, ICoreWebView2Environment* env) {
    if (!m_live)
        return S_OK;
    if (SUCCEEDED(hr) && env)
        m_env.CopyFrom(env);
    if (!m_env ||
        FAILED(m_env->CreateCoreWebView2Controller(
            m_container,
            static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this)))) {
        m_env.Release();
        Fail();
    }
    return S_OK;
}

// The control is up: settings, events, the filter for the book's origin, then the page script.
STDMETHODIMP CWebViewSink::Invoke(HRESULT hr, ICoreWebView2Controller* controller) {
    if (!m_live || m_controller) {
        if (controller)
            controller->Close();
        return S_OK;
    }
    if (FAILED(hr) || !controller || !SetUp(controller)) {
        if (controller)
            controller->Close();
        CloseControl();
        Fail();
    }
    return S_OK;
}

bool CWebViewSink::SetUp(ICoreWebView2Controller* controller) {
    m_controller.CopyFrom(controller);
    if (FAILED(controller->get_CoreWebView2(&m_view)) || !m_view)
        return false;
    CComPtr<ICoreWebView2Settings> settings;
    if (FAILED(m_view->get_Settings(&settings)) || !settings)
        return false;
    settings->put_AreDevToolsEnabled(FALSE);
    settings->put_IsStatusBarEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(FALSE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_AreHostObjectsAllowed(FALSE);
    settings->put_IsWebMessageEnabled(TRUE);
    CComPtr<ICoreWebView2Settings3> settings3;
    if (SUCCEEDED(settings->QueryInterface(kIID_ICoreWebView2Settings3, settings3.Out())))
        settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    CComPtr<ICoreWebView2Settings4> settings4;
    if (SUCCEEDED(settings->QueryInterface(kIID_ICoreWebView2Settings4, settings4.Out()))) {
        settings4->put_IsPasswordAutosaveEnabled(FALSE);
        settings4->put_IsGeneralAutofillEnabled(FALSE);
    }
    WebViewEventToken token = {0};
    ICoreWebView2* v = m_view.Get();
    m_frameSink = new CWebViewSink(m_book, m_events, true);
    const std::wstring filter = CWinText::Wide(m_site.Origin() + "*");
    // The page script comes last: its completion starts the first navigation.
    const bool ok =
        SUCCEEDED(v->add_NavigationStarting(this, &token)) &&
        SUCCEEDED(v->add_FrameNavigationStarting(m_frameSink, &token)) &&
        SUCCEEDED(v->add_NavigationCompleted(this, &token)) &&
        SUCCEEDED(v->add_SourceChanged(this, &token)) &&
        SUCCEEDED(v->add_DocumentTitleChanged(this, &token)) &&
        SUCCEEDED(v->add_NewWindowRequested(this, &token)) &&
        SUCCEEDED(v->add_WebResourceRequested(this, &token)) &&
        SUCCEEDED(v->AddWebResourceRequestedFilter(filter.c_str(), kWebViewResourceContextAll)) &&
        SUCCEEDED(v->add_WebMessageReceived(this, &token)) &&
        SUCCEEDED(v->add_PermissionRequested(this, &token)) &&
        SUCCEEDED(v->add_ProcessFailed(this, &token)) &&
        SUCCEEDED(controller->add_AcceleratorKeyPressed(this, &token)) &&
        SUCCEEDED(v->AddScriptToExecuteOnDocumentCreated(
            CWinText::Wide(ViewerPageScript(), CP_UTF8).c_str(),
            static_cast<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*>(this)));
    if (!ok)
        return false;
    // Downloads need a runtime from mid-2021 on; an older one has no way to start them
    // from a page that only the book's origin serves.
    CComPtr<ICoreWebView2_4> view4;
    if (SUCCEEDED(v->QueryInterface(kIID_ICoreWebView2_4, view4.Out())))
        view4->add_DownloadStarting(this, &token);
    controller->add_MoveFocusRequested(this, &token);
    Fit();
    controller->put_IsVisible(m_visible ? TRUE : FALSE);
    ApplyZoom();
    ApplyScheme();
    // The keys go to the page at once when the viewer's window is the active one.
    if (GetForegroundWindow() == GetAncestor(m_container, GA_ROOT))
        controller->MoveFocus(0);  // COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC
    return true;
}

// The page script is installed: pages may load.
STDMETHODIMP CWebViewSink::Invoke(HRESULT hr, LPCWSTR) {
    if (!m_live || !m_view || m_ready)
        return S_OK;
    if (FAILED(hr)) {
        CloseControl();
        Fail();
        return S_OK;
    }
    Ready();
    return S_OK;
}

void CWebViewSink::Ready() {
    m_ready = true;
    if (!m_pending.empty()) {
        const std::wstring url = m_pending;
        m_pending.clear();
        m_view->Navigate(url.c_str());
    }
}

void CWebViewSink::Recover(bool browserProcess) {
    const DWORD now = GetTickCount() | 1;  // 0 means "never"
    const bool again = m_lastFailure != 0 && now - m_lastFailure < kRecoveryWindowMs;
    m_lastFailure = now;
    if (again) {
        CloseControl();
        Fail();
        return;
    }
    if (!browserProcess) {
        if (m_view)
            m_view->Reload();
        return;
    }
    // The page shown (or the one under way) comes back in a new control.
    if (m_pending.empty() && !m_navigating.empty())
        m_pending = CWinText::Wide(m_site.WebUrl(m_navigating));
    CloseControl();
    if (!m_create || !Start(m_create, m_runtimeType, m_dataFolder, nullptr))
        Fail();
}

void CWebViewSink::Navigated(ICoreWebView2NavigationStartingEventArgs* args) {
    LPWSTR uri = nullptr;
    BOOL user = FALSE;
    if (FAILED(args->get_Uri(&uri)))
        return;
    const std::string raw = TakeWebViewString(uri);
    const std::string url = BookSideUrl(raw);
    args->get_IsUserInitiated(&user);
    const bool topLevel = !m_frames;
    bool cancel = m_events->OnBeforeNavigate(
        url, topLevel, user ? IBrowserEvents::Starter::reader : IBrowserEvents::Starter::page);
    // Nothing but the book's own pages loads inside the viewer.
    if (!cancel && !IsBookUrl(url) && url != "about:blank")
        cancel = true;
    if (cancel) {
        args->put_Cancel(TRUE);
    } else if (IsBookUrl(raw)) {
        // A link written with the book's own scheme (as pages made for the browser control
        // address each other): the engine cannot load that scheme, so the page it names is
        // opened at the book's origin instead.
        args->put_Cancel(TRUE);
        if (topLevel && m_view)
            m_view->Navigate(CWinText::Wide(m_site.WebUrl(raw)).c_str());
    } else if (topLevel) {
        m_navigating = url;
    }
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    if (m_live && args && m_events)
        Navigated(args);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) {
    if (!m_live || !args || !m_events)
        return S_OK;
    BOOL success = FALSE;
    int status = 0;
    args->get_IsSuccess(&success);
    args->get_WebErrorStatus(&status);
    // A cancelled navigation (an outside link, or one replaced by the next) is no failure.
    if (!success && status == kOperationCanceled)
        return S_OK;
    const std::string url = m_navigating;
    if (success)
        m_events->OnNavigateComplete(url, true);
    else
        m_events->OnNavigateError(url, true, status);
    return S_OK;
}

// A jump within the page (a fragment) has no navigation events of its own.
STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) {
    BOOL isNew = TRUE;
    LPWSTR source = nullptr;
    if (!m_live || !args || !m_events || !m_view || FAILED(args->get_IsNewDocument(&isNew)) ||
        isNew || FAILED(m_view->get_Source(&source)))
        return S_OK;
    m_navigating = BookSideUrl(TakeWebViewString(source));
    m_events->OnNavigateComplete(m_navigating, true);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2* sender, IUnknown*) {
    LPWSTR title = nullptr;
    if (m_live && m_events && sender && SUCCEEDED(sender->get_DocumentTitle(&title)))
        m_events->OnTitleChange(TakeWebViewString(title));
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    if (!args)
        return S_OK;
    // Never a window of the control's own: book pages open in place, web links go out.
    args->put_Handled(TRUE);
    LPWSTR uri = nullptr;
    BOOL user = FALSE;
    if (!m_live || !m_events || FAILED(args->get_Uri(&uri)))
        return S_OK;
    args->get_IsUserInitiated(&user);
    m_events->OnNewWindow(BookSideUrl(TakeWebViewString(uri)), user != FALSE);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*,
                                  ICoreWebView2WebResourceRequestedEventArgs* args) {
    if (m_live && m_book)
        AnswerWebResourceRequest(m_env.Get(), *m_book, m_site, args);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    LPWSTR text = nullptr;
    if (!m_live || !m_events || !args || FAILED(args->TryGetWebMessageAsString(&text)))
        return S_OK;
    const std::string message = TakeWebViewString(text);
    if (message == "contextmenu") {
        POINT pt;
        GetCursorPos(&pt);
        m_events->OnContextMenu(pt);
    } else if (message == "text-larger" || message == "text-smaller") {
        m_events->OnWheelZoom(message == "text-larger");
    }
    return S_OK;
}

// A book is read, not a place that watches, listens, locates or notifies: camera, microphone,
// location, notifications, the clipboard's contents and the rest are denied without a prompt.
// (Copying to the clipboard needs no permission; the viewer's Copy works.)
STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
    if (args)
        args->put_State(kWebViewPermissionDeny);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
    int kind = -1;
    if (!m_live || !args || FAILED(args->get_ProcessFailedKind(&kind)))
        return S_OK;
    if (kind == kWebViewBrowserProcessExited || kind == kWebViewRenderProcessExited)
        Recover(kind == kWebViewBrowserProcessExited);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2Controller*,
                                  ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    int kind = 0;
    UINT key = 0;
    if (!m_live || !m_events || !args || FAILED(args->get_KeyEventKind(&kind)) ||
        FAILED(args->get_VirtualKey(&key)))
        return S_OK;
    if ((kind == kWebViewKeyDown || kind == kWebViewSystemKeyDown) &&
        m_events->OnPageKey(key, kind == kWebViewSystemKeyDown))
        args->put_Handled(TRUE);
    return S_OK;
}

STDMETHODIMP CWebViewSink::Invoke(ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) {
    // A book is read, never saved from: no download starts, and no dialog asks.
    if (args) {
        args->put_Cancel(TRUE);
        args->put_Handled(TRUE);
    }
    return S_OK;
}
