// What the reader meets around the page: which links leave the book and which are dropped, what
// the host answers the control (security, script errors, context menu, new windows), the keys
// and the book's buttons, text size, fragments in the history, and the messages and caption.
// The browser engine cannot render here, so the host's answers are checked by calling them as
// the control would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <memory>
#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "viewer/engines/BookProtocol.h"
#include "viewer/engines/BrowserHost.h"
#include "viewer/engines/ComGuids.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/MainWindow.h"
#include "viewer/ViewerApp.h"
#include "book/Book.h"
#include "viewer/resource.h"

namespace {

const int kButtonSettings[] = {kHomeButton,   kPrevNextButtons,  kHistoryButtons, kCopyButton,
                               kSearchButton, kFullScreenButton, kFontSizeButton, kPrintButton,
                               kAboutButton,  kExitButton};

class ViewerReader : public CViewerFixture {
  protected:
    static CTestBook Book(bool buttonsOn) {
        CTestBook b;
        b.title = "Reader Book";
        b.Page("index.htm", "<title>One</title>first").Page("two.htm", "<title>Two</title>second");
        b.settings[kShowToolbar] = 1;
        for (int s : kButtonSettings)
            b.settings[s] = buttonsOn;
        return b;
    }
    // A click on the page, as the message loop hands it to the window first.
    void ClickOnPage() {
        MSG msg = {m_window->GetPageWindow(), WM_LBUTTONUP, 0, 0, 0, {0, 0}};
        ASSERT_NE(msg.hwnd, nullptr);
        m_window->PreTranslate(&msg);
    }
};

const CLSID kNoBrowser = {0x0badc0de, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

TEST_F(ViewerReader, OnlyTheReadersOwnClickSendsALinkToTheBrowser) {
    Open(Book(true));
    // Script redirects and frames (an embedded map) never launch anything.
    EXPECT_TRUE(m_window->OnBeforeNavigate("https://example.com/map", true));
    ClickOnPage();
    EXPECT_TRUE(m_window->OnBeforeNavigate("https://maps.example.com/frame", false));
    EXPECT_TRUE(m_launched.empty());
    // The click's own navigation goes out once; a redirect right after it does not.
    EXPECT_TRUE(m_window->OnBeforeNavigate("https://example.com/", true));
    EXPECT_TRUE(m_window->OnBeforeNavigate("https://example.com/again", true));
    EXPECT_EQ(m_launched, std::vector<std::string>{"https://example.com/"});
    // The reader's files are out of reach; the book's pages load.
    ClickOnPage();
    EXPECT_TRUE(m_window->OnBeforeNavigate("file:///C:/windows/win.ini", true));
    EXPECT_FALSE(m_window->OnBeforeNavigate("e-book://two.htm", true));
    EXPECT_EQ(m_launched.size(), 1u);

    // New windows: web links go out when the reader asked, book pages open in place.
    m_launched.clear();
    m_window->OnNewWindow("http://example.org/popup", false);
    m_window->OnNewWindow("http://example.org/", true);
    EXPECT_EQ(m_launched, std::vector<std::string>{"http://example.org/"});
    m_window->OnNewWindow("e-book://two.htm", false);
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
}

// Arguments of a DWebBrowserEvents2 call, last parameter first as the control passes them.
HRESULT Fire(IDispatch* sink, DISPID id, std::vector<VARIANT> args) {
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

struct RecordingEvents : IBrowserEvents {
    std::vector<std::string> newWindows;
    int menus = 0;
    POINT menuAt = {0, 0};
    bool OnBeforeNavigate(const std::string&, bool, Starter) override { return false; }
    void OnNavigateComplete(const std::string&, bool) override {}
    void OnNavigateError(const std::string&, bool, long) override {}
    void OnTitleChange(const std::string&) override {}
    void OnNewWindow(const std::string& url, bool user) override {
        newWindows.push_back(url + (user ? " user" : " script"));
    }
    void OnContextMenu(POINT pt) override {
        ++menus;
        menuAt = pt;
    }
};

TEST(ViewerHostAnswers, SecurityScriptErrorsMenusAndNewWindows) {
    ScopedOle ole;
    HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
    RecordingEvents events;
    CBrowserHost host;
    std::string error;
    ASSERT_TRUE(host.Create(parent, RECT{0, 0, 300, 200}, &events, &error)) << error;
    IUnknown* site = host.GetSite();
    ASSERT_NE(site, nullptr);

    CComPtr<IServiceProvider> services;
    ASSERT_EQ(site->QueryInterface(IID_IServiceProvider, services.Out()), S_OK);
    CComPtr<IInternetSecurityManager> security;
    ASSERT_EQ(services->QueryService(IID_IInternetSecurityManager, IID_IInternetSecurityManager,
                                     reinterpret_cast<void**>(security.Out())),
              S_OK);
    DWORD zone = 0;
    EXPECT_EQ(security->MapUrlToZone(L"e-book://index.htm", &zone, 0), S_OK);
    EXPECT_EQ(zone, static_cast<DWORD>(URLZONE_INTERNET));
    const struct {
        DWORD action;
        const wchar_t* url;
        HRESULT hr;
        DWORD policy;
    } actions[] = {
        {URLACTION_SCRIPT_RUN, L"e-book://index.htm", S_OK, URLPOLICY_ALLOW},
        {URLACTION_HTML_FONT_DOWNLOAD, L"e-book://index.htm", S_OK, URLPOLICY_ALLOW},
        {URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_SCRIPT_OVERRIDE_SAFETY, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_CROSS_DOMAIN_DATA, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_DOWNLOAD_UNSIGNED_ACTIVEX, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_SHELL_FILE_DOWNLOAD, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_SHELL_MOVE_OR_COPY, L"e-book://a.htm", S_FALSE, URLPOLICY_DISALLOW},
        {URLACTION_SCRIPT_RUN, L"https://example.com/", INET_E_DEFAULT_ACTION, 0x5eed},
    };
    for (const auto& a : actions) {
        SCOPED_TRACE(a.action);
        DWORD policy = 0x5eed;
        EXPECT_EQ(security->ProcessUrlAction(a.url, a.action, reinterpret_cast<BYTE*>(&policy),
                                             sizeof(policy), nullptr, 0, 0, 0),
                  a.hr);
        EXPECT_EQ(policy, a.policy);
    }

    // Script errors: handled, scripts go on, no dialog.
    CComPtr<IOleCommandTarget> commands;
    ASSERT_EQ(site->QueryInterface(IID_IOleCommandTarget, commands.Out()), S_OK);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(
        commands->Exec(&kCGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out),
        S_OK);
    EXPECT_EQ(out.vt, VT_BOOL);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);

    // The control's context menu is replaced by the window's.
    CComPtr<IDocHostUIHandler> ui;
    ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, ui.Out()), S_OK);
    POINT at = {120, 80};
    EXPECT_EQ(ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_OK);
    EXPECT_EQ(events.menus, 1);
    EXPECT_EQ(events.menuAt.x, 120);
    // Pages follow the monitor's scale; no 3-D border, no help menu.
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
    const DWORD wanted = DOCHOSTUIFLAG_DPI_AWARE | DOCHOSTUIFLAG_NO3DBORDER |
                         DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE;
    EXPECT_EQ(info.dwFlags & wanted, wanted);

