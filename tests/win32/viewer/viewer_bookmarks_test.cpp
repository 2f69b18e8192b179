// The reader's bookmarks in the viewer: Ctrl+D adds the place shown, the pane lists them below
// the contents (Ctrl+B), F2 renames in place, Del deletes, Enter opens; they are stored beside
// the book's remembered place and come back in the next window, also over a rebuilt book whose
// pages moved; a damaged stored value costs nothing but itself.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "platform/Profile.h"
#include "platform/win/WinText.h"
#include "viewer/MainWindow.h"
#include "viewer/resource.h"

namespace {

class ViewerBookmarks : public CViewerFixture {
  protected:
    static CTestBook Book(const std::vector<std::string>& pages) {
        CTestBook b;
        b.title = "Marked Book";
        for (const std::string& p : pages)
            b.Page(p, "<title>" + p + "</title>text of " + p);
        return b;
    }
    void OpenBook(const std::vector<std::string>& pages) {
        Open(Book(pages), nullptr, &m_place);
        m_window->GoToStart();
        WaitForPage();
    }
    void Bookmark(const std::string& url) {
        GoAndWait(url);
        SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_BOOKMARK_ADD, 0);
    }
    // The labels the list shows, top to bottom.
    std::vector<std::string> Listed() {
        std::vector<std::string> out;
        HWND list = m_window->GetBookmarksList();
        const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[256] = {};
            LVITEMW item = {};
            item.pszText = text;
            item.cchTextMax = 256;
            SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            out.push_back(CWinText::Ansi(text, CP_UTF8));
        }
        return out;
    }
    int SelectedRow() {
        return static_cast<int>(
            SendMessageW(m_window->GetBookmarksList(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    }
    std::string Stored() { return m_place.values[{"book.exe", "Bookmarks"}]; }

    MemoryProfile m_place;
};

TEST_F(ViewerBookmarks, AddedRenamedDeletedOpenedAndKeptForTheNextWindow) {
    OpenBook({"index.htm", "two.htm", "sub/three.htm"});
    EXPECT_TRUE(Listed().empty());
    Bookmark("e-book://sub/three.htm");
    Bookmark("e-book://two.htm#part-2");
    Bookmark("e-book://sub/three.htm");  // already there: selected, not added again
    // This Wine draws no page, so no page names itself: the labels are the file names.
    EXPECT_EQ(Listed(), std::vector<std::string>({"sub/three.htm", "two.htm"}));
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_NE(Stored().find("two.htm\tpart-2\t"), std::string::npos) << Stored();

    // Ctrl+B opens the pane at the bookmarks, with the focus there.
    EXPECT_FALSE(m_window->Contents().IsOpen());
    SetForegroundWindow(m_window->GetHwnd());
    ASSERT_TRUE(Until([this] { return GetForegroundWindow() == m_window->GetHwnd(); }));
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_BOOKMARKS, 0);
    HWND list = m_window->GetBookmarksList();
    EXPECT_TRUE(m_window->Contents().IsOpen());
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(GetFocus(), list);

    // F2 renames in place: the field opens on the label, Enter keeps the new one.
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Press({VK_F2});
    HWND field = nullptr;
    ASSERT_TRUE(Until([&] { return (field = ListView_GetEditControl(list)) != nullptr; }));
    SetWindowTextW(field, L"  Part two, \x00E9t\x00E9 \t");
    Press({VK_RETURN});
    EXPECT_TRUE(Until([&] { return ListView_GetEditControl(list) == nullptr; }));
    EXPECT_EQ(Listed(), std::vector<std::string>({"sub/three.htm", "Part two, \xC3\xA9t\xC3\xA9"}));
    EXPECT_NE(Stored().find("\tPart two, %C3%A9t%C3%A9\n"), std::string::npos) << Stored();
    // Escape in the field leaves the label as it was.
    Press({VK_F2});
    ASSERT_TRUE(Until([&] { return (field = ListView_GetEditControl(list)) != nullptr; }));
    SetWindowTextW(field, L"not this");
    Press({VK_ESCAPE});
    EXPECT_TRUE(Until([&] { return ListView_GetEditControl(list) == nullptr; }));
    EXPECT_EQ(Listed()[1], "Part two, \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(GetFocus(), list) << "Escape in the field went further than the field";

    // Enter opens the selected one, fragment and all.
    Press({VK_RETURN});
    EXPECT_TRUE(Until([this] { return m_window->CurrentUrl() == "e-book://two.htm#part-2"; }));
    WaitForPage();

    // Del deletes the selected one.
    ::SetFocus(list);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Press({VK_DELETE});
    EXPECT_TRUE(Until([this] { return Listed().size() == 1; }));
    EXPECT_EQ(Stored().find("three.htm"), std::string::npos);

    // The next window over the book lists what is left.
    Bookmark("e-book://index.htm");
    m_window.reset();
    OpenBook({"index.htm", "two.htm", "sub/three.htm"});
    EXPECT_EQ(Listed(), std::vector<std::string>({"Part two, \xC3\xA9t\xC3\xA9", "index.htm"}));
}

// Once the book's contents are found, a bookmark takes the label the contents give its place: a
// section's own, or the page's, told apart from another page of the same title.
TEST_F(ViewerBookmarks, TheLabelIsTheOneTheContentsGiveThePlace) {
    CTestBook b;
    b.Page("index.htm",
           "<title>Start</title><nav><ul><li><a href=\"a/notes.htm\">Notes</a>"
           "<li><a href=\"b/notes.htm\">Notes</a><ul><li><a href=\"b/notes.htm#walks\">Walks</a>"
           "</ul><li><a href=\"more.htm\">More</a></ul></nav>")
        .Page("a/notes.htm", "<title>Notes</title><h1>Cats</h1>text")
        .Page("more.htm", "<title>More</title>text")
        .Page("b/notes.htm", "<title>Notes</title><h1>Dogs</h1><h2 id=walks>Walks</h2>text");
    Open(b, nullptr, &m_place);
    GoAndWait();
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    ASSERT_TRUE(PumpUntil([this] { return m_window->Contents().Builder().IsDone(); }, 20000));
    Bookmark("e-book://a/notes.htm");
    Bookmark("e-book://b/notes.htm#walks");
    Bookmark("e-book://b/notes.htm");
    EXPECT_EQ(Listed(), std::vector<std::string>(
                            {"Notes \xE2\x80\x93 Cats", "Walks", "Notes \xE2\x80\x93 Dogs"}));
}

TEST_F(ViewerBookmarks, ARebuiltBookKeepsThemWhereverItsPagesMoved) {
    OpenBook({"index.htm", "two.htm", "three.htm"});
    Bookmark("e-book://three.htm");
    Bookmark("e-book://two.htm");
    m_window.reset();
    // Rebuilt: a page before them all, two.htm gone.
    OpenBook({"preface.htm", "index.htm", "three.htm", "four.htm"});
    EXPECT_EQ(Listed(), std::vector<std::string>({"three.htm"}));
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_BOOKMARKS, 0);
    SetForegroundWindow(m_window->GetHwnd());
    ASSERT_TRUE(Until([this] { return GetForegroundWindow() == m_window->GetHwnd(); }));
    ::SetFocus(m_window->GetBookmarksList());
    Press({VK_RETURN});
    EXPECT_TRUE(Until([this] { return m_window->CurrentUrl() == "e-book://three.htm"; }));
    WaitForPage();
    // two.htm's bookmark waits, unseen, for its page.
    m_window.reset();
    OpenBook({"index.htm", "two.htm", "three.htm"});
    EXPECT_EQ(Listed(), std::vector<std::string>({"three.htm", "two.htm"}));
}

TEST_F(ViewerBookmarks, ADamagedStoredValueCostsOnlyItself) {
    const struct {
        const char* name;
        std::string stored;
        std::vector<std::string> listed;
    } cases[] = {
        {"garbage", std::string("\x01\xFF\xFEgarbage\n\t\t\t", 12), {}},
        {"without its header", "two.htm\t\tTwo\n", {}},
        {"one bad line", "pagevane-bookmarks 1\nbad%ZZ\t\tx\ntwo.htm\t\tTwo\n", {"Two"}},
        {"a page that is not there", "pagevane-bookmarks 1\ngone.htm\t\tGone\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_window.reset();
        m_place.values[{"book.exe", "Bookmarks"}] = c.stored;
        OpenBook({"index.htm", "two.htm"});
        EXPECT_EQ(Listed(), c.listed);
        // Nothing is written back until the reader changes something.
        EXPECT_EQ(Stored(), c.stored);
        Bookmark("e-book://index.htm");
        EXPECT_EQ(Listed().size(), c.listed.size() + 1);
    }
}

}  // namespace
