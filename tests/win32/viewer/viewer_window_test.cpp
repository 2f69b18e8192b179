// The viewer's window in-process: toolbar buttons by settings, their enabled states through page
// sequence and history, full screen, the message shown when the browser control cannot render,
// the About box, the Search dialog and the splash window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "viewer/engines/BookProtocol.h"
#include "platform/Profile.h"
#include "platform/win/ComPtr.h"
#include "platform/win/WinText.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/MainWindow.h"
#include "viewer/Splash.h"
#include "book/Book.h"
#include "viewer/resource.h"

namespace {

const int kAllButtons[] = {kHomeButton,   kPrevNextButtons,  kHistoryButtons, kCopyButton,
                           kSearchButton, kFullScreenButton, kFontSizeButton, kPrintButton,
                           kAboutButton,  kExitButton};

// A book opened and served, with a main window over it.
class ViewerWindow : public CViewerFixture {
  protected:
    std::vector<int> ToolbarIds() {
        std::vector<int> ids;
        HWND tb = m_window->GetToolbar();
        if (!tb)
            return ids;
        const int n = static_cast<int>(SendMessageA(tb, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            TBBUTTON b = {};
            SendMessageA(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
            ids.push_back(b.idCommand);
        }
        return ids;
    }
    bool Enabled(int id) {
        return SendMessageA(m_window->GetToolbar(), TB_ISBUTTONENABLED, id, 0) != 0;
    }
    static CTestBook ThreePages() {
        CTestBook b;
        b.title = "Window Test Book";
        b.Page("index.htm", "<title>One</title>first page")
            .Page("style.css", "p{}", false, false)
            .Page("two.htm", "<title>Two</title>second page")
            .Page("sub/three.htm", "<title>Three</title>third page");
        b.settings[kShowToolbar] = 1;
        for (int s : kAllButtons)
            b.settings[s] = 1;
        return b;
    }
};

TEST_F(ViewerWindow, ToolbarHoldsExactlyTheEnabledButtons) {
    const struct {
        const char* name;
        bool toolbar;
        std::vector<int> settings;
        std::vector<int> ids;
    } cases[] = {
        {"all",
         true,
         std::vector<int>(std::begin(kAllButtons), std::end(kAllButtons)),
         {IDM_HOME, IDM_PREV, IDM_NEXT, IDM_BACK, IDM_FORWARD, IDM_COPY, IDM_SEARCH, IDM_FULLSCREEN,
          IDM_FONTSIZE, IDM_PRINT, IDM_ABOUT, IDM_EXIT}},
        {"some", true, {kHomeButton, kPrintButton, kExitButton}, {IDM_HOME, IDM_PRINT, IDM_EXIT}},
        {"history only", true, {kHistoryButtons}, {IDM_BACK, IDM_FORWARD}},
        {"none", true, {}, {}},
        {"toolbar off", false, {kHomeButton, kExitButton}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestBook b = ThreePages();
        for (int& v : b.settings)
            v = 0;
        b.settings[kShowToolbar] = c.toolbar;
        for (int s : c.settings)
            b.settings[s] = 1;
        Open(b);
        EXPECT_EQ(m_window->GetToolbar() != nullptr, c.toolbar);
        EXPECT_EQ(ToolbarIds(), c.ids);
        EXPECT_EQ(m_window->ToolbarCommands(), c.ids);
        char caption[100];
        GetWindowTextA(m_window->GetHwnd(), caption, sizeof(caption));
        EXPECT_STREQ(caption, "Window Test Book");
    }
}

TEST_F(ViewerWindow, ShowsAMessageWhereTheBrowserCannotRenderAndKeepsWorking) {
    Open(ThreePages());
    GoAndWait();
    SaveScreenshot("main-window");
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
    if (m_window->GetNavOutcome() != NavOutcome::complete) {
        // Wine without a browser engine: the page area says why, in place of the page.
        EXPECT_FALSE(m_window->GetMessageText().empty());
        EXPECT_TRUE(IsWindowVisible(m_window->GetMessagePane()));
        char text[1024];
        GetWindowTextA(m_window->GetMessagePane(), text, sizeof(text));
        EXPECT_EQ(m_window->GetMessageText(), text);
        EXPECT_NE(std::string(text).find("web-browser"), std::string::npos) << text;
        EXPECT_FALSE(Enabled(IDM_PRINT));
        EXPECT_FALSE(Enabled(IDM_COPY));
    }
    EXPECT_TRUE(Enabled(IDM_ABOUT));
    EXPECT_TRUE(Enabled(IDM_SEARCH));
    EXPECT_TRUE(Enabled(IDM_EXIT));
}

TEST_F(ViewerWindow, WithoutABrowserControlTheWindowStillWorks) {
    const CLSID kNoSuchClass = {0x0badc0de, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    Open(ThreePages(), &kNoSuchClass);
    EXPECT_NE(m_window->GetMessageText().find("could not be created"), std::string::npos)
        << m_window->GetMessageText();
    GoAndWait();
    EXPECT_EQ(m_window->GetNavOutcome(), NavOutcome::noBrowser);
    EXPECT_TRUE(IsWindowVisible(m_window->GetMessagePane()));
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
    EXPECT_TRUE(Enabled(IDM_NEXT));
    EXPECT_FALSE(Enabled(IDM_COPY));
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_NEXT, 0);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_TRUE(Enabled(IDM_BACK));
    SaveScreenshot("no-browser");
}

TEST_F(ViewerWindow, SequenceAndHistoryButtonsFollowThePages) {
    Open(ThreePages());
    GoAndWait();
    EXPECT_TRUE(Enabled(IDM_HOME));
    EXPECT_FALSE(Enabled(IDM_PREV));
    EXPECT_TRUE(Enabled(IDM_NEXT));
    EXPECT_FALSE(Enabled(IDM_BACK));
    EXPECT_FALSE(Enabled(IDM_FORWARD));

    const struct {
        int command;
        const char* url;
        bool prev, next, back, forward;
    } steps[] = {
        {IDM_NEXT, "e-book://two.htm", true, true, true, false},
        {IDM_NEXT, "e-book://sub/three.htm", true, false, true, false},
        {IDM_BACK, "e-book://two.htm", true, true, true, true},
        {IDM_BACK, "e-book://index.htm", false, true, false, true},
        {IDM_FORWARD, "e-book://two.htm", true, true, true, true},
        {IDM_PREV, "e-book://index.htm", false, true, true, false},
        {IDM_HOME, "e-book://index.htm", false, true, true, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.command) + " to " + s.url);
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, s.command, 0);
        EXPECT_TRUE(
            PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000));
        PumpIdle();
        EXPECT_EQ(m_window->CurrentUrl(), s.url);
        EXPECT_EQ(Enabled(IDM_PREV), s.prev);
        EXPECT_EQ(Enabled(IDM_NEXT), s.next);
        EXPECT_EQ(Enabled(IDM_BACK), s.back);
        EXPECT_EQ(Enabled(IDM_FORWARD), s.forward);
    }
    // A page outside the sequence has neither Previous nor Next.
    GoAndWait("e-book://style.css");
    EXPECT_FALSE(Enabled(IDM_PREV));
    EXPECT_FALSE(Enabled(IDM_NEXT));
}

TEST_F(ViewerWindow, FullScreenByButtonAndEscape) {
    Open(ThreePages());
    RECT before;
    GetWindowRect(m_window->GetHwnd(), &before);
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_FULLSCREEN, 0);
    EXPECT_TRUE(m_window->IsFullScreen());
    RECT full;
    GetWindowRect(m_window->GetHwnd(), &full);
    EXPECT_EQ(full.right - full.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(full.bottom - full.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetWindowLongA(m_window->GetHwnd(), GWL_STYLE) & WS_CAPTION, 0);

    // Esc goes through the accelerators as a key press would.
    MSG msg = {m_window->GetHwnd(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    EXPECT_TRUE(m_window->PreTranslate(&msg));
    EXPECT_FALSE(m_window->IsFullScreen());
    RECT after;
    GetWindowRect(m_window->GetHwnd(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    // Outside full screen Esc is left to the page.
    EXPECT_FALSE(m_window->PreTranslate(&msg));
}

// The reader's place outlives the window: the next window over the book opens on the last page
// read, where the window was, at the text size chosen and with the contents pane as it was left;
// unusable stored values are ignored.
TEST_F(ViewerWindow, RemembersTheLastPagePlacementAndTextSize) {
    MemoryProfile place;
    place.values[{"book.exe", "TextSize"}] = "4";
    Open(ThreePages(), nullptr, &place);
    m_window->GoToStart();
    PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
    EXPECT_EQ(m_window->GetZoom(), 4);
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_NEXT, 0);
    PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000);
    SetWindowPos(m_window->GetHwnd(), nullptr, 110, 70, 640, 480, SWP_NOZORDER);
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    m_window.reset();
    EXPECT_EQ(place.values[std::make_pair(std::string("book.exe"), std::string("Page"))],
              "e-book://two.htm");
    EXPECT_EQ(place.values[std::make_pair(std::string("book.exe"), std::string("Contents"))], "1");

    Open(ThreePages(), nullptr, &place);
    m_window->GoToStart();
    PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_EQ(m_window->GetZoom(), 4);
    EXPECT_TRUE(m_window->Contents().IsOpen());  // the pane as the reader left it
    RECT rc;
    GetWindowRect(m_window->GetHwnd(), &rc);
    EXPECT_EQ(rc.left, 110);
    EXPECT_EQ(rc.top, 70);
    EXPECT_EQ(rc.right - rc.left, 640);
    EXPECT_EQ(rc.bottom - rc.top, 480);

    const struct {
        const char *page, *placement, *size;
    } bad[] = {
        {"e-book://gone.htm", "0 110 70 130 90", "9"},          // no such page; a sliver
        {"http://example.com/", "0 -90000 0 -89000 800", "x"},  // not a book page; off screen
        {"index.htm", "1 110 70 750", "-1"},                    // not a URL; incomplete
        // On the monitor by a corner only: the caption would be out of reach.
        {"e-book://index.htm", "0 -1180 -580 20 20", "2"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.placement);
        m_window.reset();  // it writes its own place on closing
        place.values[{"book.exe", "Page"}] = b.page;
        place.values[{"book.exe", "Placement"}] = b.placement;
        place.values[{"book.exe", "TextSize"}] = b.size;
        place.values[{"book.exe", "Contents"}] = b.size;
        Open(ThreePages(), nullptr, &place);
        m_window->GoToStart();
        PumpUntil([this] { return m_window->GetNavOutcome() != NavOutcome::pending; }, 20000);
        EXPECT_EQ(m_window->CurrentUrl(), "e-book://index.htm");
        EXPECT_EQ(m_window->GetZoom(), 2);
        EXPECT_FALSE(m_window->Contents().IsOpen());
        EXPECT_FALSE(IsZoomed(m_window->GetHwnd()));
        GetWindowRect(m_window->GetHwnd(), &rc);
        EXPECT_GE(rc.right - rc.left, 200);
        EXPECT_GE(rc.right, 100);
        EXPECT_GE(rc.top, 0);
    }
    m_window.reset();  // it writes its place on closing, while place still exists
}

TEST_F(ViewerWindow, StartsFullScreenOrMaximisedAsTheBookAsks) {
    CTestBook b = ThreePages();
    b.settings[kStartMaximized] = 1;
    Open(b);
    EXPECT_TRUE(IsZoomed(m_window->GetHwnd()));
    // The page area (here the message in place of the page) fills the maximised client area
    // below the toolbar, not the size the window had before it was maximised.
    GoAndWait();
    RECT client, pane;
    GetClientRect(m_window->GetHwnd(), &client);
    GetWindowRect(m_window->GetMessagePane(), &pane);
    MapWindowPoints(nullptr, m_window->GetHwnd(), reinterpret_cast<POINT*>(&pane), 2);
    EXPECT_GT(client.right, 800);
    EXPECT_EQ(pane.left, 0);
    EXPECT_EQ(pane.right, client.right);
    EXPECT_EQ(pane.bottom, client.bottom);
    SaveScreenshot("maximised");
    b.settings[kStartFullScreen] = 1;
    Open(b);
    EXPECT_TRUE(m_window->IsFullScreen());
}

// The contents pane: closed at first (the page has the whole width, the toolbar is the book's),
// opened by its command with the sequence's pages under their folders (a book whose pages hold
// no contents), the page shown highlighted as it changes; a page picked in it opens.
TEST_F(ViewerWindow, ContentsPaneListsTheSequenceAndFollowsThePage) {
    CTestBook b = ThreePages();
    b.Page("sub/four.htm", "no title here").Page("five.htm", "<title>Five</title>back at the top");
    Open(b);
    const std::vector<int> toolbar = ToolbarIds();
    GoAndWait();
    HWND tree = m_window->Contents().GetHwnd();
    ASSERT_NE(tree, nullptr);
    auto pageLeft = [this] {
        RECT rc;
        GetWindowRect(m_window->GetMessagePane(), &rc);
        MapWindowPoints(nullptr, m_window->GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc.left;
    };
    EXPECT_FALSE(IsWindowVisible(tree));
    EXPECT_EQ(pageLeft(), 0);

    // Ctrl+T opens it.
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG ctrlT = {m_window->GetHwnd(), WM_KEYDOWN, 'T', 0x00140001, 0, {0, 0}};
    EXPECT_TRUE(m_window->PreTranslate(&ctrlT));
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
    EXPECT_TRUE(IsWindowVisible(tree));
    EXPECT_GT(pageLeft(), 100);
    EXPECT_EQ(ToolbarIds(), toolbar);
    // The file names at once, the titles once the pages have been read.
    EXPECT_TRUE(PumpUntil([this] { return m_window->Contents().ShowsFoundContents(); }, 20000));
    PumpIdle();
    PaintNow(m_window->GetHwnd());
    SaveScreenshot("contents-pane");
    auto label = [tree](HTREEITEM item) {
        wchar_t buf[128] = {};
        TVITEMW it = {};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buf;
        it.cchTextMax = 128;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return CWinText::Ansi(buf);
    };
    // Every item in display order, indented by depth (a branch is filled as it opens).
    std::vector<std::string> items;
    std::vector<HTREEITEM> handles;
    std::function<void(HTREEITEM, const std::string&)> walk = [&](HTREEITEM item,
                                                                  const std::string& indent) {
        for (; item; item = TreeView_GetNextSibling(tree, item)) {
            items.push_back(indent + label(item));
            handles.push_back(item);
            TreeView_Expand(tree, item, TVE_EXPAND);
            walk(TreeView_GetChild(tree, item), indent + "  ");
        }
    };
    walk(TreeView_GetRoot(tree), "");
    EXPECT_EQ(items,
              std::vector<std::string>({"One", "Two", "sub", "  Three", "  four.htm", "Five"}));
    auto selected = [&] { return label(TreeView_GetSelection(tree)); };
    EXPECT_EQ(selected(), "One");
    GoAndWait("e-book://sub/three.htm");
    EXPECT_EQ(selected(), "Three");

    ASSERT_EQ(handles.size(), 6u);
    TreeView_SelectItem(tree, handles[1]);
    EXPECT_TRUE(PumpUntil([this] { return m_window->CurrentUrl() == "e-book://two.htm"; }, 20000));
    TreeView_SelectItem(tree, handles[2]);  // a folder opens nothing
    PumpIdle();
    EXPECT_NE(m_window->GetNavOutcome(), NavOutcome::pending);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");

    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    EXPECT_FALSE(IsWindowVisible(tree));
    EXPECT_EQ(pageLeft(), 0);
}

TEST_F(ViewerWindow, AboutBoxShowsTheBookTexts) {
    CTestBook b = ThreePages();
    b.title = "About Test";
    b.author = "Ann Author";
    b.copyright = "Copyright 2026 Ann";
    b.url = "www.example.org";
    b.email = "ann@example.org";
    b.about = "First line\nSecond line";
    Open(b);
    HWND dlg = CreateAboutBox(m_window->GetHwnd(), *m_book);
    ASSERT_NE(dlg, nullptr);
    PumpIdle();
    PaintNow(dlg);
    SaveScreenshot("about-box");
    auto text = [dlg](int id) {
        wchar_t buf[512] = {};
        GetDlgItemTextW(dlg, id, buf, 512);
        return CWinText::Ansi(buf);
    };
    EXPECT_EQ(text(IDC_ABOUT_TITLE), "About Test");
    EXPECT_EQ(text(IDC_ABOUT_AUTHOR), "Ann Author");
    EXPECT_EQ(text(IDC_ABOUT_COPYRIGHT), "Copyright 2026 Ann");
    EXPECT_EQ(text(IDC_ABOUT_URL), "www.example.org");
    EXPECT_EQ(text(IDC_ABOUT_EMAIL), "ann@example.org");
    EXPECT_EQ(text(IDC_ABOUT_INFO), "First line\r\nSecond line");
    char caption[100];
    GetWindowTextA(dlg, caption, sizeof(caption));
    EXPECT_STREQ(caption, "About About Test");
    // The links take clicks.
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dlg, IDC_ABOUT_URL), GWL_STYLE) & SS_NOTIFY);
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(ViewerWindow, SearchDialogListsMatchesByTitleAndOpensOne) {
    Open(ThreePages());
    HWND dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer());
    ASSERT_NE(dlg, nullptr);
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"PAGE");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    // The first search returns at once: the index is built on another thread and the results
    // come with its last message.
    HWND list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    wchar_t text[128] = {};
    GetDlgItemTextW(dlg, IDC_SEARCH_STATUS, text, 128);
    EXPECT_EQ(std::wstring(text).compare(0, 17, L"Reading the pages"), 0);
    EXPECT_TRUE(PumpUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) > 0; }, 10000));
    PumpIdle();
    PaintNow(dlg);
    SaveScreenshot("search-dialog");
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    // The text around the match of the selected hit.
    GetDlgItemTextW(dlg, IDC_SEARCH_SNIPPET, text, 128);
    EXPECT_EQ(CWinText::Ansi(text), "first page");
    std::vector<std::string> titles;
    for (int i = 0; i < 3; ++i) {
        wchar_t buf[256] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        titles.push_back(CWinText::Ansi(buf));
    }
    EXPECT_EQ(titles, std::vector<std::string>({"One", "Two", "Three"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));

    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"third");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    // Opening a result opens its page in the window; the dialog steps aside with its results.
    SendMessageW(dlg, WM_COMMAND, IDOK, 0);
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/three.htm");
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    DestroyWindow(dlg);

    // The keyboard: Enter searches while the text is being typed and opens the selected result
    // once there are results; a changed text makes Enter search again instead of opening.
    dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer());
    ASSERT_NE(dlg, nullptr);
    HWND edit = GetDlgItem(dlg, IDC_SEARCH_TEXT);
    list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    auto pressEnter = [dlg](HWND focus) {
        SetFocus(focus);
        MSG enter = {focus, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
        return IsDialogMessageW(dlg, &enter) != FALSE;
    };
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"page");
    EXPECT_TRUE(pressEnter(edit));
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK);
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"second");
    EXPECT_TRUE(pressEnter(edit));
    ASSERT_TRUE(IsWindowVisible(dlg))
        << "Enter after a new text opened a page instead of searching";
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/three.htm");
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_TRUE(pressEnter(list));
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");
    EXPECT_FALSE(IsWindowVisible(dlg));
    DestroyWindow(dlg);

    dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer());
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"nowhere to be found");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    EXPECT_EQ(SendMessageW(list = GetDlgItem(dlg, IDC_SEARCH_RESULTS), LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    wchar_t status[100] = {};
    GetDlgItemTextW(dlg, IDC_SEARCH_STATUS, status, 100);
    EXPECT_EQ(CWinText::Ansi(status), "No page contains this text.");
    SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://two.htm");

    // Closing the dialog while the index is built stops the build; the next search builds again.
    Open(ThreePages());
    CSearchIndexer& indexer = m_window->SearchIndexer();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, indexer);
        SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"second");
        SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
        list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
        if (round == 0) {
            SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            EXPECT_FALSE(indexer.IsRunning());
            continue;
        }
        EXPECT_TRUE(PumpUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) > 0; }, 10000));
        EXPECT_TRUE(indexer.IsBuilt());
        EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
        SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    }

    // A page that could not be indexed is counted in the answer: "no page" is then not the
    // whole book's.
    CTestBook damaged = ThreePages();
    damaged.bBadPackedPage = true;
    Open(damaged);
    dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer());
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"nowhere to be found");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    // The answer comes with the index's last message, after the index is built.
    EXPECT_TRUE(PumpUntil(
        [&] {
            GetDlgItemTextW(dlg, IDC_SEARCH_STATUS, status, 100);
            return m_window->SearchIndexer().IsBuilt() &&
                   std::wstring(status).compare(0, 17, L"Reading the pages") != 0;
        },
        10000));
    EXPECT_EQ(CWinText::Ansi(status), "No page contains this text. 1 page could not be searched.");
    SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
}