    // NewWindow3 is always cancelled and handed on with the reader's part in it.
    CComPtr<IDispatch> sink;
    ASSERT_EQ(site->QueryInterface(IID_IDispatch, sink.Out()), S_OK);
    const struct {
        long flags;
        const char* seen;
    } windows[] = {{0x2, "http://example.com/ user"}, {0x0, "http://example.com/ script"}};
    for (const auto& w : windows) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        IDispatch* newDisp = nullptr;
        std::vector<VARIANT> args(5);
        for (VARIANT& v : args)
            VariantInit(&v);
        args[0].vt = VT_BSTR;
        args[0].bstrVal = SysAllocString(L"http://example.com/");
        args[1].vt = VT_BSTR;
        args[1].bstrVal = SysAllocString(L"e-book://index.htm");
        args[2].vt = VT_I4;
        args[2].lVal = w.flags;
        args[3].vt = VT_BYREF | VT_BOOL;
        args[3].pboolVal = &cancel;
        args[4].vt = VT_BYREF | VT_DISPATCH;
        args[4].ppdispVal = &newDisp;
        EXPECT_EQ(Fire(sink.Get(), DISPID_NEWWINDOW3, args), S_OK);
        EXPECT_EQ(cancel, VARIANT_TRUE);
        EXPECT_EQ(events.newWindows.back(), w.seen);
        SysFreeString(args[0].bstrVal);
        SysFreeString(args[1].bstrVal);
    }
    host.Destroy();
    DestroyWindow(parent);
}

