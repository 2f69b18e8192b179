// A stand-in for the WebView2 runtime's client library, for the viewer's tests under Wine (where
// the real runtime does not run). Installed in the test prefix as the real runtime is, it
// exports the same entry point and implements the interfaces the viewer uses: environment,
// controller, web view with its events and settings, web resource requests answered by the
// viewer (StandInResources.cpp), ExecuteScript, zoom. Pages are "loaded" by asking the viewer
// for them through WebResourceRequested; the page's title is read from its bytes. Like the
// runtime, it completes AddScriptToExecuteOnDocumentCreated later, in the message loop.
//
// The tests drive it through the StandIn_* exports (a click on a link, a new window, a key, a
// message from the page script, a download, a permission request, a failed process) and read
// back what the viewer set. The environment variable PV_STANDIN_FAIL makes it fail (StandIn.h).
#include <cstdio>

#include "StandInArgs.h"

Record g_record;

std::string FailMode() {
    char buf[64] = {};
    GetEnvironmentVariableA("PV_STANDIN_FAIL", buf, sizeof(buf));
    return buf;
}

namespace {

std::vector<std::function<void()>>& Queue() {
    static std::vector<std::function<void()>> q;
    return q;
}

void CALLBACK Drain(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::vector<std::function<void()>> work;
    work.swap(Queue());
    for (auto& w : work)
        w();
}

}  // namespace

void Later(std::function<void()> fn) {
    Queue().push_back(std::move(fn));
    SetTimer(nullptr, 0, 1, Drain);
}

