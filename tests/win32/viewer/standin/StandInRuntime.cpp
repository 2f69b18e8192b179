// A stand-in for the WebView2 runtime's client library, for the viewer's tests under Wine (where
// the real runtime does not run). Installed in the test prefix as the real runtime is, it
// exports the same entry point and implements the interfaces the viewer uses: environment,
// controller, web view with its events and settings, web resource requests answered by the
// viewer, ExecuteScript, zoom. Pages are "loaded" by asking the viewer for them through
// WebResourceRequested; the page's title is read from its bytes.
//
// The tests drive it through the StandIn_* exports (a click on a link, a new window, a key, a
// message from the page script, a download) and read back what the viewer set. The environment
// variable PV_STANDIN_FAIL makes it fail: "create" (the entry point refuses), "environment" or
// "controller" (the asynchronous creation reports an error).
#include <windows.h>
#include <objidl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/ComPtr.h"
#include "viewer/engines/WebViewApi.h"

#define PV_STANDIN_EXPORT extern "C" __declspec(dllexport)
#define SLOT(name)                 \
    STDMETHODIMP name() override { \
        return E_NOTIMPL;          \
    }

namespace {

std::string Utf8(const wchar_t* w) {
    if (!w || !*w)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    return w;
}

LPWSTR CoString(const std::wstring& s) {
    LPWSTR p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
    if (p)
        std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
    return p;
}

std::string FailMode() {
    char buf[64] = {};
    GetEnvironmentVariableA("PV_STANDIN_FAIL", buf, sizeof(buf));
    return buf;
}

// Work done later, in the message loop, as the runtime's own callbacks arrive.
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

void Later(std::function<void()> fn) {
    Queue().push_back(std::move(fn));
    SetTimer(nullptr, 0, 1, Drain);
}

// What the tests read back.
struct Record {
    int environments = 0;
    int runtimeType = -1;
    std::string dataFolder;
    std::string settings;
    std::string filters;
    std::string documentScripts;
    std::string scripts;    // every ExecuteScript, one per line
    std::string navigated;  // every Navigate call, one per line
    std::string responses;  // "status type url" of every answer the viewer gave, one per line
    double zoom = 1.0;
    int visible = -1;
    int closed = 0;
    int moved = 0;         // NotifyParentWindowPositionChanged calls
    int colorScheme = -1;  // the profile's PreferredColorScheme, -1 before the viewer sets it
    RECT bounds = {0, 0, 0, 0};
};
Record g_record;

template <class T>
struct Handlers {
    std::vector<T*> list;
    void Add(T* h, WebViewEventToken* token) {
        h->AddRef();
        list.push_back(h);
        if (token)
            token->value = static_cast<int64_t>(list.size());
    }
    ~Handlers() {
        for (T* h : list)
            h->Release();
    }
    template <class F>
    void Each(F f) {
        const std::vector<T*> copy = list;
        for (T* h : copy)
            f(h);
    }
};

class CSettings final
    : public ComObject<CSettings, ComItf<ICoreWebView2Settings4, &kIID_ICoreWebView2Settings4>> {
  public:
    BOOL devTools = TRUE, statusBar = TRUE, contextMenus = TRUE, zoomControl = TRUE,
         hostObjects = TRUE, webMessage = TRUE, errorPage = TRUE, accelerators = TRUE,
         passwords = TRUE, autofill = TRUE;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        // Every settings interface is this one object, as in the runtime.
        if (IsEqualIID(riid, kIID_ICoreWebView2Settings3)) {
            *ppv = static_cast<ICoreWebView2Settings4*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(riid, ppv);
    }
    void Note() {
        char text[200];
        std::snprintf(text, sizeof(text),
                      "devtools=%d statusbar=%d contextmenus=%d zoomcontrol=%d hostobjects=%d "
                      "webmessage=%d accelerators=%d passwords=%d autofill=%d",
                      devTools, statusBar, contextMenus, zoomControl, hostObjects, webMessage,
                      accelerators, passwords, autofill);
        g_record.settings = text;
    }
    SLOT(get_IsScriptEnabled)
    SLOT(put_IsScriptEnabled)
    SLOT(get_IsWebMessageEnabled)
    STDMETHODIMP put_IsWebMessageEnabled(BOOL v) override { return Set(&webMessage, v); }
    SLOT(get_AreDefaultScriptDialogsEnabled)
    SLOT(put_AreDefaultScriptDialogsEnabled)
    SLOT(get_IsStatusBarEnabled)
    STDMETHODIMP put_IsStatusBarEnabled(BOOL v) override { return Set(&statusBar, v); }
    SLOT(get_AreDevToolsEnabled)
    STDMETHODIMP put_AreDevToolsEnabled(BOOL v) override { return Set(&devTools, v); }
    SLOT(get_AreDefaultContextMenusEnabled)
    STDMETHODIMP put_AreDefaultContextMenusEnabled(BOOL v) override {
        return Set(&contextMenus, v);
    }
    SLOT(get_AreHostObjectsAllowed)
    STDMETHODIMP put_AreHostObjectsAllowed(BOOL v) override { return Set(&hostObjects, v); }
    SLOT(get_IsZoomControlEnabled)
    STDMETHODIMP put_IsZoomControlEnabled(BOOL v) override { return Set(&zoomControl, v); }
    SLOT(get_IsBuiltInErrorPageEnabled)
    STDMETHODIMP put_IsBuiltInErrorPageEnabled(BOOL v) override { return Set(&errorPage, v); }
    SLOT(get_UserAgent)
    SLOT(put_UserAgent)
    SLOT(get_AreBrowserAcceleratorKeysEnabled)
    STDMETHODIMP put_AreBrowserAcceleratorKeysEnabled(BOOL v) override {
        return Set(&accelerators, v);
    }
    SLOT(get_IsPasswordAutosaveEnabled)
    STDMETHODIMP put_IsPasswordAutosaveEnabled(BOOL v) override { return Set(&passwords, v); }
    SLOT(get_IsGeneralAutofillEnabled)
    STDMETHODIMP put_IsGeneralAutofillEnabled(BOOL v) override { return Set(&autofill, v); }

  private:
    HRESULT Set(BOOL* field, BOOL v) {
        *field = v ? TRUE : FALSE;
        Note();
        return S_OK;
    }
};

class CResponse final
    : public ComObject<CResponse, ComItf<ICoreWebView2WebResourceResponse,
                                         &kIID_ICoreWebView2WebResourceResponse>> {
  public:
    int status = 0;
    std::string reason, headers, body;
    // The value of the Content-Type header, "" without one.
    std::string ContentType() const {
        const size_t at = headers.find("Content-Type: ");
        if (at == std::string::npos)
            return std::string();
        const size_t end = headers.find('\r', at);
        return headers.substr(at + 14, end == std::string::npos ? end : end - at - 14);
    }
    SLOT(get_Content)
    SLOT(put_Content)
    SLOT(get_Headers)
    SLOT(get_StatusCode)
    SLOT(put_StatusCode)
    SLOT(get_ReasonPhrase)
    SLOT(put_ReasonPhrase)
};

class CRequest final : public ComObject<CRequest, ComItf<ICoreWebView2WebResourceRequest,
                                                         &kIID_ICoreWebView2WebResourceRequest>> {
  public:
    std::wstring uri;
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    SLOT(put_Uri)
    SLOT(get_Method)
    SLOT(put_Method)
    SLOT(get_Content)
    SLOT(put_Content)
    SLOT(get_Headers)
};

class CResourceArgs final
    : public ComObject<CResourceArgs, ComItf<ICoreWebView2WebResourceRequestedEventArgs,
                                             &kIID_ICoreWebView2WebResourceRequestedEventArgs>> {
  public:
    CComPtr<CRequest> request;
    CComPtr<CResponse> response;
    STDMETHODIMP get_Request(ICoreWebView2WebResourceRequest** out) override {
        *out = request.Get();
        request->AddRef();
        return S_OK;
    }
    SLOT(get_Response)
    STDMETHODIMP put_Response(ICoreWebView2WebResourceResponse* r) override {
        // Only responses the environment made can be given.
        response.CopyFrom(static_cast<CResponse*>(r));
        return S_OK;
    }
    SLOT(GetDeferral)
    SLOT(get_ResourceContext)
};

class CNavigationArgs final
    : public ComObject<CNavigationArgs, ComItf<ICoreWebView2NavigationStartingEventArgs,
                                               &kIID_ICoreWebView2NavigationStartingEventArgs>> {
  public:
    std::wstring uri;
    BOOL user = FALSE, cancel = FALSE;
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    STDMETHODIMP get_IsUserInitiated(BOOL* out) override {
        *out = user;
        return S_OK;
    }
    SLOT(get_IsRedirected)
    SLOT(get_RequestHeaders)
    SLOT(get_Cancel)
    STDMETHODIMP put_Cancel(BOOL v) override {
        cancel = v;
        return S_OK;
    }
    SLOT(get_NavigationId)
};

class CCompletedArgs final
    : public ComObject<CCompletedArgs, ComItf<ICoreWebView2NavigationCompletedEventArgs,
                                              &kIID_ICoreWebView2NavigationCompletedEventArgs>> {
  public:
    BOOL success = FALSE;
    int status = 0;
    STDMETHODIMP get_IsSuccess(BOOL* out) override {
        *out = success;
        return S_OK;
    }
    STDMETHODIMP get_WebErrorStatus(int* out) override {
        *out = status;
        return S_OK;
    }
    SLOT(get_NavigationId)
};

class CSourceArgs final
    : public ComObject<CSourceArgs, ComItf<ICoreWebView2SourceChangedEventArgs,
                                           &kIID_ICoreWebView2SourceChangedEventArgs>> {
  public:
    BOOL isNew = TRUE;
    STDMETHODIMP get_IsNewDocument(BOOL* out) override {
        *out = isNew;
        return S_OK;
    }
};

class CNewWindowArgs final
    : public ComObject<CNewWindowArgs, ComItf<ICoreWebView2NewWindowRequestedEventArgs,
                                              &kIID_ICoreWebView2NewWindowRequestedEventArgs>> {
  public:
    std::wstring uri;
    BOOL user = FALSE, handled = FALSE;
    STDMETHODIMP get_Uri(LPWSTR* out) override {
        *out = CoString(uri);
        return S_OK;
    }
    SLOT(put_NewWindow)
    SLOT(get_NewWindow)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
    SLOT(get_Handled)
    STDMETHODIMP get_IsUserInitiated(BOOL* out) override {
        *out = user;
        return S_OK;
    }
    SLOT(GetDeferral)
    SLOT(get_WindowFeatures)
};

class CMessageArgs final
    : public ComObject<CMessageArgs, ComItf<ICoreWebView2WebMessageReceivedEventArgs,
                                            &kIID_ICoreWebView2WebMessageReceivedEventArgs>> {
  public:
    std::wstring text;
    SLOT(get_Source)
    SLOT(get_WebMessageAsJson)
    STDMETHODIMP TryGetWebMessageAsString(LPWSTR* out) override {
        *out = CoString(text);
        return S_OK;
    }
};

// The profile: what the pages are asked to prefer.
class CProfile final
    : public ComObject<CProfile, ComItf<ICoreWebView2Profile, &kIID_ICoreWebView2Profile>> {
  public:
    SLOT(get_ProfileName)
    SLOT(get_IsInPrivateModeEnabled)
    SLOT(get_ProfilePath)
    SLOT(get_DefaultDownloadFolderPath)
    SLOT(put_DefaultDownloadFolderPath)
    SLOT(get_PreferredColorScheme)
    STDMETHODIMP put_PreferredColorScheme(int scheme) override {
        if (scheme < kWebViewSchemeAuto || scheme > kWebViewSchemeDark)
            return E_INVALIDARG;
        g_record.colorScheme = scheme;
        return S_OK;
    }
};

class CMoveFocusArgs final
    : public ComObject<CMoveFocusArgs, ComItf<ICoreWebView2MoveFocusRequestedEventArgs,
                                              &kIID_ICoreWebView2MoveFocusRequestedEventArgs>> {
  public:
    int reason = 0;
    BOOL handled = FALSE;
    STDMETHODIMP get_Reason(int* out) override {
        *out = reason;
        return S_OK;
    }
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
};

class CKeyArgs final
    : public ComObject<CKeyArgs, ComItf<ICoreWebView2AcceleratorKeyPressedEventArgs,
                                        &kIID_ICoreWebView2AcceleratorKeyPressedEventArgs>> {
  public:
    int kind = 0;
    UINT key = 0;
    BOOL handled = FALSE;
    STDMETHODIMP get_KeyEventKind(int* out) override {
        *out = kind;
        return S_OK;
    }
    STDMETHODIMP get_VirtualKey(UINT* out) override {
        *out = key;
        return S_OK;
    }
    STDMETHODIMP get_KeyEventLParam(INT* out) override {
        *out = 1;
        return S_OK;
    }
    SLOT(get_PhysicalKeyStatus)
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
};

class CDownloadArgs final
    : public ComObject<CDownloadArgs, ComItf<ICoreWebView2DownloadStartingEventArgs,
                                             &kIID_ICoreWebView2DownloadStartingEventArgs>> {
  public:
    BOOL cancel = FALSE, handled = FALSE;
    SLOT(get_DownloadOperation)
    SLOT(get_Cancel)
    STDMETHODIMP put_Cancel(BOOL v) override {
        cancel = v;
        return S_OK;
    }
    SLOT(get_ResultFilePath)
    SLOT(put_ResultFilePath)
    SLOT(get_Handled)
    STDMETHODIMP put_Handled(BOOL v) override {
        handled = v;
        return S_OK;
    }
    SLOT(GetDeferral)
};

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

