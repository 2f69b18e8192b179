#include "viewer/engines/WebViewHost.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "book/Book.h"
#include "book/BookFileReader.h"
#include "book/BookUrl.h"
#include "book/BookWeb.h"
#include "format/PackedBlock.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "viewer/engines/WebViewApi.h"
#include "viewer/engines/WebViewRuntime.h"

namespace {

const char kContainerClass[] = "PagevaneViewerPage";
const int kMaxMarks = 1000;  // as on the browser control: a page of nothing but the word opens fast
const int kOperationCanceled = 14;  // COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED
const double kZoomFactors[] = {0.75, 0.875, 1.0, 1.25, 1.5};

// A string the control allocated, as ANSI text, freed.
std::string TakeString(LPWSTR text) {
    std::string s = CWinText::Ansi(text);
    CoTaskMemFree(text);
    return s;
}

UINT FindMessage() {
    static const UINT id = RegisterWindowMessageW(FINDMSGSTRINGW);
    return id;
}

}  // namespace

// The state of one host and every handler the control calls. The control keeps references to
// the handlers and may call them after the host is gone (a start that finishes late); they then
// find m_live false and do nothing but close a control that arrives too late.
class CWebViewSink final
    : public ComObject<CWebViewSink,
                       ComItf<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                              &kIID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>,
                       ComItf<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                              &kIID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>,
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
                       ComItf<ICoreWebView2AcceleratorKeyPressedEventHandler,
                              &kIID_ICoreWebView2AcceleratorKeyPressedEventHandler>,
                       ComItf<ICoreWebView2DownloadStartingEventHandler,
                              &kIID_ICoreWebView2DownloadStartingEventHandler>,
                       ComItf<ICoreWebView2MoveFocusRequestedEventHandler,
                              &kIID_ICoreWebView2MoveFocusRequestedEventHandler>> {
  public:
    // frames: this sink hears frame navigations (NavigationStarting is one interface for both).
    CWebViewSink(CBook* book, IBrowserEvents* events, bool frames)
        : m_book(book),
          m_site(BookWebOrigin(book->GetPath())),
          m_events(events),
          m_frames(frames) {}

    bool m_live = true;
    CBook* m_book;
    CBookSite m_site;  // the book's own origin
    IBrowserEvents* m_events;
    bool m_frames;
    CWebViewSink* m_frameSink = nullptr;  // held while the control lives
    HWND m_container = nullptr;
    HWND m_find = nullptr;  // the Find dialog while it is open
    FINDREPLACEW m_findData = {};
    wchar_t m_findText[256] = {};
    CComPtr<ICoreWebView2Environment> m_env;
    CComPtr<ICoreWebView2Controller> m_controller;
    CComPtr<ICoreWebView2> m_view;
    std::wstring m_pending;    // a navigation asked for before the control was up
    std::string m_navigating;  // the e-book URL of the top-level navigation under way
    int m_zoom = 2;
    int m_scheme = kWebViewSchemeAuto;  // what pages are asked to prefer
    bool m_visible = true;
    bool m_failed = false;

    // The e-book URL of an address the control reports, or the address itself.
    std::string BookSideUrl(const std::string& url) const {
        std::string book;
        return m_site.BookUrl(url, &book) ? book : url;
    }

    void Fail() {
        if (m_failed || !m_live)
            return;
        m_failed = true;
        if (m_events)
            m_events->OnEngineFailed();
    }
    void Fit() {
        if (!m_controller || !m_container)
            return;
        RECT rc;
        GetClientRect(m_container, &rc);
        m_controller->put_Bounds(rc);
    }
    void Script(const std::wstring& script) {
        if (m_view)
            m_view->ExecuteScript(script.c_str(), nullptr);
    }
    void ApplyZoom() {
        if (m_controller)
            m_controller->put_ZoomFactor(CWebViewHost::ZoomFactor(m_zoom));
    }
    // The colour scheme pages prefer is the profile's (runtimes from 1.0.1210 on); an older
    // runtime keeps its own.
    void ApplyScheme() {
        CComPtr<ICoreWebView2_13> view13;
        CComPtr<ICoreWebView2Profile> profile;
        if (m_view && SUCCEEDED(m_view->QueryInterface(kIID_ICoreWebView2_13, view13.Out())) &&
            SUCCEEDED(view13->get_Profile(&profile)) && profile)
            profile->put_PreferredColorScheme(m_scheme);
    }

    // Tab or Shift+Tab past the page's ends: the window takes the focus on.
    STDMETHODIMP Invoke(ICoreWebView2Controller*,
                        ICoreWebView2MoveFocusRequestedEventArgs* args) override {
        int reason = kWebViewFocusProgrammatic;
        if (!m_live || !args || FAILED(args->get_Reason(&reason)) ||
            reason == kWebViewFocusProgrammatic)
            return S_OK;
        args->put_Handled(TRUE);
        if (m_events)
            m_events->OnFocusLeave(reason == kWebViewFocusNext);
        return S_OK;
    }

    // Environment created: the control comes next, inside the container.
    STDMETHODIMP Invoke(HRESULT hr, ICoreWebView2Environment* env) override {
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

    // The control is up: settings, events, the filter for the book's origin, then the page.
    STDMETHODIMP Invoke(HRESULT hr, ICoreWebView2Controller* controller) override {
        if (!m_live) {
            if (controller)
                controller->Close();
            return S_OK;
        }
        if (FAILED(hr) || !controller || !SetUp(controller)) {
            if (controller)
                controller->Close();
            m_view.Release();
            m_controller.Release();
            Fail();
        }
        return S_OK;
    }

    bool SetUp(ICoreWebView2Controller* controller) {
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
        const bool ok = SUCCEEDED(v->add_NavigationStarting(this, &token)) &&
                        SUCCEEDED(v->add_FrameNavigationStarting(m_frameSink, &token)) &&
                        SUCCEEDED(v->add_NavigationCompleted(this, &token)) &&
                        SUCCEEDED(v->add_SourceChanged(this, &token)) &&
                        SUCCEEDED(v->add_DocumentTitleChanged(this, &token)) &&
                        SUCCEEDED(v->add_NewWindowRequested(this, &token)) &&
                        SUCCEEDED(v->add_WebResourceRequested(this, &token)) &&
                        SUCCEEDED(v->AddWebResourceRequestedFilter(filter.c_str(),
                                                                   kWebViewResourceContextAll)) &&
                        SUCCEEDED(v->add_WebMessageReceived(this, &token)) &&
                        SUCCEEDED(v->AddScriptToExecuteOnDocumentCreated(
                            CWinText::Wide(ViewerPageScript(), CP_UTF8).c_str(), nullptr)) &&
                        SUCCEEDED(controller->add_AcceleratorKeyPressed(this, &token));
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
        if (!m_pending.empty()) {
            const std::wstring url = m_pending;
            m_pending.clear();
            v->Navigate(url.c_str());
        }
        return true;
    }

    void Navigated(ICoreWebView2NavigationStartingEventArgs* args) {
        LPWSTR uri = nullptr;
        BOOL user = FALSE;
        if (FAILED(args->get_Uri(&uri)))
            return;
        const std::string url = BookSideUrl(TakeString(uri));
        args->get_IsUserInitiated(&user);
        const bool topLevel = !m_frames;
        bool cancel = m_events->OnBeforeNavigate(
            url, topLevel, user ? IBrowserEvents::Starter::reader : IBrowserEvents::Starter::page);
        // Nothing but the book's own pages loads inside the viewer.
        if (!cancel && !IsBookUrl(url) && url != "about:blank")
            cancel = true;
        if (cancel)
            args->put_Cancel(TRUE);
        else if (topLevel)
            m_navigating = url;
    }

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) override {
        if (m_live && args && m_events)
            Navigated(args);
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) override {
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
    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2SourceChangedEventArgs* args) override {
        BOOL isNew = TRUE;
        LPWSTR source = nullptr;
        if (!m_live || !args || !m_events || !m_view || FAILED(args->get_IsNewDocument(&isNew)) ||
            isNew || FAILED(m_view->get_Source(&source)))
            return S_OK;
        m_navigating = BookSideUrl(TakeString(source));
        m_events->OnNavigateComplete(m_navigating, true);
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2* sender, IUnknown*) override {
        LPWSTR title = nullptr;
        if (m_live && m_events && sender && SUCCEEDED(sender->get_DocumentTitle(&title)))
            m_events->OnTitleChange(TakeString(title));
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) override {
        if (!args)
            return S_OK;
        // Never a window of the control's own: book pages open in place, web links go out.
        args->put_Handled(TRUE);
        LPWSTR uri = nullptr;
        BOOL user = FALSE;
        if (!m_live || !m_events || FAILED(args->get_Uri(&uri)))
            return S_OK;
        args->get_IsUserInitiated(&user);
        m_events->OnNewWindow(BookSideUrl(TakeString(uri)), user != FALSE);
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) override {
        CComPtr<ICoreWebView2WebResourceRequest> request;
        LPWSTR uri = nullptr;
        if (!m_live || !m_book || !m_env || !args || FAILED(args->get_Request(&request)) ||
            !request || FAILED(request->get_Uri(&uri)))
            return S_OK;
        const std::string url = CWinText::Ansi(uri);
        CoTaskMemFree(uri);
        BookWebAnswer answer;
        try {
            BookWebRequest asked;
            asked.url = url;
            answer = AnswerBookWebRequest(*m_book, m_site, asked);
            if (answer.Streamed()) {
                CBookFileReader reader(*m_book, *answer.file);
                reader.Skip(answer.first);
                answer.body.resize(static_cast<size_t>(answer.length));
                if (reader.Read(answer.body.data(), answer.body.size()) != answer.body.size())
                    throw CPackError("cut short");
            }
        } catch (...) {
            // A page too large for the memory left fails alone.
            answer = BookWebAnswer();
            answer.status = 500;
            answer.reason = "Internal Server Error";
            answer.contentType = "text/plain";
        }
        CComPtr<IStream> stream(
            SHCreateMemStream(answer.body.empty() ? nullptr : answer.body.data(),
                              static_cast<UINT>(answer.body.size())));
        const std::wstring reason = CWinText::Wide(answer.reason);
        const std::wstring headers = CWinText::Wide(answer.Headers());
        CComPtr<ICoreWebView2WebResourceResponse> response;
        if (stream && SUCCEEDED(m_env->CreateWebResourceResponse(
                          stream.Get(), answer.status, reason.c_str(), headers.c_str(), &response)))
            args->put_Response(response.Get());
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) override {
        LPWSTR text = nullptr;
        if (!m_live || !m_events || !args || FAILED(args->TryGetWebMessageAsString(&text)))
            return S_OK;
        const std::string message = TakeString(text);
        if (message == "contextmenu") {
            POINT pt;
            GetCursorPos(&pt);
            m_events->OnContextMenu(pt);
        } else if (message == "text-larger" || message == "text-smaller") {
            m_events->OnWheelZoom(message == "text-larger");
        }
        return S_OK;
    }

    STDMETHODIMP Invoke(ICoreWebView2Controller*,
                        ICoreWebView2AcceleratorKeyPressedEventArgs* args) override {
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

    STDMETHODIMP Invoke(ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs* args) override {
        // A book is read, never saved from: no download starts, and no dialog asks.
        if (args) {
            args->put_Cancel(TRUE);
            args->put_Handled(TRUE);
        }
        return S_OK;
    }
};

namespace {

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWebViewSink* s = reinterpret_cast<CWebViewSink*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (s && msg == WM_SIZE) {
        s->Fit();
        return 0;
    }
    if (s && msg == FindMessage() && msg != 0) {
        const FINDREPLACEW* fr = reinterpret_cast<const FINDREPLACEW*>(lp);
        if (fr->Flags & FR_DIALOGTERM) {
            s->m_find = nullptr;
        } else if (fr->Flags & FR_FINDNEXT) {
            const std::string script = "window.find(" +
                                       JsStringLiteral(CWinText::Ansi(fr->lpstrFindWhat, CP_UTF8)) +
                                       ((fr->Flags & FR_MATCHCASE) ? ",true," : ",false,") +
                                       ((fr->Flags & FR_DOWN) ? "false" : "true") + ",true)";
            s->Script(CWinText::Wide(script, CP_UTF8));
        }
        return 0;
    }
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

CWebViewHost::CWebViewHost(CBook& book) : m_book(book) {}

CWebViewHost::~CWebViewHost() {
    Destroy();
}

double CWebViewHost::ZoomFactor(int size) {
    return kZoomFactors[size < 0 ? 0 : size > 4 ? 4 : size];
}

bool CWebViewHost::Create(HWND parent, const RECT& rect, IBrowserEvents* events,
                          std::string* error) {
    Destroy();
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (BrowserControlForced())
        return fail("the registry asks for the system's web-browser control");
    WebViewRuntime runtime;
    if (!FindWebViewRuntime(&runtime))
        return fail("no WebView2 runtime is installed");
    std::wstring dataFolder;
    if (!WebViewDataFolder(&dataFolder))
        return fail("the WebView2 data folder cannot be created");
    // The runtime stays loaded for the life of the process: its threads outlive any one window.
    HMODULE module =
        LoadLibraryExW(runtime.clientDll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return fail("the WebView2 runtime's library does not load");
    const FARPROC entry = GetProcAddress(module, kWebViewEntryPoint);
    const CreateWebViewEnvironmentFn create =
        reinterpret_cast<CreateWebViewEnvironmentFn>(reinterpret_cast<void*>(entry));
    if (!create)
        return fail("the WebView2 runtime's library has no entry point to start it");

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = kContainerClass;
    RegisterClassExA(&wc);  // fails harmlessly when registered before
    HWND container =
        CreateWindowExA(0, kContainerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left,
                        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    if (!container)
        return fail("the page's window cannot be created");
    m_sink = new CWebViewSink(&m_book, events, false);
    m_sink->m_container = container;
    SetWindowLongPtrA(container, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_sink));
    const HRESULT hr = create(TRUE, 0, dataFolder.c_str(), nullptr, m_sink);
    if (FAILED(hr)) {
        Destroy();
        char text[120];
        wsprintfA(text, "the WebView2 runtime refused to start (error 0x%08lX)",
                  static_cast<unsigned long>(hr));
        return fail(text);
    }
    return true;
}

void CWebViewHost::Destroy() {
    CWebViewSink* sink = m_sink;
    if (!sink)
        return;
    m_sink = nullptr;
    sink->m_live = false;
    sink->m_events = nullptr;
    if (sink->m_find)
        DestroyWindow(sink->m_find);
    sink->m_find = nullptr;
    if (sink->m_controller)
        sink->m_controller->Close();
    sink->m_view.Release();
    sink->m_controller.Release();
    sink->m_env.Release();
    if (sink->m_frameSink) {
        sink->m_frameSink->m_live = false;
        sink->m_frameSink->Release();
        sink->m_frameSink = nullptr;
    }
    if (sink->m_container) {
        SetWindowLongPtrA(sink->m_container, GWLP_USERDATA, 0);
        DestroyWindow(sink->m_container);
        sink->m_container = nullptr;
    }
    sink->Release();
}

bool CWebViewHost::IsCreated() const {
    return m_sink && !m_sink->m_failed;
}

bool CWebViewHost::IsReady() const {
    return m_sink && m_sink->m_view;
}

void CWebViewHost::SetRect(const RECT& rect) {
    if (m_sink && m_sink->m_container)
        MoveWindow(m_sink->m_container, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, TRUE);
    // The control's own pop-ups (a list box's drop-down, the input method's window) are placed
    // by the parent's position on screen, which it learns only this way.
    if (m_sink && m_sink->m_controller)
        m_sink->m_controller->NotifyParentWindowPositionChanged();
}

void CWebViewHost::Show(bool show) {
    if (!m_sink)
        return;
    m_sink->m_visible = show;
    if (m_sink->m_container)
        ShowWindow(m_sink->m_container, show ? SW_SHOW : SW_HIDE);
    if (m_sink->m_controller)
        m_sink->m_controller->put_IsVisible(show ? TRUE : FALSE);
}

void CWebViewHost::Focus() {
    if (m_sink && m_sink->m_controller)
        m_sink->m_controller->MoveFocus(0);  // COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC
}

bool CWebViewHost::Navigate(const std::string& url) {
    if (!IsCreated())
        return false;
    const std::wstring target = CWinText::Wide(m_sink->m_site.WebUrl(url));
    if (!m_sink->m_view) {
        m_sink->m_pending = target;
        return true;
    }
    return SUCCEEDED(m_sink->m_view->Navigate(target.c_str()));
}

bool CWebViewHost::Run(PageCommand command) {
    if (!m_sink || !m_sink->m_view)
        return false;
    switch (command) {
        case PageCommand::copy:
            m_sink->Script(L"document.execCommand('copy')");
            return true;
        case PageCommand::selectAll:
            m_sink->Script(L"document.execCommand('selectAll')");
            return true;
        case PageCommand::print:
            m_sink->Script(L"window.print()");
            return true;
        case PageCommand::findInPage: {
            if (m_sink->m_find) {
                SetActiveWindow(m_sink->m_find);
                return true;
            }
            FINDREPLACEW& fr = m_sink->m_findData;
            fr = FINDREPLACEW();
            fr.lStructSize = sizeof(fr);
            fr.hwndOwner = m_sink->m_container;
            fr.Flags = FR_DOWN | FR_HIDEWHOLEWORD;
            fr.lpstrFindWhat = m_sink->m_findText;
            fr.wFindWhatLen = sizeof(m_sink->m_findText) / sizeof(wchar_t);
            m_sink->m_find = FindTextW(&fr);
            return m_sink->m_find != nullptr;
        }
    }
    return false;
}

void CWebViewHost::SetPageScheme(PageScheme scheme) {
    if (!m_sink)
        return;
    m_sink->m_scheme = scheme == PageScheme::dark    ? kWebViewSchemeDark
                       : scheme == PageScheme::light ? kWebViewSchemeLight
                                                     : kWebViewSchemeAuto;
    m_sink->ApplyScheme();
}

void CWebViewHost::SetTextSize(int size) {
    if (!m_sink)
        return;
    m_sink->m_zoom = size;
    m_sink->ApplyZoom();
}

void CWebViewHost::MarkHits(const std::vector<std::string>& terms) {
    if (m_sink)
        m_sink->Script(CWinText::Wide(MarkHitsScript(terms, kMaxMarks), CP_UTF8));
}

void CWebViewHost::SelectNextHit(const std::vector<std::string>& terms) {
    if (m_sink && !terms.empty())
        m_sink->Script(CWinText::Wide(NextHitScript(), CP_UTF8));
}

bool CWebViewHost::TranslateAccelerator(MSG* msg) {
    return m_sink && m_sink->m_find && IsDialogMessageW(m_sink->m_find, msg);
}

HWND CWebViewHost::GetControlWindow() const {
    return m_sink ? m_sink->m_container : nullptr;
}