namespace {

class CEnvironment;

class CWebView final
    : public ComObject<CWebView, ComItf<ICoreWebView2_13, &kIID_ICoreWebView2_13,
                                        &kIID_ICoreWebView2_4, &kIID_ICoreWebView2>> {
  public:
    explicit CWebView(CEnvironment* env) : m_env(env) {}
    CEnvironment* m_env;  // lives as long as the process
    CComPtr<CSettings> m_settings{new CSettings};
    std::wstring m_source, m_title;
    std::vector<std::wstring> m_filters;
    Handlers<ICoreWebView2NavigationStartingEventHandler> m_starting, m_frameStarting;
    Handlers<ICoreWebView2NavigationCompletedEventHandler> m_completed;
    Handlers<ICoreWebView2SourceChangedEventHandler> m_sourceChanged;
    Handlers<ICoreWebView2DocumentTitleChangedEventHandler> m_titleChanged;
    Handlers<ICoreWebView2NewWindowRequestedEventHandler> m_newWindow;
    Handlers<ICoreWebView2WebResourceRequestedEventHandler> m_resource;
    Handlers<ICoreWebView2WebMessageReceivedEventHandler> m_message;
    Handlers<ICoreWebView2DownloadStartingEventHandler> m_download;

    Handlers<ICoreWebView2PermissionRequestedEventHandler> m_permission;
    Handlers<ICoreWebView2ProcessFailedEventHandler> m_processFailed;
    bool m_closed = false;  // the browser process failed: the control is closed for good

    ResourceTarget Target() {
        ResourceTarget t;
        t.view = this;
        t.handlers = &m_resource;
        t.filters = &m_filters;
        return t;
    }
    // Fires NavigationStarting on handlers; true when one cancelled.
    bool Starting(Handlers<ICoreWebView2NavigationStartingEventHandler>& handlers,
                  const std::wstring& uri, bool user) {
        CComPtr<CNavigationArgs> args(new CNavigationArgs);
        args->uri = uri;
        args->user = user ? TRUE : FALSE;
        handlers.Each(
            [&](ICoreWebView2NavigationStartingEventHandler* h) { h->Invoke(this, args.Get()); });
        return args->cancel != FALSE;
    }
    void Completed(bool success, int status) {
        CComPtr<CCompletedArgs> args(new CCompletedArgs);
        args->success = success ? TRUE : FALSE;
        args->status = status;
        m_completed.Each(
            [&](ICoreWebView2NavigationCompletedEventHandler* h) { h->Invoke(this, args.Get()); });
    }
    void SourceChanged(bool isNew) {
        CComPtr<CSourceArgs> args(new CSourceArgs);
        args->isNew = isNew ? TRUE : FALSE;
        m_sourceChanged.Each(
            [&](ICoreWebView2SourceChangedEventHandler* h) { h->Invoke(this, args.Get()); });
    }
    // A top-level navigation, as the runtime runs one; true when it was cancelled.
    bool Load(const std::wstring& uri, bool user) {
        const size_t hash = uri.find(L'#');
        const std::wstring doc = uri.substr(0, hash);
        if (!m_source.empty() && hash != std::wstring::npos &&
            doc == m_source.substr(0, m_source.find(L'#'))) {
            m_source = uri;  // a jump within the page shown
            SourceChanged(false);
            return false;
        }
        if (Starting(m_starting, uri, user)) {
            Completed(false, 14);  // OPERATION_CANCELED
            return true;
        }
        if (!Filtered(m_filters, uri)) {
            Completed(uri == L"about:blank", uri == L"about:blank" ? 0 : 13);
            return false;
        }
        CComPtr<CResponse> r = AskViewer(Target(), L"GET", uri, "");
        if (!r) {
            Completed(false, 13);  // HOST_NAME_NOT_RESOLVED: nobody answered
            return false;
        }
        m_source = uri;
        const std::string body = ReadAll(r->content.Get());
        const size_t open = body.find("<title>");
        const size_t close = body.find("</title>");
        m_title = open != std::string::npos && close > open
                      ? Wide(body.substr(open + 7, close - open - 7))
                      : uri;
        SourceChanged(true);
        m_titleChanged.Each(
            [&](ICoreWebView2DocumentTitleChangedEventHandler* h) { h->Invoke(this, nullptr); });
        Completed(r->status < 400, 0);
        return false;
    }

    STDMETHODIMP get_Settings(ICoreWebView2Settings** out) override {
        *out = m_settings.Get();
        m_settings->AddRef();
        return S_OK;
    }
    STDMETHODIMP get_Source(LPWSTR* out) override {
        *out = CoString(m_source);
        return S_OK;
    }
    STDMETHODIMP Navigate(LPCWSTR uri) override {
        if (!uri)
            return E_INVALIDARG;
        if (m_closed)
            return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
        const std::wstring target = uri;
        g_record.navigated += Utf8(uri) + "\n";
        g_record.order += "navigate " + Utf8(uri) + "\n";
        AddRef();
        Later([this, target] {
            Load(target, false);
            Release();
        });
        return S_OK;
    }
    SLOT(NavigateToString)
    STDMETHODIMP add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                        WebViewEventToken* t) override {
        m_starting.Add(h, t);
        return S_OK;
    }
    SLOT(remove_NavigationStarting)
    SLOT(add_ContentLoading)
    SLOT(remove_ContentLoading)
    STDMETHODIMP add_SourceChanged(ICoreWebView2SourceChangedEventHandler* h,
                                   WebViewEventToken* t) override {
        m_sourceChanged.Add(h, t);
        return S_OK;
    }
    SLOT(remove_SourceChanged)
    SLOT(add_HistoryChanged)
    SLOT(remove_HistoryChanged)
    STDMETHODIMP add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                         WebViewEventToken* t) override {
        m_completed.Add(h, t);
        return S_OK;
    }
    SLOT(remove_NavigationCompleted)
    STDMETHODIMP add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                             WebViewEventToken* t) override {
        m_frameStarting.Add(h, t);
        return S_OK;
    }
    SLOT(remove_FrameNavigationStarting)
    SLOT(add_FrameNavigationCompleted)
    SLOT(remove_FrameNavigationCompleted)
    SLOT(add_ScriptDialogOpening)
    SLOT(remove_ScriptDialogOpening)
    STDMETHODIMP add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* h,
                                         WebViewEventToken* t) override {
        m_permission.Add(h, t);
        return S_OK;
    }
    SLOT(remove_PermissionRequested)
    STDMETHODIMP add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* h,
                                   WebViewEventToken* t) override {
        m_processFailed.Add(h, t);
        return S_OK;
    }
    SLOT(remove_ProcessFailed)
    // Ready later, as in the runtime: a page loaded before the completion runs without it.
    STDMETHODIMP AddScriptToExecuteOnDocumentCreated(
        LPCWSTR script,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* done) override {
        g_record.documentScripts += Utf8(script) + "\n";
        g_record.order += "script\n";
        if (done) {
            done->AddRef();
            Later([done] {
                const bool fail = FailMode() == "script";
                if (!fail)
                    g_record.order += "script ready\n";
                done->Invoke(fail ? E_FAIL : S_OK, fail ? nullptr : L"script-1");
                done->Release();
            });
        }
        return S_OK;
    }
    SLOT(RemoveScriptToExecuteOnDocumentCreated)
    STDMETHODIMP ExecuteScript(LPCWSTR script,
                               ICoreWebView2ExecuteScriptCompletedHandler* done) override {
        g_record.scripts += Utf8(script) + "\n";
        if (done) {
            done->AddRef();
            Later([done] {
                done->Invoke(S_OK, L"null");
                done->Release();
            });
        }
        return S_OK;
    }
    SLOT(CapturePreview)
    STDMETHODIMP Reload() override {
        const std::wstring doc = m_source.substr(0, m_source.find(L'#'));
        if (doc.empty())
            return S_OK;
        m_source.clear();  // the page loads anew, not as a jump within it
        AddRef();
        Later([this, doc] {
            Load(doc, false);
            Release();
        });
        return S_OK;
    }
    SLOT(PostWebMessageAsJson)
    SLOT(PostWebMessageAsString)
    STDMETHODIMP add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* h,
                                        WebViewEventToken* t) override {
        m_message.Add(h, t);
        return S_OK;
    }
    SLOT(remove_WebMessageReceived)
    SLOT(CallDevToolsProtocolMethod)
    SLOT(get_BrowserProcessId)
    SLOT(get_CanGoBack)
    SLOT(get_CanGoForward)
    SLOT(GoBack)
    SLOT(GoForward)
    SLOT(GetDevToolsProtocolEventReceiver)
    SLOT(Stop)
    STDMETHODIMP add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h,
                                        WebViewEventToken* t) override {
        m_newWindow.Add(h, t);
        return S_OK;
    }
    SLOT(remove_NewWindowRequested)
    STDMETHODIMP add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* h,
                                          WebViewEventToken* t) override {
        m_titleChanged.Add(h, t);
        return S_OK;
    }
    SLOT(remove_DocumentTitleChanged)
    STDMETHODIMP get_DocumentTitle(LPWSTR* out) override {
        *out = CoString(m_title);
        return S_OK;
    }
    SLOT(AddHostObjectToScript)
    SLOT(RemoveHostObjectFromScript)
    SLOT(OpenDevToolsWindow)
    SLOT(add_ContainsFullScreenElementChanged)
    SLOT(remove_ContainsFullScreenElementChanged)
    SLOT(get_ContainsFullScreenElement)
    STDMETHODIMP add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* h,
                                          WebViewEventToken* t) override {
        m_resource.Add(h, t);
        return S_OK;
    }
    SLOT(remove_WebResourceRequested)
    STDMETHODIMP AddWebResourceRequestedFilter(LPCWSTR uri, int context) override {
        m_filters.push_back(uri);
        g_record.filters += Utf8(uri) + " " + std::to_string(context) + "\n";
        return S_OK;
    }
    SLOT(RemoveWebResourceRequestedFilter)
    SLOT(add_WindowCloseRequested)
    SLOT(remove_WindowCloseRequested)
    SLOT(add_WebResourceResponseReceived)
    SLOT(remove_WebResourceResponseReceived)
    SLOT(NavigateWithWebResourceRequest)
    SLOT(add_DOMContentLoaded)
    SLOT(remove_DOMContentLoaded)
    SLOT(get_CookieManager)
    SLOT(get_Environment)
    SLOT(TrySuspend)
    SLOT(Resume)
    SLOT(get_IsSuspended)
    SLOT(SetVirtualHostNameToFolderMapping)
    SLOT(ClearVirtualHostNameToFolderMapping)
    SLOT(add_FrameCreated)
    SLOT(remove_FrameCreated)
    STDMETHODIMP add_DownloadStarting(ICoreWebView2DownloadStartingEventHandler* h,
                                      WebViewEventToken* t) override {
        m_download.Add(h, t);
        return S_OK;
    }
    SLOT(remove_DownloadStarting)
    SLOT(add_ClientCertificateRequested)
    SLOT(remove_ClientCertificateRequested)
    SLOT(OpenTaskManagerWindow)
    SLOT(PrintToPdf)
    SLOT(add_IsMutedChanged)
    SLOT(remove_IsMutedChanged)
    SLOT(get_IsMuted)
    SLOT(put_IsMuted)
    SLOT(add_IsDocumentPlayingAudioChanged)
    SLOT(remove_IsDocumentPlayingAudioChanged)
    SLOT(get_IsDocumentPlayingAudio)
    SLOT(add_IsDefaultDownloadDialogOpenChanged)
    SLOT(remove_IsDefaultDownloadDialogOpenChanged)
    SLOT(get_IsDefaultDownloadDialogOpen)
    SLOT(OpenDefaultDownloadDialog)
    SLOT(CloseDefaultDownloadDialog)
    SLOT(get_DefaultDownloadDialogCornerAlignment)
    SLOT(put_DefaultDownloadDialogCornerAlignment)
    SLOT(get_DefaultDownloadDialogMargin)
    SLOT(put_DefaultDownloadDialogMargin)
    SLOT(add_BasicAuthenticationRequested)
    SLOT(remove_BasicAuthenticationRequested)
    SLOT(CallDevToolsProtocolMethodForSession)
    SLOT(add_ContextMenuRequested)
    SLOT(remove_ContextMenuRequested)
    SLOT(add_StatusBarTextChanged)
    SLOT(remove_StatusBarTextChanged)
    SLOT(get_StatusBarText)
    STDMETHODIMP get_Profile(ICoreWebView2Profile** out) override {
        *out = m_profile.Get();
        m_profile->AddRef();
        return S_OK;
    }
    CComPtr<CProfile> m_profile{new CProfile};
};