TEST_F(ViewerReader, KeysFollowTheBooksButtons) {
    const struct {
        UINT vk;
        bool ctrl, alt, shift;
        int on, off;
    } keys[] = {
        {'F', true, false, false, IDM_FINDINPAGE, IDM_FINDINPAGE},
        {'F', true, false, true, IDM_SEARCH, CMainWindow::kKeySwallowed},
        {'P', true, false, false, IDM_PRINT, CMainWindow::kKeySwallowed},
        {VK_F11, false, false, false, IDM_FULLSCREEN, CMainWindow::kKeySwallowed},
        {VK_F1, false, false, false, IDM_ABOUT, CMainWindow::kKeySwallowed},
        {VK_LEFT, false, true, false, IDM_BACK, CMainWindow::kKeySwallowed},
        {VK_BROWSER_FORWARD, false, false, false, IDM_FORWARD, CMainWindow::kKeySwallowed},
        {VK_HOME, false, true, false, IDM_HOME, CMainWindow::kKeySwallowed},
        {VK_NEXT, true, false, false, IDM_NEXT, CMainWindow::kKeySwallowed},
        {VK_PRIOR, true, false, false, IDM_PREV, CMainWindow::kKeySwallowed},
        {VK_OEM_PLUS, true, false, true, IDM_TEXT_LARGER, CMainWindow::kKeySwallowed},
        {VK_SUBTRACT, true, false, false, IDM_TEXT_SMALLER, CMainWindow::kKeySwallowed},
        {'C', true, false, false, 0, CMainWindow::kKeySwallowed},
        {'N', true, false, false, CMainWindow::kKeySwallowed, CMainWindow::kKeySwallowed},
        {'F', false, false, false, 0, 0},
        {VK_LEFT, false, false, false, 0, 0},
    };
    for (bool on : {true, false}) {
        Open(Book(on), &kNoBrowser);
        for (const auto& k : keys) {
            SCOPED_TRACE(std::to_string(k.vk) + (k.ctrl ? " ctrl" : "") + (k.alt ? " alt" : "") +
                         (k.shift ? " shift" : "") + (on ? " buttons on" : " buttons off"));
            EXPECT_EQ(m_window->CommandForKey(k.vk, k.ctrl, k.alt, k.shift), on ? k.on : k.off);
        }
        // The key press itself, through the window's message filter.
        MSG f11 = {m_window->GetHwnd(), WM_KEYDOWN, VK_F11, 0x00570001, 0, {0, 0}};
        EXPECT_TRUE(m_window->PreTranslate(&f11));
        EXPECT_EQ(m_window->IsFullScreen(), on);
        // Backspace outside a text field is Back in the viewer's history, never the control's.
        m_window->Go("e-book://index.htm");
        m_window->Go("e-book://two.htm");
        MSG back = {m_window->GetHwnd(), WM_KEYDOWN, VK_BACK, 0x000E0001, 0, {0, 0}};
        EXPECT_TRUE(m_window->PreTranslate(&back));
        EXPECT_EQ(m_window->CurrentUrl(), on ? "e-book://index.htm" : "e-book://two.htm");
    }
}

TEST_F(ViewerReader, ContextMenuOffersTheEnabledCommands) {
    const int kColours = -2;  // the Colours submenu
    const struct {
        bool on;
        std::vector<int> ids;  // 0: separator
    } cases[] = {
        {true,
         {IDM_BACK, IDM_FORWARD, 0, IDM_COPY, IDM_SELECTALL, 0, IDM_PRINT, IDM_FINDINPAGE, 0,
          IDM_CONTENTS, IDM_BOOKMARK_ADD, IDM_BOOKMARKS, 0, kColours}},
        {false,
         {IDM_SELECTALL, 0, IDM_FINDINPAGE, 0, IDM_CONTENTS, IDM_BOOKMARK_ADD, IDM_BOOKMARKS, 0,
          kColours}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.on ? "buttons on" : "buttons off");
        Open(Book(c.on));
        HMENU menu = m_window->BuildContextMenu();
        std::vector<int> ids;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const UINT id = GetMenuItemID(menu, i);
            if (GetSubMenu(menu, i))
                ids.push_back(kColours);
            else
                ids.push_back(id == static_cast<UINT>(-1) ? 0 : static_cast<int>(id));
        }
        EXPECT_EQ(ids, c.ids);
        if (c.on) {  // nothing to go back to yet
            EXPECT_TRUE(GetMenuState(menu, IDM_BACK, MF_BYCOMMAND) & MF_GRAYED);
        }
        DestroyMenu(menu);
    }
}

