#include "viewer/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <urlmon.h>

#include "platform/win/ComPtr.h"
#include "viewer/Dialogs.h"
#include "viewer/book/Book.h"
#include "viewer/book/BookUrl.h"
#include "viewer/resource.h"

const char kMainWindowClass[] = "PagevaneViewerWindow";
const char kMessagePaneClass[] = "PagevaneViewerMessage";

namespace {

const UINT_PTR kNavigationTimer = 1;
const UINT kNavigationTimeoutMs = 10000;

struct ButtonSpec {
    int setting;  // the settings-record field that enables the button
    int id;
    const char* label;
};

// Toolbar order; the image of a button is its command's offset from IDM_HOME.
const ButtonSpec kButtons[] = {
    {kHomeButton, IDM_HOME, "Home"},
    {kPrevNextButtons, IDM_PREV, "Previous"},
    {kPrevNextButtons, IDM_NEXT, "Next"},
    {kHistoryButtons, IDM_BACK, "Back"},
    {kHistoryButtons, IDM_FORWARD, "Forward"},
    {kCopyButton, IDM_COPY, "Copy"},
    {kSearchButton, IDM_SEARCH, "Search"},
    {kFullScreenButton, IDM_FULLSCREEN, "Full Screen"},
    {kFontSizeButton, IDM_FONTSIZE, "Font Size"},
    {kPrintButton, IDM_PRINT, "Print"},
    {kAboutButton, IDM_ABOUT, "About"},
    {kExitButton, IDM_EXIT, "Exit"},
};

// Schemes whose links leave the book and go to the user's own programs.
bool IsOutsideLink(const std::string& url) {
    const std::string scheme = UrlScheme(url);
    return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

}  // namespace

LRESULT CMessagePane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = m_hWnd;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
        char text[2048];
        GetWindowTextA(hwnd, text, sizeof(text));
        HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        RECT box = rc;
        InflateRect(&box, -24, -24);
        RECT measure = box;
        DrawTextA(dc, text, -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
        const int height = measure.bottom - measure.top;
        if (height < box.bottom - box.top)
            box.top += (box.bottom - box.top - height) / 2;
        DrawTextA(dc, text, -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
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
    return DefWindowProcA(hwnd, msg, wp, lp);
}

CMainWindow::CMainWindow(CBook& book) : m_book(book), m_indexer(book.GetPath()), m_contents(book) {}

CMainWindow::~CMainWindow() {
    m_host.Destroy();
    // Destroyed here, while the window's messages still reach this class.
    Destroy();
}

bool CMainWindow::Create(HINSTANCE instance, const CLSID* browserClass) {
    m_instance = instance;
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
    if (!CWindow::Create(kMainWindowClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                         0, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance))
        return false;
    if (m_book.GetSetting(kShowToolbar))
        CreateToolbar();
    m_contents.Create(m_hWnd, instance);

    m_messageFont.reset(CreateFontA(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg 2"));
    m_message.m_font = m_messageFont.get();
    m_message.Create(kMessagePaneClass, "", WS_CHILD, 0, 0, 0, 0, 0, m_hWnd, nullptr, instance);

    std::string error;
    if (!m_host.Create(m_hWnd, ContentRect(), this, &error, browserClass)) {
        m_strHostError = error;
        ShowMessage(error);
    }
    Layout();
    UpdateButtons();
    return true;
}

void CMainWindow::CreateToolbar() {
    m_toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                                WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_TOP, 0, 0, 0, 0, m_hWnd,
                                nullptr, m_instance, nullptr);
    if (!m_toolbar)
        return;
    SendMessageA(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    m_images.reset(ImageList_LoadImageA(m_instance, MAKEINTRESOURCEA(IDB_TOOLBAR), 16, 0,
                                        RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (m_images)
        SendMessageA(m_toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images.get()));
    std::vector<TBBUTTON> buttons;
    for (const ButtonSpec& spec : kButtons) {
        if (!m_book.GetSetting(spec.setting))
            continue;
        TBBUTTON b = {};
        b.iBitmap = spec.id - IDM_HOME;
        b.idCommand = spec.id;
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        b.iString = reinterpret_cast<INT_PTR>(spec.label);
        buttons.push_back(b);
        m_buttons.push_back(spec.id);
    }
    if (!buttons.empty())
        SendMessageA(m_toolbar, TB_ADDBUTTONSA, buttons.size(),
                     reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
}

void CMainWindow::Show(int nCmdShow) {
    RestorePlacement();
    if (m_book.GetSetting(kStartFullScreen)) {
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        ToggleFullScreen();
    } else if (m_book.GetSetting(kStartMaximized) || m_bStartMaximised) {
        ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(m_hWnd, nCmdShow);
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
    rc.left += m_contents.Width();
    if (rc.left > rc.right)
        rc.left = rc.right;
    return rc;
}

void CMainWindow::Layout() {
    if (m_toolbar)
        SendMessageA(m_toolbar, TB_AUTOSIZE, 0, 0);
    const RECT rc = ContentRect();
    m_contents.Move({0, rc.top, rc.left, rc.bottom});
    m_host.SetRect(rc);
    if (m_message.m_hWnd)
        MoveWindow(m_message.m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

bool CMainWindow::BrowserUsable() const {
    return m_host.IsCreated() && m_strMessage.empty();
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
        case IDM_FONTSIZE:
        case IDM_PRINT:
            return BrowserUsable();
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
        SendMessageA(m_toolbar, TB_ENABLEBUTTON, id, MAKELONG(CanRun(id) ? TRUE : FALSE, 0));
    SendMessageA(m_toolbar, TB_CHECKBUTTON, IDM_FULLSCREEN, MAKELONG(m_bFullScreen, 0));
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
    m_bNavError = false;
    m_navOutcome = NavOutcome::pending;
    if (!m_host.IsCreated()) {
        m_navOutcome = NavOutcome::noBrowser;
        PageShown(url);
        ShowMessage(m_strHostError);
        NavigationDone();
        return;
    }
    m_strPending = url;
    if (!m_host.Navigate(url)) {
        m_navOutcome = NavOutcome::error;
        PageShown(url);
        ShowMessage("The system's web-browser control refused to open " + url + ".");
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
    m_navOutcome = NavOutcome::error;
    ShowMessage("The page " + m_strPending +
                " did not load: the system's web-browser control gave no answer. The pages of an "
                "e-book are drawn by the web-browser engine that comes with Windows; it seems to "
                "be missing or unable to draw pages here.");
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
            m_host.Exec(OLECMDID_COPY, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, nullptr);
            break;
        case IDM_SEARCH: {
            std::vector<std::string> terms;
            const std::string name = ShowSearchDialog(m_hWnd, m_book, m_indexer, &terms);
            if (!name.empty()) {
                m_pageHits.SetTerms(terms);
                m_strHitsPage = UrlFromName(name);
                Go(m_strHitsPage);
            }
            break;
        }
        case IDM_FULLSCREEN:
        case IDM_LEAVE_FULLSCREEN:
            ToggleFullScreen();
            break;
        case IDM_FONTSIZE: {
            m_nZoom = (m_nZoom + 1) % 5;
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_I4;
            v.lVal = m_nZoom;
            m_host.Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &v, nullptr);
            break;
        }
        case IDM_PRINT:
            m_host.Exec(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
            break;
        case IDM_ABOUT:
            ShowAboutBox(m_hWnd, m_book);
            break;
        case IDM_FIND_NEXT_HIT: {
            CComPtr<IDispatch> doc(m_host.GetDocument());
            m_pageHits.SelectNext(doc.get());
            break;
        }
        case IDM_CONTENTS:
            m_contents.Toggle();
            Layout();
            break;
        case IDM_EXIT:
            PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
    UpdateButtons();
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
    const std::string canonical = NameFromUrl(url, &name) ? UrlFromName(name) : url;
    if (!m_bHistoryMove)
        m_history.Visit(canonical);
    m_bHistoryMove = false;
    m_strCurrent = canonical;
    m_contents.Select(canonical);
    UpdateButtons();
}

void CMainWindow::ShowMessage(const std::string& text) {
    m_strMessage = text;
    m_host.Show(false);
    if (m_message.m_hWnd) {
        SetWindowTextA(m_message.m_hWnd, text.c_str());
        ShowWindow(m_message.m_hWnd, SW_SHOW);
    }
    UpdateButtons();
}

void CMainWindow::HideMessage() {
    m_strMessage.clear();
    if (m_message.m_hWnd)
        ShowWindow(m_message.m_hWnd, SW_HIDE);
    m_host.Show(true);
}

void CMainWindow::NavigationDone() {
    if (m_hWnd)
        KillTimer(m_hWnd, kNavigationTimer);
    if (m_pfnNavDone)
        m_pfnNavDone(m_pNavContext);
}

bool CMainWindow::OnBeforeNavigate(const std::string& url, bool topLevel) {
    if (IsOutsideLink(url)) {
        ShellExecuteA(m_hWnd, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    }
    if (topLevel) {
        m_bNavError = false;
        m_navOutcome = NavOutcome::pending;
    }
    return false;
}

void CMainWindow::OnNavigateComplete(const std::string& url, bool topLevel) {
    if (!topLevel || m_bNavError)
        return;
    HideMessage();
    if (m_bZoomPending)
        ApplyZoom();
    if (!m_strHitsPage.empty() && m_strHitsPage == url) {
        m_strHitsPage.clear();
        CComPtr<IDispatch> doc(m_host.GetDocument());
        m_pageHits.Mark(doc.get());
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
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(status));
    std::string text;
    if (IsBookUrl(url) && !m_book.FindUrl(url)) {
        text = "The page " + url + " is not part of this e-book.";
    } else {
        text = "This page cannot be shown: the system's web-browser control reported error " +
               std::string(code) + " while opening " + url +
               ".\n\nThe pages of an e-book are drawn by the web-browser engine that comes with "
               "Windows; it seems to be missing or unable to draw pages here. The toolbar, the "
               "About box and the search still work.";
    }
    ShowMessage(text);
    PageShown(url);
    NavigationDone();
}

void CMainWindow::OnTitleChange(const std::string&) {
    // The caption stays the book's title; page titles appear in the search results.
}

bool CMainWindow::PreTranslate(MSG* msg) {
    if (!m_hWnd)
        return false;
    const bool escapeOutsideFullScreen =
        msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && !m_bFullScreen;
    if (!escapeOutsideFullScreen && m_accel && TranslateAcceleratorA(m_hWnd, m_accel, msg))
        return true;
    return m_host.TranslateAccelerator(msg);
}

LRESULT CMainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_TIMER:
            if (wp == kNavigationTimer)
                NavigationTimedOut();
            return 0;
        case WM_COMMAND:
            RunCommand(LOWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const std::string url = m_contents.OnNotify(reinterpret_cast<const NMHDR*>(lp));
            if (!url.empty() && url != m_strCurrent)
                Go(url);
            return 0;
        }
        case WM_SETFOCUS:
            if (HWND control = m_host.GetControlWindow()) {
                if (IsWindowVisible(control))
                    SetFocus(control);
            }
            return 0;
        case WM_DESTROY:
            SavePlace();
            m_host.Destroy();
            m_toolbar = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(m_hWnd, msg, wp, lp);
    }
}