class CController final
    : public ComObject<CController,
                       ComItf<ICoreWebView2Controller, &kIID_ICoreWebView2Controller>> {
  public:
    CController(CEnvironment* env, HWND parent) : m_view(new CWebView(env)) {
        m_window = CreateWindowExA(0, "STATIC", "stand-in page", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                   parent, nullptr, nullptr, nullptr);
    }
    CComPtr<CWebView> m_view;
    HWND m_window = nullptr;
    Handlers<ICoreWebView2AcceleratorKeyPressedEventHandler> m_keys;
    Handlers<ICoreWebView2MoveFocusRequestedEventHandler> m_moveFocus;

    SLOT(get_IsVisible)
    STDMETHODIMP put_IsVisible(BOOL v) override {
        g_record.visible = v ? 1 : 0;
        if (m_window)
            ShowWindow(m_window, v ? SW_SHOW : SW_HIDE);
        return S_OK;
    }
    SLOT(get_Bounds)
    STDMETHODIMP put_Bounds(RECT r) override {
        g_record.bounds = r;
        if (m_window)
            MoveWindow(m_window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        return S_OK;
    }
    SLOT(get_ZoomFactor)
    STDMETHODIMP put_ZoomFactor(double z) override {
        g_record.zoom = z;
        return S_OK;
    }
    SLOT(add_ZoomFactorChanged)
    SLOT(remove_ZoomFactorChanged)
    SLOT(SetBoundsAndZoomFactor)
    STDMETHODIMP MoveFocus(int) override {
        if (m_window)
            SetFocus(m_window);
        return S_OK;
    }
    STDMETHODIMP add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* h,
                                        WebViewEventToken* t) override {
        m_moveFocus.Add(h, t);
        return S_OK;
    }
    SLOT(remove_MoveFocusRequested)
    SLOT(add_GotFocus)
    SLOT(remove_GotFocus)
    SLOT(add_LostFocus)
    SLOT(remove_LostFocus)
    STDMETHODIMP add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                           WebViewEventToken* t) override {
        m_keys.Add(h, t);
        return S_OK;
    }
    SLOT(remove_AcceleratorKeyPressed)
    SLOT(get_ParentWindow)
    SLOT(put_ParentWindow)
    STDMETHODIMP NotifyParentWindowPositionChanged() override {
        ++g_record.moved;
        return S_OK;
    }
    STDMETHODIMP Close() override {
        ++g_record.closed;
        if (m_window && IsWindow(m_window))
            DestroyWindow(m_window);
        m_window = nullptr;
        return S_OK;
    }
    STDMETHODIMP get_CoreWebView2(ICoreWebView2** out) override {
        *out = m_view.Get();
        m_view->AddRef();
        return S_OK;
    }
};