// A page opened from the search gets the query's words to mark (the marking itself, and F3 to
// the next one, need the browser engine, which the tests run without).
TEST_F(ViewerWindow, APageOpenedFromTheSearchGetsTheWordsToMark) {
    Open(ThreePages());
    GoAndWait();
    EXPECT_TRUE(m_window->PageHits().Terms().empty());
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_SEARCH, 0);
    HWND dlg = m_window->GetSearchDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_SEARCH_TEXT));
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"Third PAGE");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    ASSERT_TRUE(PumpUntil(
        [dlg] { return SendDlgItemMessageW(dlg, IDC_SEARCH_RESULTS, LB_GETCOUNT, 0, 0) > 0; },
        10000));
    SendMessageW(dlg, WM_COMMAND, IDOK, 0);
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/three.htm");
    EXPECT_EQ(m_window->PageHits().Terms(), std::vector<std::wstring>({L"third", L"page"}));
    // Without a document F3 does nothing, and nothing breaks.
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_FIND_NEXT_HIT, 0);
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://sub/three.htm");
}

TEST(ViewerSplashWindow, ShowsTheBitmapCentredAndCloses) {
    CTempFolder dir;
    CTestBook b;
    b.Page("index.htm", "x");
    b.splash = CTestBook::Bitmap(160, 100, 0x20, 0xC0, 0x40);
    b.Write(dir.File("splash.exe"), "MZ viewer stub for the splash test");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("splash.exe")));
    SplashImage image;
    ASSERT_TRUE(book.ReadSplash(&image));
    // What the reader was in: the splash leaves it the focus (a screen reader reads what has it).
    HWND before = CreateWindowExA(0, "EDIT", "reading", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(before);
    SetFocus(before);
    PumpIdle();
    ASSERT_EQ(GetFocus(), before);

    HWND splash = CreateSplashWindow(GetModuleHandleA(nullptr), image, 60000);
    ASSERT_NE(splash, nullptr);
    PumpIdle();
    EXPECT_EQ(GetForegroundWindow(), before);
    EXPECT_EQ(GetFocus(), before);
    DestroyWindow(before);
    PaintNow(splash);
    SaveScreenshot("splash");
    RECT rc;
    GetWindowRect(splash, &rc);
    EXPECT_EQ(rc.right - rc.left, 160);
    EXPECT_EQ(rc.bottom - rc.top, 100);
    EXPECT_EQ(GetWindowLongA(splash, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((rc.left + rc.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((rc.top + rc.bottom) - (work.top + work.bottom)), 2);
    // The bitmap's colour is really on the screen.
    EXPECT_EQ(ScreenPixel((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2),
              RGB(0x20, 0xC0, 0x40));
    // A click closes it.
    SendMessageA(splash, WM_LBUTTONDOWN, 0, 0);
    EXPECT_FALSE(IsWindow(splash));

    // Closing by itself after the time.
    splash = CreateSplashWindow(GetModuleHandleA(nullptr), image, 200);
    EXPECT_TRUE(PumpUntil([splash] { return !IsWindow(splash); }, 5000));
}

}  // namespace
