#include "viewer/MainWindow.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>
#include <urlmon.h>
#include <windowsx.h>

#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "viewer/Accessible.h"
#include "viewer/engines/BrowserHost.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/engines/WebViewHost.h"
#include "book/Book.h"
#include "book/BookUrl.h"
#include "platform/Text.h"
#include "viewer/resource.h"

const char kMainWindowClass[] = "PagevaneViewerWindow";
const char kMessagePaneClass[] = "PagevaneViewerMessage";

namespace {

const UINT_PTR kNavigationTimer = 1;
const UINT kNavigationTimeoutMs = 10000;
// A navigation to the web counts as the reader's own when it follows a click or key this soon.
const DWORD kReaderActionMs = 1500;
const int kLargestTextSize = 4;
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED (Windows 8.1), newer than our headers
// Posted when WebView2 failed after it was created: the switch to the browser control happens
// outside the engine's own callbacks.
const UINT kEngineFailed = WM_APP + 1;

// Schemes whose links leave the book and go to the user's own programs.
bool IsOutsideLink(const std::string& url) {
    return KindOfUrl(url) == LinkKind::outside;
}

// What screen readers are told of the pane and of the message in place of the page.
const AccessibleSpec kContentsAccessible = {AccessibleKind::named, L"Contents", ROLE_SYSTEM_OUTLINE,
                                            nullptr};
const AccessibleSpec kMessageAccessible = {AccessibleKind::text, nullptr, ROLE_SYSTEM_STATICTEXT,
                                           nullptr};

// True when two e-book URLs name the same file (engines spell a name in their own way).
bool SamePage(const std::string& a, const std::string& b) {
    std::string na, nb;
    if (!NameFromUrl(a, &na) || !NameFromUrl(b, &nb))
        return a == b;
    return lstrcmpiA(na.c_str(), nb.c_str()) == 0;
}

}  // namespace