CController* g_controller = nullptr;  // the newest control, for the test hooks

class CEnvironment final
    : public ComObject<CEnvironment,
                       ComItf<ICoreWebView2Environment, &kIID_ICoreWebView2Environment>> {
  public:
    STDMETHODIMP CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* done) override {
        if (!done || !IsWindow(parent))
            return E_INVALIDARG;
        done->AddRef();
        AddRef();
        Later([this, parent, done] {
            if (FailMode() == "controller" || !IsWindow(parent)) {
                done->Invoke(E_FAIL, nullptr);
            } else {
                CController* c = new CController(this, parent);
                if (g_controller)
                    g_controller->Release();
                g_controller = c;
                c->AddRef();
                done->Invoke(S_OK, c);
                c->Release();
            }
            done->Release();
            Release();
        });
        return S_OK;
    }
    STDMETHODIMP CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason,
                                           LPCWSTR headers,
                                           ICoreWebView2WebResourceResponse** out) override {
        // The body is read when the page reads it (StandInResources.cpp), as the runtime does.
        CResponse* r = new CResponse;
        r->status = status;
        r->reason = Utf8(reason);
        r->headers = Utf8(headers);
        r->content.CopyFrom(content);
        *out = r;
        return S_OK;
    }
    SLOT(get_BrowserVersionString)
    SLOT(add_NewBrowserVersionAvailable)
    SLOT(remove_NewBrowserVersionAvailable)
};