TEST_F(ViewerReader, TextSizeStepsWithoutJumping) {
    Open(Book(true));
    std::vector<int> sizes;
    for (int i = 0; i < 7; ++i) {
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_FONTSIZE, 0);
        sizes.push_back(m_window->GetTextSize());
    }
    EXPECT_EQ(sizes, (std::vector<int>{3, 4, 3, 2, 1, 0, 1}));
    for (int i = 0; i < 6; ++i)
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_TEXT_LARGER, 0);
    EXPECT_EQ(m_window->GetTextSize(), 4);
    EXPECT_FALSE(m_window->CanRun(IDM_TEXT_LARGER));
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_TEXT_SMALLER, 0);
    EXPECT_EQ(m_window->GetTextSize(), 3);
    // Ctrl+wheel steps the same sizes; the control never zooms on its own.
    MSG wheel = {m_window->GetPageWindow(),
                 WM_MOUSEWHEEL,
                 MAKEWPARAM(MK_CONTROL, -WHEEL_DELTA),
                 0,
                 0,
                 {0, 0}};
    EXPECT_TRUE(m_window->PreTranslate(&wheel));
    EXPECT_EQ(m_window->GetTextSize(), 2);
}

TEST_F(ViewerReader, HistoryKeepsThePlaceInThePage) {
    Open(Book(true), &kNoBrowser);
    m_window->Go("e-book://two.htm#part-2");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm#part-2");
    EXPECT_TRUE(m_window->CanRun(IDM_PREV));
    m_window->Go("e-book://index.htm");
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_BACK, 0);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm#part-2");
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_FORWARD, 0);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
}

TEST_F(ViewerReader, MessagesAndCaptionNameThePage) {
    // A page the book cannot unpack is the book's damage, named, not the browser's.
    CTestBook damaged = Book(true);
    damaged.bBadPackedPage = true;
    Open(damaged);
    m_window->Go("e-book://index.htm");
    WaitForPage();
    const std::string text = m_window->GetMessageText();
    EXPECT_NE(text.find("\"index.htm\""), std::string::npos) << text;
    EXPECT_NE(text.find("damaged"), std::string::npos) << text;

    // A page that arrives after the watchdog gave up replaces its message.
    Open(Book(true));
    // The control here fails at once; the slow control is played by starting a navigation
    // that the watchdog then gives up on.
    m_window->Go("e-book://index.htm");
    EXPECT_FALSE(m_window->OnBeforeNavigate("e-book://index.htm", true));
    SendMessageA(m_window->GetHwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::error);
    EXPECT_NE(m_window->GetMessageText().find("gave no answer"), std::string::npos);
    m_window->OnNavigateComplete("e-book://index.htm", true);
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::complete);
    EXPECT_EQ(m_window->GetMessageText(), "");
    EXPECT_FALSE(IsWindowVisible(m_window->GetMessagePane()));

    const struct {
        const char* title;
        const char* caption;
    } titles[] = {{"Second Page", "Reader Book - Second Page"},
                  {"e-book://two.htm", "Reader Book"},
                  {"", "Reader Book"},
                  {"Invoice\t?fdp.exe\x1B[2J\x7F", "Reader Book - Invoice?fdp.exe[2J"}};
    for (const auto& t : titles) {
        m_window->OnTitleChange(t.title);
        char caption[200];
        GetWindowTextA(m_window->GetHwnd(), caption, sizeof(caption));
        EXPECT_STREQ(caption, t.caption);
    }
}