LRESULT CMessagePane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = m_hWnd;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc,
                 m_theme ? m_theme->Brush(ThemeColour::window) : GetSysColorBrush(COLOR_WINDOW));
        char text[2048];
        ::GetWindowTextA(hwnd, text, sizeof(text));
        HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc,
                     m_theme ? m_theme->Colour(ThemeColour::text) : GetSysColor(COLOR_WINDOWTEXT));
        RECT box = rc;
        InflateRect(&box, -24, -24);
        RECT measure = box;
        DrawTextA(dc, text, -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
        const int height = measure.bottom - measure.top;
        if (height < box.bottom - box.top)
            box.top += (box.bottom - box.top - height) / 2;
        DrawTextA(dc, text, -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        // The message takes the focus in place of the page: it shows that it has it, once the
        // keyboard is in use (as every control does).
        if (GetFocus() == hwnd && !(::SendMessageA(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
            RECT focus = {box.left, box.top, box.right, box.top + height};
            InflateRect(&focus, 6, 6);
            DrawFocusRect(dc, &focus);
        }
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_SETTEXT) {
        const LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_UPDATEUISTATE)
        InvalidateRect(hwnd, nullptr, TRUE);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

CMainWindow::CMainWindow(CBook& book) : m_book(book), m_indexer(book.GetPath()), m_contents(book) {}

CMainWindow::~CMainWindow() {
    if (m_engine)
        m_engine->Destroy();
    // Destroyed here, while the window's messages still reach this class.
    Destroy();
}

bool CMainWindow::Create(HINSTANCE instance, const CLSID* browserClass) {
    m_instance = instance;
    m_theme.LoadChoice(m_profile);
    WNDCLASSEXA wc = {};
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_BOOK));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kMainWindowClass;
    if (!RegisterWindowClass(wc))
        return false;
    WNDCLASSEXA pane = {};
    pane.hInstance = instance;
    pane.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    pane.lpszClassName = kMessagePaneClass;
    pane.style = CS_HREDRAW | CS_VREDRAW;  // its text is centred: a new size redraws it whole
    RegisterWindowClass(pane);
    m_accel = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));

    std::string caption = m_book.GetText(kTitle);
    if (caption.empty())
        caption = "E-book";
    // The process sizes its windows itself (it declares itself DPI-aware): 800 x 600 at 100 %.
    const int dpi = WindowDpi();
    if (!COwnedWindow::Create(kMainWindowClass, caption.c_str(),
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT,
                              CW_USEDEFAULT, MulDiv(800, dpi, 96), MulDiv(600, dpi, 96), nullptr,
                              nullptr, instance))
        return false;
    if (m_book.GetSetting(kShowToolbar))
        CreateToolbar();
    m_contents.Create(m_hWnd, instance);
    MakeAccessible(m_contents.GetHwnd(), &kContentsAccessible);
    m_contents.SetOpener(
        [](void* self, const std::string& url) {
            CMainWindow* window = static_cast<CMainWindow*>(self);
            if (url != window->m_strCurrent)
                window->Go(url);
        },
        this);
    CreateBookmarks();

    ScaleMessageFont(WindowDpi());
    m_message.m_theme = &m_theme;
    m_message.Create(kMessagePaneClass, "", WS_CHILD, 0, 0, 0, 0, 0, m_hWnd, nullptr, instance);
    MakeAccessible(m_message.m_hWnd, &kMessageAccessible);
    MakeLiveRegion(m_message.m_hWnd);

    // WebView2 where its runtime is installed and starts, else the browser control; a test that
    // names the browser control's class wants that control. Why WebView2 did not come is of no
    // concern to the reader.
    m_browserClass = browserClass;
    if (!browserClass) {
        std::unique_ptr<CWebViewHost> web(new CWebViewHost(m_book));
        std::string why;
        if (web->Create(m_hWnd, ContentRect(), this, &why))
            m_engine = std::move(web);
    }
    if (!m_engine)
        CreateBrowserControl();
    ApplyUiFont();
    UpdateButtons();
    ApplyTheme();
    return true;
}

void CMainWindow::CreateBrowserControl() {
    std::string error;
    CBrowserHost* host = new CBrowserHost;
    m_engine.reset(host);
    if (!host->Create(m_hWnd, ContentRect(), this, &error, m_browserClass)) {
        m_strHostError = error;
        ShowMessage(error);
    }
}

void CMainWindow::OnEngineFailed() {
    if (m_hWnd)
        ::PostMessageA(m_hWnd, kEngineFailed, 0, 0);
}

void CMainWindow::SwitchToBrowserControl() {
    if (!m_engine || m_engine->IsCreated() || lstrcmpA(m_engine->Kind(), "webview2") != 0)
        return;
    m_engine->Destroy();
    m_engine.reset();
    CreateBrowserControl();
    Layout();
    if (!m_bZoomPending)
        m_engine->SetTextSize(m_nZoom);
    // The page asked of WebView2 is asked again, or else the page it showed (WebView2 may fail
    // long after the start, when its runtime keeps failing).
    if (m_navOutcome == NavOutcome::pending && !m_strPending.empty()) {
        Go(m_strPending);
    } else if (!m_strCurrent.empty()) {
        Go(m_strCurrent);  // the page shown: the history has it already, and keeps one entry
    }
    UpdateButtons();
}