CWebView* View() {
    return g_controller ? g_controller->m_view.Get() : nullptr;
}

}  // namespace

bool CurrentResourceTarget(ResourceTarget* target) {
    CWebView* v = View();
    if (!v)
        return false;
    *target = v->Target();
    return true;
}

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE
    CreateWebViewEnvironmentWithOptionsInternal(
        BOOL, int runtimeType, LPCWSTR userDataFolder, IUnknown*,
        ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* done) {
    if (!done)
        return E_POINTER;
    g_record.runtimeType = runtimeType;
    g_record.dataFolder = Utf8(userDataFolder);
    if (FailMode() == "create")
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    ++g_record.environments;
    done->AddRef();
    Later([done] {
        if (FailMode() == "environment") {
            done->Invoke(E_FAIL, nullptr);
        } else {
            CEnvironment* env = new CEnvironment;
            done->Invoke(S_OK, env);
            env->Release();
        }
        done->Release();
    });
    return S_OK;
}

// Forgets what was recorded.
PV_STANDIN_EXPORT void StandIn_Reset() {
    g_record = Record();
}

// A recorded value as text: environments, runtimeType, dataFolder, settings, filters, order,
// documentScripts, scripts, navigated, responses, zoom, visible, closed, moved, colorScheme,
// bounds, source, title.
PV_STANDIN_EXPORT void StandIn_Get(const char* what, char* out, int size) {
    const std::string w = what ? what : "";
    char num[100];
    std::string v;
    if (w == "environments")
        v = std::to_string(g_record.environments);
    else if (w == "runtimeType")
        v = std::to_string(g_record.runtimeType);
    else if (w == "dataFolder")
        v = g_record.dataFolder;
    else if (w == "settings")
        v = g_record.settings;
    else if (w == "filters")
        v = g_record.filters;
    else if (w == "order")
        v = g_record.order;
    else if (w == "documentScripts")
        v = g_record.documentScripts;
    else if (w == "scripts")
        v = g_record.scripts;
    else if (w == "navigated")
        v = g_record.navigated;
    else if (w == "responses")
        v = g_record.responses;
    else if (w == "zoom") {
        std::snprintf(num, sizeof(num), "%.3f", g_record.zoom);
        v = num;
    } else if (w == "visible")
        v = std::to_string(g_record.visible);
    else if (w == "closed")
        v = std::to_string(g_record.closed);
    else if (w == "moved")
        v = std::to_string(g_record.moved);
    else if (w == "colorScheme")
        v = std::to_string(g_record.colorScheme);
    else if (w == "bounds") {
        std::snprintf(num, sizeof(num), "%ld %ld %ld %ld", g_record.bounds.left,
                      g_record.bounds.top, g_record.bounds.right, g_record.bounds.bottom);
        v = num;
    } else if (w == "source" && View())
        v = Utf8(View()->m_source.c_str());
    else if (w == "title" && View())
        v = Utf8(View()->m_title.c_str());
    CopyOut(v, out, size);
}

// The reader clicks a link to uri on the page (user 1) or the page's script goes there (0);
// returns 1 when the viewer cancelled the navigation, -1 without a control.
PV_STANDIN_EXPORT int StandIn_FollowLink(const wchar_t* uri, int user) {
    CWebView* v = View();
    return v ? (v->Load(uri, user != 0) ? 1 : 0) : -1;
}

// A frame of the page navigates to uri; 1 when the viewer cancelled it.
PV_STANDIN_EXPORT int StandIn_FrameNavigate(const wchar_t* uri, int user) {
    CWebView* v = View();
    return v ? (v->Starting(v->m_frameStarting, uri, user != 0) ? 1 : 0) : -1;
}

