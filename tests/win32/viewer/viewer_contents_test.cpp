// The contents pane as a tree: the book's own contents found in the background and shown in place
// of the page list, on a real site (Debian's maint-guide, DocBook); the shown page's entry
// selected as the reader moves by Next, a link and Back; a fragment entry opened; a tree of
// 13,000 entries filled only as far as it is opened; the search's results named as the tree
// names their pages.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "platform/win/WinText.h"
#include "viewer/MainWindow.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/resource.h"

namespace {

class ViewerContents : public CViewerFixture {
  protected:
    HWND Tree() { return m_window->Contents().GetHwnd(); }
    std::string Label(HTREEITEM item) {
        wchar_t buf[256] = {};
        TVITEMW it = {};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buf;
        it.cchTextMax = 256;
        SendMessageW(Tree(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return CWinText::Ansi(buf, CP_UTF8);
    }
    std::string Selected() { return Label(TreeView_GetSelection(Tree())); }
    // The label the tree gives the page shown.
    std::string EntryOfShownPage() {
        const CContentsTree& tree = m_window->Contents().Shown();
        const size_t entry = tree.EntryForUrl(*m_book, m_window->CurrentUrl());
        return entry == CContentsTree::npos ? "(none)" : tree.Entries()[entry].strLabel;
    }
    // Whether an item is inserted and scrolled into view.
    bool Visible(HTREEITEM item) {
        RECT rc = {};
        std::memcpy(&rc, &item, sizeof(item));  // TVM_GETITEMRECT takes the item in the rect
        if (!SendMessageW(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc)))
            return false;
        RECT client;
        GetClientRect(Tree(), &client);
        return rc.top >= 0 && rc.bottom <= client.bottom;
    }
    void OpenPane() {
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
        ASSERT_TRUE(IsWindowVisible(Tree()));
        ASSERT_TRUE(PumpUntil([this] { return m_window->Contents().ShowsFoundContents(); }, 60000))
            << "the book's contents never replaced the page list";
    }
    // A link the page follows: the engine's own navigation, as a click on it makes.
    void FollowLink(const std::string& url) {
        ASSERT_FALSE(m_window->OnBeforeNavigate(url, true, IBrowserEvents::Starter::reader));
        m_window->OnNavigateComplete(url, true);
        PumpIdle();
    }
};

// The site's HTML files (the home page first, the others in name order).
CTestBook ReadSite(const std::string& folder, const std::string& home) {
    CTestBook b;
    b.title = "Real site";
    b.settings[kShowToolbar] = 1;
    b.settings[kPrevNextButtons] = 1;
    b.settings[kHistoryButtons] = 1;
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*.html").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (home != found.cFileName)
                names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), home);
    for (const std::string& name : names)
        b.Page(name, CTestBook::ReadFile(folder + name));
    return b;
}