TEST_F(ViewerReader, ToolbarNamesItsKeysAndScalesWithTheMonitor) {
    Open(Book(true));
    HWND tb = m_window->GetToolbar();
    EXPECT_TRUE(GetWindowLongA(tb, GWL_STYLE) & TBSTYLE_TOOLTIPS);
    const struct {
        int id;
        const char* tip;
    } tips[] = {{IDM_BACK, "Back (Alt+Left)"},
                {IDM_SEARCH, "Search (Ctrl+Shift+F)"},
                {IDM_NEXT, "Next (Ctrl+Page Down)"}};
    for (const auto& t : tips) {
        NMTTDISPINFOA a = {};
        a.hdr = {tb, static_cast<UINT_PTR>(t.id), TTN_GETDISPINFOA};
        SendMessageA(m_window->GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&a));
        EXPECT_STREQ(a.lpszText, t.tip);
        NMTTDISPINFOW w = {};
        w.hdr = {tb, static_cast<UINT_PTR>(t.id), TTN_GETDISPINFOW};
        SendMessageA(m_window->GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&w));
        EXPECT_EQ(CWinText::Ansi(w.lpszText), t.tip);
    }

    const int sizes[][2] = {{96, 16}, {119, 16}, {120, 24}, {144, 24}, {168, 32}, {192, 32}};
    for (const auto& s : sizes)
        EXPECT_EQ(CMainWindow::ToolbarIconSize(s[0]), s[1]) << s[0];
    auto iconSize = [tb] {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(tb, TB_GETIMAGELIST, 0, 0)),
                              &cx, &cy);
        return cx;
    };
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(iconSize(), CMainWindow::ToolbarIconSize(GetDeviceCaps(screen, LOGPIXELSY)));
    ReleaseDC(nullptr, screen);
    // Moved to a monitor at 200 %, then back to 100 %.
    for (const auto& step : {std::make_pair(192, 32), std::make_pair(96, 16)}) {
        RECT suggested = {40, 30, 40 + 6 * step.first, 30 + 4 * step.first};
        SendMessageA(m_window->GetHwnd(), 0x02E0, MAKEWPARAM(step.first, step.first),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(iconSize(), step.second);
        EXPECT_EQ(ImageList_GetImageCount(
                      reinterpret_cast<HIMAGELIST>(SendMessageA(tb, TB_GETIMAGELIST, 0, 0))),
                  12);
        RECT now;
        GetWindowRect(m_window->GetHwnd(), &now);
        EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    }
    SaveScreenshot("toolbar-tooltips");

    // The program declares itself aware of each monitor's scale.
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(res, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, res))),
                               SizeofResource(nullptr, res));
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm<"), std::string::npos);
}

TEST_F(ViewerReader, AboutLinksAreReachedByTab) {
    const struct {
        const char* email;
        std::vector<int> order;  // from OK onwards
    } cases[] = {
        {"ann@example.org", {IDC_ABOUT_URL, IDC_ABOUT_EMAIL, IDC_ABOUT_INFO, IDOK}},
        {"", {IDC_ABOUT_URL, IDC_ABOUT_INFO, IDOK}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email);
        CTestBook b = Book(true);
        b.url = "www.example.org";
        b.email = c.email;
        Open(b);
        HWND dlg = CreateAboutBox(m_window->GetHwnd(), *m_book);
        ASSERT_NE(dlg, nullptr);
        std::vector<int> order;
        HWND at = GetDlgItem(dlg, IDOK);
        for (int i = 0; i < 8; ++i) {
            at = GetNextDlgTabItem(dlg, at, FALSE);
            order.push_back(GetDlgCtrlID(at));
            if (order.back() == IDOK)
                break;
        }
        EXPECT_EQ(order, c.order);
        SetFocus(GetDlgItem(dlg, IDC_ABOUT_URL));
        PumpIdle();
        PaintNow(dlg);
        SaveScreenshot("about-link-focus");
        DestroyWindow(dlg);
    }
}

TEST(ViewerEmulation, PagesChooseTheirDocumentModeByDoctype) {
    RequestStandardsMode();
    char exe[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string name(exe, n);
    name = name.substr(name.find_last_of("\\/") + 1);
    DWORD value = 0, size = sizeof(value);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER,
                           "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                           "FEATURE_BROWSER_EMULATION",
                           name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 11000u);
}

}  // namespace