// The page asks for a new window on uri; 1 when the viewer handled it (no window opens).
PV_STANDIN_EXPORT int StandIn_NewWindow(const wchar_t* uri, int user) {
    CWebView* v = View();
    if (!v)
        return -1;
    CComPtr<CNewWindowArgs> args(new CNewWindowArgs);
    args->uri = uri;
    args->user = user ? TRUE : FALSE;
    v->m_newWindow.Each(
        [&](ICoreWebView2NewWindowRequestedEventHandler* h) { h->Invoke(v, args.Get()); });
    return args->handled ? 1 : 0;
}

// A key goes down on the page (kind as COREWEBVIEW2_KEY_EVENT_KIND); 1 when the viewer took it.
PV_STANDIN_EXPORT int StandIn_Key(unsigned vk, int kind) {
    if (!g_controller)
        return -1;
    CComPtr<CKeyArgs> args(new CKeyArgs);
    args->key = vk;
    args->kind = kind;
    g_controller->m_keys.Each([&](ICoreWebView2AcceleratorKeyPressedEventHandler* h) {
        h->Invoke(g_controller, args.Get());
    });
    return args->handled ? 1 : 0;
}

// Tab (reason 1) or Shift+Tab (2) leaves the page's last or first element; 1 when the viewer
// took the focus.
PV_STANDIN_EXPORT int StandIn_MoveFocusOut(int reason) {
    if (!g_controller)
        return -1;
    CComPtr<CMoveFocusArgs> args(new CMoveFocusArgs);
    args->reason = reason;
    g_controller->m_moveFocus.Each([&](ICoreWebView2MoveFocusRequestedEventHandler* h) {
        h->Invoke(g_controller, args.Get());
    });
    return args->handled ? 1 : 0;
}

// How many callbacks wait for the message loop (a test waits until none is left).
PV_STANDIN_EXPORT int StandIn_Pending() {
    return static_cast<int>(Queue().size());
}

// The page's script posts a string message.
PV_STANDIN_EXPORT void StandIn_PostMessage(const wchar_t* text) {
    CWebView* v = View();
    if (!v)
        return;
    CComPtr<CMessageArgs> args(new CMessageArgs);
    args->text = text;
    v->m_message.Each(
        [&](ICoreWebView2WebMessageReceivedEventHandler* h) { h->Invoke(v, args.Get()); });
}

// A download starts from the page; 1 when the viewer cancelled it.
PV_STANDIN_EXPORT int StandIn_Download() {
    CWebView* v = View();
    if (!v)
        return -1;
    CComPtr<CDownloadArgs> args(new CDownloadArgs);
    v->m_download.Each(
        [&](ICoreWebView2DownloadStartingEventHandler* h) { h->Invoke(v, args.Get()); });
    return args->cancel && args->handled ? 1 : 0;
}

// The page asks for a permission (kind as COREWEBVIEW2_PERMISSION_KIND); returns the state the
// viewer answered with (0: none, and the runtime would ask the reader), -1 without a control.
PV_STANDIN_EXPORT int StandIn_Permission(int kind) {
    CWebView* v = View();
    if (!v)
        return -1;
    (void)kind;  // the viewer answers every kind alike
    CComPtr<CPermissionArgs> args(new CPermissionArgs);
    v->m_permission.Each(
        [&](ICoreWebView2PermissionRequestedEventHandler* h) { h->Invoke(v, args.Get()); });
    return args->state;
}

// A process of the runtime fails (kind as COREWEBVIEW2_PROCESS_FAILED_KIND). When it is the
// browser process, the control is closed for good, as the runtime closes it. Returns the number
// of handlers told, -1 without a control.
PV_STANDIN_EXPORT int StandIn_ProcessFailed(int kind) {
    CWebView* v = View();
    if (!v)
        return -1;
    CComPtr<CController> controller;
    controller.CopyFrom(g_controller);
    if (kind == kWebViewBrowserProcessExited) {
        v->m_closed = true;
        if (controller->m_window && IsWindow(controller->m_window))
            DestroyWindow(controller->m_window);
        controller->m_window = nullptr;
    }
    CComPtr<CProcessFailedArgs> args(new CProcessFailedArgs);
    args->kind = kind;
    v->m_processFailed.Each(
        [&](ICoreWebView2ProcessFailedEventHandler* h) { h->Invoke(v, args.Get()); });
    return static_cast<int>(v->m_processFailed.list.size());
}
