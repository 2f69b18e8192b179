#include "viewer/engines/WebViewHost.h"

#include <commdlg.h>

#include "book/Book.h"
#include "book/BookWeb.h"
#include "platform/win/WinText.h"
#include "viewer/engines/WebViewApi.h"
#include "viewer/engines/WebViewRuntime.h"
#include "viewer/engines/WebViewSink.h"

namespace {

const char kContainerClass[] = "PagevaneViewerPage";
const int kMaxMarks = 1000;  // as on the browser control: a page of nothing but the word opens fast
const double kZoomFactors[] = {0.75, 0.875, 1.0, 1.25, 1.5};

UINT FindMessage() {
    static const UINT id = RegisterWindowMessageW(FINDMSGSTRINGW);
    return id;
}

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
        return fail("no usable WebView2 runtime is installed");
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
    HRESULT hr = S_OK;
    if (!m_sink->Start(create, runtime.runtimeType, dataFolder, &hr)) {
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
    sink->CloseControl();
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
    return m_sink->Navigate(CWinText::Wide(m_sink->m_site.WebUrl(url)));
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