    bool Filtered(const std::wstring& uri) const {
        for (const std::wstring& f : m_filters) {
            const std::wstring prefix = f.substr(0, f.find(L'*'));
            if (_wcsnicmp(uri.c_str(), prefix.c_str(), prefix.size()) == 0)
                return true;
        }
        return false;
    }
    // Asks the viewer for uri; the answer, or nullptr when none was given.
    CComPtr<CResponse> Request(const std::wstring& uri) {
        CComPtr<CResourceArgs> args(new CResourceArgs);
        args->request = CComPtr<CRequest>(new CRequest);
        args->request->uri = uri;
        m_resource.Each(
            [&](ICoreWebView2WebResourceRequestedEventHandler* h) { h->Invoke(this, args.Get()); });
        CComPtr<CResponse> r;
        r.CopyFrom(args->response.Get());
        if (r) {
            g_record.responses +=
                std::to_string(r->status) + " " + r->ContentType() + " " + Utf8(uri.c_str()) + "\n";
        }
        return r;
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
        if (!Filtered(uri)) {
            Completed(uri == L"about:blank", uri == L"about:blank" ? 0 : 13);
            return false;
        }
        CComPtr<CResponse> r = Request(uri);
        if (!r) {
            Completed(false, 13);  // HOST_NAME_NOT_RESOLVED: nobody answered
            return false;
        }
        m_source = uri;
        const size_t open = r->body.find("<title>");
        const size_t close = r->body.find("</title>");
        m_title = open != std::string::npos && close > open
                      ? Wide(r->body.substr(open + 7, close - open - 7))
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
        const std::wstring target = uri;
        g_record.navigated += Utf8(uri) + "\n";
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
    SLOT(add_PermissionRequested)
    SLOT(remove_PermissionRequested)
    SLOT(add_ProcessFailed)
    SLOT(remove_ProcessFailed)
    STDMETHODIMP AddScriptToExecuteOnDocumentCreated(
        LPCWSTR script,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*) override {
        g_record.documentScripts += Utf8(script) + "\n";
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
    SLOT(Reload)
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
    STDMETHODIMP Stop() override { return S_OK; }
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
    STDMETHODIMP get_ZoomFactor(double* out) override {
        *out = g_record.zoom;
        return S_OK;
    }
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
        CResponse* r = new CResponse;
        r->status = status;
        r->reason = Utf8(reason);
        r->headers = Utf8(headers);
        if (content) {
            char buf[4096];
            ULONG n = 0;
            while (SUCCEEDED(content->Read(buf, sizeof(buf), &n)) && n > 0)
                r->body.append(buf, n);
        }
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

void CopyOut(const std::string& s, char* out, int size) {
    if (!out || size <= 0)
        return;
    const size_t n = s.size() < static_cast<size_t>(size - 1) ? s.size() : size - 1;
    std::memcpy(out, s.data(), n);
    out[n] = '\0';
}

}  // namespace

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

// A recorded value as text: environments, runtimeType, dataFolder, settings, filters,
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

// The page asks for uri (an image, a style sheet); returns the status (0: no answer) and the
// type and body the viewer answered with.
PV_STANDIN_EXPORT int StandIn_Request(const wchar_t* uri, char* type, int typeSize, char* body,
                                      int bodySize) {
    CWebView* v = View();
    if (!v || !v->Filtered(uri))
        return 0;
    CComPtr<CResponse> r = v->Request(uri);
    if (!r)
        return 0;
    CopyOut(r->ContentType(), type, typeSize);
    CopyOut(r->body, body, bodySize);
    return r->status;
}