TEST_F(ViewerContents, ShowsARealSitesTreeAndFollowsTheReader) {
    const std::string folder = "Z:\\usr\\share\\doc\\maint-guide\\html\\";
    if (GetFileAttributesA((folder + "index.en.html").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "maint-guide is not installed (scripts/bootstrap.sh installs it)";
    Open(ReadSite(folder, "index.en.html"));
    GoAndWait();
    OpenPane();
    PumpIdle();
    PaintNow(m_window->GetHwnd());
    SaveScreenshot("contents-tree");
    // The chapters at the top, the home page first; nothing below them inserted yet but the
    // shown page's branch.
    std::vector<std::string> top;
    for (HTREEITEM item = TreeView_GetRoot(Tree()); item;
         item = TreeView_GetNextSibling(Tree(), item))
        top.push_back(Label(item));
    ASSERT_GE(top.size(), 5u);
    EXPECT_EQ(top[0], "Debian New Maintainers' Guide");
    EXPECT_EQ(top[1], "1. Getting started The Right Way");
    EXPECT_EQ(Selected(), top[0]);
    EXPECT_EQ(GetScrollPos(Tree(), SB_HORZ), 0);
    RECT first = {};
    HTREEITEM root = TreeView_GetRoot(Tree());
    std::memcpy(&first, &root, sizeof(root));
    SendMessageW(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&first));
    EXPECT_GT(first.left, 10) << "no room for the lines at the root";

    // Next, then a link, then Back: the shown page's entry is selected each time, its branch
    // open and in view.
    m_window->RunCommand(IDM_NEXT);
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://advanced.en.html");
    EXPECT_EQ(Selected(), EntryOfShownPage());
    EXPECT_NE(Selected(), "");
    FollowLink("e-book://dreq.en.html");
    EXPECT_EQ(Selected(), "4. Required files under the debian directory");
    EXPECT_TRUE(Visible(TreeView_GetSelection(Tree())));
    m_window->RunCommand(IDM_BACK);
    WaitForPage();
    EXPECT_EQ(m_window->CurrentUrl(), "e-book://advanced.en.html");
    EXPECT_EQ(Selected(), EntryOfShownPage());

    // A section of a chapter page opens the page at its fragment, and stays selected.
    FollowLink("e-book://dreq.en.html");
    HTREEITEM chapter = TreeView_GetSelection(Tree());
    TreeView_Expand(Tree(), chapter, TVE_EXPAND);
    HTREEITEM section = TreeView_GetChild(Tree(), chapter);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(Label(section), "4.1. control");
    TreeView_SelectItem(Tree(), section);
    EXPECT_TRUE(PumpUntil(
        [this] { return m_window->CurrentUrl() == "e-book://dreq.en.html#control"; }, 20000))
        << m_window->CurrentUrl();
    WaitForPage();
    EXPECT_EQ(Selected(), "4.1. control");
    SaveScreenshot("contents-tree-section");
}

// 13,000 entries: the tree view holds the top level and the shown page's branch, filled as
// branches open; the search lists its results by the tree's labels, which tell apart the pages
// titled alike.
TEST_F(ViewerContents, FillsALargeTreeAsItOpensAndNamesTheSearchResults) {
    CTestBook b;
    b.settings[kShowToolbar] = 1;
    std::string nav = "<title>Home</title><nav><ul>";
    std::vector<std::string> pages;
    for (int c = 0; c < 100; ++c) {
        nav += "<li><a href=\"c" + std::to_string(c) + ".htm\">Chapter " + std::to_string(c) +
               "</a><ul>";
        pages.push_back("c" + std::to_string(c) + ".htm");
        for (int s = 0; s < 129; ++s)
            nav += "<li><a href=\"c" + std::to_string(c) + ".htm#s" + std::to_string(s) +
                   "\">Section " + std::to_string(s) + "</a>";
        nav += "</ul>";
    }
    nav += "<li><a href=\"a/notes.htm\">Notes</a><li><a href=\"b/notes.htm\">Notes</a></ul></nav>";
    b.Page("index.htm", nav);
    for (const std::string& p : pages)
        b.Page(p, "<title>" + p + "</title>text");
    b.Page("a/notes.htm", "<title>Notes</title><h1>Cats</h1>shared word");
    b.Page("b/notes.htm", "<title>Notes</title><h1>Dogs</h1>shared word");
    Open(b);
    GoAndWait();
    OpenPane();
    EXPECT_EQ(m_window->Contents().Shown().Size(), 1u + 100 * 130 + 2);
    EXPECT_EQ(SendMessageW(Tree(), TVM_GETCOUNT, 0, 0), 1 + 100 + 2);
    GoAndWait("e-book://c57.htm#s128");
    EXPECT_EQ(Selected(), "Section 128");
    EXPECT_TRUE(Visible(TreeView_GetSelection(Tree())));
    EXPECT_EQ(SendMessageW(Tree(), TVM_GETCOUNT, 0, 0), 1 + 100 + 2 + 129);

    HWND dlg = CreateSearchDialog(m_window->GetHwnd(), *m_book, m_window->SearchIndexer(),
                                  &m_window->Contents().Builder());
    ASSERT_NE(dlg, nullptr);
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"shared");
    SendMessageW(dlg, WM_COMMAND, IDC_SEARCH_GO, 0);
    HWND list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    ASSERT_TRUE(PumpUntil([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 2; }, 20000));
    std::vector<std::string> titles;
    for (int i = 0; i < 2; ++i) {
        wchar_t buf[256] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        titles.push_back(CWinText::Ansi(buf, CP_UTF8));
    }
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles,
              std::vector<std::string>({"Notes \xE2\x80\x93 Cats", "Notes \xE2\x80\x93 Dogs"}));
    DestroyWindow(dlg);
}

}  // namespace