void CMainWindow::ScaleMessageFont(int dpi) {
    m_messageFont.reset(CreateFontA(-MulDiv(15, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg 2"));
    m_message.m_font = m_messageFont.get();
    if (m_message.m_hWnd)
        InvalidateRect(m_message.m_hWnd, nullptr, TRUE);
}

void CMainWindow::Show(int nCmdShow) {
    RestorePlacement();
    if (m_book.GetSetting(kStartFullScreen)) {
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
        ToggleFullScreen();
    } else if (m_book.GetSetting(kStartMaximized) || m_bStartMaximised) {
        ::ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
    } else {
        ::ShowWindow(m_hWnd, nCmdShow);
    }
    UpdateWindow(m_hWnd);
}

RECT CMainWindow::ContentRect() const {
    RECT rc = {0, 0, 0, 0};
    if (m_hWnd)
        GetClientRect(m_hWnd, &rc);
    if (m_toolbar && IsWindowVisible(m_toolbar)) {
        RECT tb;
        GetWindowRect(m_toolbar, &tb);
        rc.top += tb.bottom - tb.top;
        if (rc.top > rc.bottom)
            rc.top = rc.bottom;
    }
    rc.left += m_contents.IsOpen() ? m_nPaneWidth : 0;
    if (rc.left > rc.right)
        rc.left = rc.right;
    return rc;
}

void CMainWindow::Layout() {
    if (m_toolbar) {
        // The toolbar wraps its rows for its new width only once it has it: a second
        // TB_AUTOSIZE takes their height.
        ::SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
        ::SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
    }
    const RECT rc = ContentRect();
    LayoutPane({0, rc.top, rc.left, rc.bottom});
    m_engine->SetRect(rc);
    if (m_message.m_hWnd)
        MoveWindow(m_message.m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

std::string CMainWindow::EngineName(bool capital) const {
    if (m_engine && lstrcmpA(m_engine->Kind(), "webview2") == 0)
        return "WebView2";
    return capital ? "The system's web-browser control" : "the system's web-browser control";
}

bool CMainWindow::BrowserUsable() const {
    return m_engine->IsCreated() && m_strMessage.empty();
}

bool CMainWindow::CanRun(int id) const {
    const std::vector<size_t>& seq = m_book.Sequence();
    switch (id) {
        case IDM_HOME:
            return !seq.empty();
        case IDM_PREV:
        case IDM_NEXT: {
            const long i = m_strCurrent.empty() ? -1 : m_book.SequenceIndexOf(m_strCurrent);
            if (i < 0)
                return false;
            return id == IDM_PREV ? i > 0 : static_cast<size_t>(i) + 1 < seq.size();
        }
        case IDM_BACK:
            return m_history.CanGoBack();
        case IDM_FORWARD:
            return m_history.CanGoForward();
        case IDM_FIND_NEXT_HIT:
            return BrowserUsable() && !m_pageHits.Terms().empty();
        case IDM_COPY:
        case IDM_PRINT:
        case IDM_SELECTALL:
        case IDM_FINDINPAGE:
            return BrowserUsable();
        case IDM_FONTSIZE:
            return m_engine->IsCreated();
        case IDM_TEXT_LARGER:
            return m_engine->IsCreated() && m_nZoom < kLargestTextSize;
        case IDM_TEXT_SMALLER:
            return m_engine->IsCreated() && m_nZoom > 0;
        case IDM_SEARCH:
            for (const BookFile& f : m_book.Files()) {
                if (f.bInSearch)
                    return true;
            }
            return false;
        case IDM_LEAVE_FULLSCREEN:
            return m_bFullScreen;
        default:
            return true;
    }
}

void CMainWindow::UpdateButtons() {
    if (!m_toolbar)
        return;
    for (int id : m_buttons)
        ::SendMessageA(m_toolbar, TB_ENABLEBUTTON, id, MAKELONG(CanRun(id) ? TRUE : FALSE, 0));
    ::SendMessageA(m_toolbar, TB_CHECKBUTTON, IDM_FULLSCREEN, MAKELONG(m_bFullScreen, 0));
}

void CMainWindow::GoHome() {
    const std::string home = m_book.HomeUrl();
    if (home.empty()) {
        ShowMessage("This e-book has no pages to show.");
        m_navOutcome = NavOutcome::error;
        NavigationDone();
        return;
    }
    Go(home);
}

void CMainWindow::Go(const std::string& url) {
    if (!m_engine->IsCreated())
        SwitchToBrowserControl();  // WebView2 failed and its message has not arrived yet
    m_bNavError = false;
    m_bTimedOut = false;
    m_navOutcome = NavOutcome::pending;
    if (!m_engine->IsCreated()) {
        m_navOutcome = NavOutcome::noBrowser;
        PageShown(url);
        ShowMessage(m_strHostError);
        NavigationDone();
        return;
    }
    m_strPending = url;
    if (!m_engine->Navigate(url)) {
        m_navOutcome = NavOutcome::error;
        PageShown(url);
        ShowMessage(EngineName(true) + " refused to open " + url + ".");
        NavigationDone();
        return;
    }
    // A control that neither completes nor fails a navigation must not leave the reader with a
    // blank window: after a while the page counts as failed.
    SetTimer(m_hWnd, kNavigationTimer, kNavigationTimeoutMs, nullptr);
}

void CMainWindow::NavigationTimedOut() {
    KillTimer(m_hWnd, kNavigationTimer);
    if (m_navOutcome != NavOutcome::pending)
        return;
    m_bNavError = true;
    m_bTimedOut = true;  // a page that still arrives replaces the message
    m_navOutcome = NavOutcome::error;
    ShowMessage(FailureText(
        m_strPending, "The page " + m_strPending + " did not load: " + EngineName(false) +
                          " gave no answer. The pages of an e-book are drawn by the web-browser "
                          "engine that comes with Windows; it seems to be missing or unable to "
                          "draw pages here."));
    PageShown(m_strPending);
    NavigationDone();
}

void CMainWindow::RunCommand(int id) {
    if (!CanRun(id))
        return;
    const std::vector<size_t>& seq = m_book.Sequence();
    switch (id) {
        case IDM_HOME:
            GoHome();
            break;
        case IDM_PREV:
        case IDM_NEXT: {
            const long i = m_book.SequenceIndexOf(m_strCurrent) + (id == IDM_PREV ? -1 : 1);
            Go(UrlFromName(m_book.Files()[seq[static_cast<size_t>(i)]].strName));
            break;
        }
        case IDM_BACK:
        case IDM_FORWARD: {
            const std::string url = id == IDM_BACK ? m_history.GoBack() : m_history.GoForward();
            m_bHistoryMove = true;
            Go(url);
            break;
        }
        case IDM_COPY:
            m_engine->Run(PageCommand::copy);
            break;
        case IDM_SEARCH:
            ShowSearch();
            break;
        case IDM_NEXT_PANE:
        case IDM_PREV_PANE:
            CycleFocus(id == IDM_NEXT_PANE);
            break;
        case IDM_CONTEXT_MENU:
            ShowMenu(false, POINT{-1, -1});
            break;
        case IDM_FULLSCREEN:
        case IDM_LEAVE_FULLSCREEN:
            ToggleFullScreen();
            break;
        case IDM_FONTSIZE:
            // Up step by step to the largest, then back down: never a jump across the range.
            if (m_nZoom + m_nZoomStep < 0 || m_nZoom + m_nZoomStep > kLargestTextSize)
                m_nZoomStep = -m_nZoomStep;
            SetTextSize(m_nZoom + m_nZoomStep);
            break;
        case IDM_TEXT_LARGER:
        case IDM_TEXT_SMALLER:
            SetTextSize(m_nZoom + (id == IDM_TEXT_LARGER ? 1 : -1));
            break;
        case IDM_SELECTALL:
            m_engine->Run(PageCommand::selectAll);
            break;
        case IDM_FINDINPAGE:
            m_engine->Run(PageCommand::findInPage);
            break;
        case IDM_PRINT:
            m_engine->Run(PageCommand::print);
            break;
        case IDM_ABOUT:
            ShowAboutBox(m_hWnd, m_book, &m_theme);
            break;
        case IDM_FIND_NEXT_HIT:
            m_engine->SelectNextHit(m_hitTerms);
            break;
        case IDM_CONTENTS:
            m_contents.Toggle();
            Layout();
            break;
        case IDM_BOOKMARK_ADD:
            AddBookmark();
            break;
        case IDM_BOOKMARKS:
            ShowBookmarks();
            break;
        case IDM_EXIT:
            ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
            break;
        case IDM_COLOURS_WINDOWS:
        case IDM_COLOURS_LIGHT:
        case IDM_COLOURS_DARK:
            if (m_theme.SetChoice(id == IDM_COLOURS_DARK    ? ColourChoice::dark
                                  : id == IDM_COLOURS_LIGHT ? ColourChoice::light
                                                            : ColourChoice::followWindows))
                ApplyTheme();
            break;
        default:
            break;
    }
    UpdateButtons();
}

void CMainWindow::OpenSearchHit(const std::string& name, const std::vector<std::string>& terms) {
    m_pageHits.SetTerms(terms);
    m_hitTerms.clear();
    for (const std::string& t : terms) {
        if (!t.empty())
            m_hitTerms.push_back(t);
    }
    m_strHitsPage = UrlFromName(name);
    Go(m_strHitsPage);
}

void CMainWindow::SetTextSize(int size) {
    m_nZoom = size < 0 ? 0 : size > kLargestTextSize ? kLargestTextSize : size;
    m_engine->SetTextSize(m_nZoom);
}

void CMainWindow::ToggleFullScreen() {
    if (!m_bFullScreen) {
        m_placement.length = sizeof(m_placement);
        GetWindowPlacement(m_hWnd, &m_placement);
        m_lSavedStyle = GetWindowLongA(m_hWnd, GWL_STYLE);
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
        SetWindowLongA(m_hWnd, GWL_STYLE, m_lSavedStyle & ~(WS_CAPTION | WS_THICKFRAME));
        m_bFullScreen = true;
        SetWindowPos(m_hWnd, HWND_TOP, mi.rcMonitor.left, mi.rcMonitor.top,
                     mi.rcMonitor.right - mi.rcMonitor.left, mi.rcMonitor.bottom - mi.rcMonitor.top,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else {
        m_bFullScreen = false;
        SetWindowLongA(m_hWnd, GWL_STYLE, m_lSavedStyle);
        SetWindowPlacement(m_hWnd, &m_placement);
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    Layout();
    UpdateButtons();
}

void CMainWindow::PageShown(const std::string& url) {
    std::string name;
    std::string canonical = NameFromUrl(url, &name) ? UrlFromName(name) : url;
    // The place within the page stays with it, so that Back returns there.
    const size_t hash = url.find('#');
    if (canonical != url && hash != std::string::npos && hash + 1 < url.size())
        canonical += url.substr(hash);
    if (!m_bHistoryMove)
        m_history.Visit(canonical);
    m_bHistoryMove = false;
    m_strCurrent = canonical;
    m_contents.Select(canonical);
    UpdateButtons();
}

void CMainWindow::ShowMessage(const std::string& text) {
    m_strMessage = text;
    m_engine->Show(false);
    if (m_message.m_hWnd) {
        ::SetWindowTextA(m_message.m_hWnd, text.c_str());
        ::ShowWindow(m_message.m_hWnd, SW_SHOW);
        AnnounceStatus(m_message.m_hWnd);
        // The focus never stays on a page that is hidden.
        if (GetActiveWindow() == m_hWnd && FocusedRegion() == Region::page)
            FocusPage();
    }
    UpdateButtons();
}

void CMainWindow::HideMessage() {
    m_strMessage.clear();
    const bool focused = m_message.m_hWnd && GetFocus() == m_message.m_hWnd;
    if (m_message.m_hWnd)
        ::ShowWindow(m_message.m_hWnd, SW_HIDE);
    m_engine->Show(true);
    if (focused)
        FocusPage();
}

void CMainWindow::NavigationDone() {
    if (m_hWnd)
        KillTimer(m_hWnd, kNavigationTimer);
    if (m_pfnNavDone)
        m_pfnNavDone(m_pNavContext);
}

bool CMainWindow::ReaderActedRecently() const {
    // Signed: the tick was rounded up to be odd, so it may be just ahead of the clock.
    const LONG since = static_cast<LONG>(GetTickCount() - m_dwLastInput);
    return m_dwLastInput != 0 && since < static_cast<LONG>(kReaderActionMs);
}

void CMainWindow::OpenOutside(const std::string& url) {
    m_dwLastInput = 0;  // one click, one browser window
    if (m_pfnLaunch)
        m_pfnLaunch(m_pLaunchContext, url);
    else
        ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool CMainWindow::OnBeforeNavigate(const std::string& url, bool topLevel, Starter starter) {
    // Links out of the book never load inside it. Only the reader's own click on the whole page
    // reaches the default browser: frames, embedded maps and script redirects launch nothing.
    // An engine that knows who started the navigation says so; otherwise the reader's last
    // click tells.
    const bool readerStarted = topLevel && (starter == Starter::reader ||
                                            (starter == Starter::unknown && ReaderActedRecently()));
    if (topLevel)
        m_dwLastInput = 0;  // the click has its navigation; what follows is the page's own
    if (IsOutsideLink(url)) {
        if (readerStarted)
            OpenOutside(url);
        return true;
    }
    if (KindOfUrl(url) == LinkKind::blocked)
        return true;  // the reader's own files are out of a book's reach
    if (topLevel) {
        m_bNavError = false;
        m_bTimedOut = false;
        m_navOutcome = NavOutcome::pending;
        m_strPageTitle.clear();  // the next page names itself
        m_strPending = url;      // a link on the page, too, is the navigation under way
    }
    return false;
}

void CMainWindow::OnNewWindow(const std::string& url, bool userStarted) {
    if (IsBookUrl(url))
        Go(url);
    else if (IsOutsideLink(url) && (userStarted || ReaderActedRecently()))
        OpenOutside(url);
}

void CMainWindow::OnContextMenu(POINT pt) {
    ShowMenu(false, pt);
}

void CMainWindow::OnNavigateComplete(const std::string& url, bool topLevel) {
    if (!topLevel || (m_bNavError && !m_bTimedOut))
        return;
    m_bNavError = false;
    m_bTimedOut = false;
    HideMessage();
    if (m_bZoomPending)
        ApplyZoom();
    if (!m_strHitsPage.empty() && SamePage(m_strHitsPage, url)) {
        m_strHitsPage.clear();
        m_engine->MarkHits(m_hitTerms);
    }
    m_navOutcome = NavOutcome::complete;
    PageShown(url);
    NavigationDone();
}

void CMainWindow::OnNavigateError(const std::string& url, bool topLevel, long status) {
    if (!topLevel)
        return;
    m_bNavError = true;
    m_navOutcome = NavOutcome::error;
    m_lNavStatus = status;
    m_bTimedOut = false;
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(status));
    ShowMessage(FailureText(
        url, "This page cannot be shown: " + EngineName(false) + " reported error " +
                 std::string(code) + " while opening " + url +
                 ".\n\nThe pages of an e-book are drawn by the web-browser engine that comes "
                 "with Windows; it seems to be missing or unable to draw pages here. The "
                 "toolbar, the About box and the search still work."));
    PageShown(url);
    NavigationDone();
}

std::string CMainWindow::FailureText(const std::string& url, const std::string& otherwise) {
    if (!IsBookUrl(url))
        return otherwise;
    const BookFile* file = m_book.FindUrl(url);
    if (!file)
        return "The page " + url + " is not part of this e-book.";
    // A page the book itself cannot give is the book's fault, not the browser engine's.
    std::vector<uint8_t> data;
    std::string error;
    if (!m_book.ReadFile(*file, &data, &error))
        return "The page \"" + file->strName + "\" cannot be read: this e-book is damaged (" +
               error + "). The other pages may still open.";
    return otherwise;
}

void CMainWindow::OnTitleChange(const std::string& title) {
    // "book title - page title"; a page with no title of its own gets its URL here, which the
    // caption leaves out.
    std::string caption = m_book.GetText(kTitle);
    if (caption.empty())
        caption = "E-book";
    const bool own = !title.empty() && UrlScheme(title).empty();
    m_strPageTitle = own ? Utf8FromAnsi(title) : std::string();  // a bookmark's label
    if (own && title != caption)
        caption += " - " + title;
    // The texts come from the book: control characters are not drawn.
    std::string shown;
    for (char c : caption) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F)
            shown += c;
    }
    ::SetWindowTextA(m_hWnd, shown.c_str());
}

bool CMainWindow::PreTranslate(MSG* msg) {
    if (!m_hWnd)
        return false;
    if (PreTranslateFocus(msg))
        return true;
    const UINT m = msg->message;
    HWND control = m_engine->GetControlWindow();
    if ((m == WM_LBUTTONUP || m == WM_MBUTTONUP || m == WM_KEYUP) && control &&
        (msg->hwnd == control || IsChild(control, msg->hwnd)))
        m_dwLastInput = GetTickCount() | 1;  // never 0, which means "no action yet"
    // Ctrl+wheel is the text size, as Ctrl+Plus and Ctrl+Minus, not the control's own zoom.
    if (m == WM_MOUSEWHEEL && (LOWORD(msg->wParam) & MK_CONTROL)) {
        const int id =
            static_cast<short>(HIWORD(msg->wParam)) > 0 ? IDM_TEXT_LARGER : IDM_TEXT_SMALLER;
        if (ButtonOn(id))
            RunCommand(id);
        return true;
    }
    // Backspace outside a text field is the control's own Back; the viewer's history answers it.
    if (m == WM_KEYDOWN && msg->wParam == VK_BACK && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0 && !m_engine->IsEditing()) {
        const int id = GetKeyState(VK_SHIFT) < 0 ? IDM_FORWARD : IDM_BACK;
        if (ButtonOn(id))
            RunCommand(id);
        return true;
    }
    if (HandleKeyDown(msg))
        return true;
    return m_engine->TranslateAccelerator(msg);
}

bool CMainWindow::HandleKeyDown(MSG* msg) {
    const UINT m = msg->message;
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
        const int id = CommandForKey(static_cast<UINT>(msg->wParam), GetKeyState(VK_CONTROL) < 0,
                                     GetKeyState(VK_MENU) < 0, GetKeyState(VK_SHIFT) < 0);
        if (id > 0)
            RunCommand(id);
        if (id != 0)
            return true;
    }
    const bool escapeOutsideFullScreen =
        msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && !m_bFullScreen;
    return !escapeOutsideFullScreen && m_accel && TranslateAcceleratorA(m_hWnd, m_accel, msg);
}

bool CMainWindow::OnPageKey(UINT vk, bool systemKey) {
    // The same keys as in the viewer's message loop, which the engine's keys never pass.
    MSG msg = {m_hWnd,
               static_cast<UINT>(systemKey ? WM_SYSKEYDOWN : WM_KEYDOWN),
               vk,
               static_cast<LPARAM>(systemKey ? 0x20000001 : 1),
               static_cast<DWORD>(GetMessageTime()),
               {0, 0}};
    return HandleKeyDown(&msg);
}

void CMainWindow::OnWheelZoom(bool larger) {
    const int id = larger ? IDM_TEXT_LARGER : IDM_TEXT_SMALLER;
    if (ButtonOn(id))
        RunCommand(id);
}

LRESULT CMainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_MOVE:
            if (m_engine)
                m_engine->SetRect(ContentRect());
            return 0;
        case kDpiChanged: {
            // Moved to a monitor of another scale: the size Windows suggests, icons to match.
            LoadToolbarImages(LOWORD(wp));
            ScaleMessageFont(LOWORD(wp));
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            if (r)
                SetWindowPos(m_hWnd, nullptr, r->left, r->top, r->right - r->left,
                             r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyUiFont();
            return 0;
        }
        case kEngineFailed:
            SwitchToBrowserControl();
            return 0;
        case WM_TIMER:
            if (wp == kNavigationTimer)
                NavigationTimedOut();
            return 0;
        case WM_COMMAND:
            RunCommand(LOWORD(wp));
            return 0;
        case WM_NOTIFY: {
            // The toolbar's tooltips: the button's name and its key.
            NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr && hdr->hwndFrom == m_toolbar && hdr->code == NM_CUSTOMDRAW)
                return OnToolbarCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(lp));
            if (hdr && hdr->hwndFrom == m_contents.GetHwnd() && hdr->code == NM_CUSTOMDRAW)
                return OnPaneCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(lp));
            LRESULT result = 0;
            if (OnBookmarksNotify(hdr, &result))
                return result;
            if (hdr && (hdr->code == TTN_GETDISPINFOA || hdr->code == TTN_GETDISPINFOW)) {
                m_strTip = TooltipFor(static_cast<int>(hdr->idFrom));
                m_wstrTip = CWinText::Wide(m_strTip);
                if (hdr->code == TTN_GETDISPINFOA)
                    reinterpret_cast<NMTTDISPINFOA*>(lp)->lpszText = &m_strTip[0];
                else
                    reinterpret_cast<NMTTDISPINFOW*>(lp)->lpszText = &m_wstrTip[0];
            }
            return 0;
        }
        case WM_SETFOCUS:
            FocusPage();
            return 0;
        case WM_PV_OPEN_SEARCH_HIT: {
            const SearchChoice* choice = reinterpret_cast<const SearchChoice*>(lp);
            if (choice) {
                OpenSearchHit(choice->strName, choice->terms);
                FocusPage();
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // Alt pressed and released alone, or F10: every command as a menu (the window has no
            // menu bar). Alt+Space keeps the system menu; Shift+F10 is the context menu alone.
            if ((wp & 0xFFF0) == SC_KEYMENU && lp == 0 && GetKeyState(VK_SHIFT) >= 0) {
                ShowMenu(true, POINT{-1, -1});
                return 0;
            }
            return DefWindowProcA(m_hWnd, msg, wp, lp);
        case WM_CONTEXTMENU:
            ShowMenu(false, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        case WM_SETTINGCHANGE:
            OnSettingChange(wp, lp);
            return DefWindowProcA(m_hWnd, msg, wp, lp);
        case WM_SYSCOLORCHANGE:
            // The common controls hear of new system colours from their parent.
            if (m_toolbar)
                ::SendMessageA(m_toolbar, msg, wp, lp);
            if (m_contents.GetHwnd())
                ::SendMessageA(m_contents.GetHwnd(), msg, wp, lp);
            m_theme.Refresh();
            ApplyTheme();
            return 0;
        case WM_NOTIFYFORMAT:
            if (lp == NF_QUERY && reinterpret_cast<HWND>(wp) == m_bookmarksView.GetHwnd())
                return NFR_UNICODE;
            return DefWindowProcA(m_hWnd, msg, wp, lp);
        case WM_CTLCOLORSTATIC:
            // The bookmarks' heading.
            if (HBRUSH brush = m_theme.CtlColour(msg, reinterpret_cast<HDC>(wp)))
                return reinterpret_cast<LRESULT>(brush);
            return DefWindowProcA(m_hWnd, msg, wp, lp);
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(m_hWnd, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, m_theme.Brush(ThemeColour::window));
            return 1;
        }
        case WM_DESTROY:
            SavePlace();
            if (m_engine)
                m_engine->Destroy();
            m_toolbar = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(m_hWnd, msg, wp, lp);
    }
}
