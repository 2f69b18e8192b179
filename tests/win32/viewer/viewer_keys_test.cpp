// The viewer without a mouse: keys typed through SendInput, as a keyboard types them, go through
// the window's message filter as in the viewer's own loop. F6 and Shift+F6 move the focus
// between the contents pane, the page and the search results; Escape returns to the page; every
// command answers its key, and Alt opens them all as a menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "viewer/MainWindow.h"
#include "viewer/resource.h"

namespace {

// The captions of the windows activated on this thread while it runs (dialogs that come and go
// inside a key's command).
std::vector<std::string> g_activated;
LRESULT CALLBACK RecordActivation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        char caption[128] = {};
        GetWindowTextA(reinterpret_cast<HWND>(wp), caption, sizeof(caption));
        g_activated.push_back(caption);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

class ViewerKeys : public CViewerFixture {
  protected:
    static CTestBook Book() { return EveryButtonBook("Keys Book"); }
    // The window in front, its page shown: keys typed now reach it.
    void OpenInFront() {
        Open(Book());
        GoAndWait();
        SetForegroundWindow(m_window->GetHwnd());
        ASSERT_TRUE(
            PumpUntil([this] { return GetForegroundWindow() == m_window->GetHwnd(); }, 5000));
    }
    // The part of the window with the focus: "pane", "page", "results" or "elsewhere".
    std::string FocusIsIn() {
        const HWND focus = GetFocus();
        const HWND search = m_window->GetSearchDialog();
        if (focus && search && (focus == search || IsChild(search, focus)))
            return IsWindowVisible(search) ? "results" : "hidden results";
        if (focus &&
            (focus == m_window->Contents().GetHwnd() || focus == m_window->GetBookmarksList()))
            return "pane";
        const HWND page = m_window->GetPageWindow();
        if (focus && (focus == m_window->GetMessagePane() || focus == page ||
                      (page && IsChild(page, focus))))
            return "page";
        return "elsewhere";
    }
    void PressAndExpectFocus(std::initializer_list<WORD> keys, const std::string& where) {
        Press(keys);
        EXPECT_TRUE(Until([&] { return FocusIsIn() == where; })) << "focus in " << FocusIsIn();
    }
};

TEST_F(ViewerKeys, F6MovesTheFocusBetweenThePaneThePageAndTheResults) {
    OpenInFront();
    ASSERT_EQ(FocusIsIn(), "page");
    // Without the pane or a search there is nowhere else to go.
    PressAndExpectFocus({VK_F6}, "page");
    PressAndExpectFocus({VK_CONTROL, 'T'}, "page");
    PressAndExpectFocus({VK_F6}, "pane");
    PressAndExpectFocus({VK_F6}, "page");
    PressAndExpectFocus({VK_SHIFT, VK_F6}, "pane");
    PressAndExpectFocus({VK_ESCAPE}, "page");

    // A search: its field has the focus, Enter searches, the results then have it.
    Press({VK_CONTROL, VK_SHIFT, 'F'});
    ASSERT_TRUE(Until([this] { return m_window->GetSearchDialog() != nullptr; }));
    HWND dlg = m_window->GetSearchDialog();
    EXPECT_TRUE(Until([dlg] { return GetFocus() == GetDlgItem(dlg, IDC_SEARCH_TEXT); }));
    SetDlgItemTextW(dlg, IDC_SEARCH_TEXT, L"page");
    Press({VK_RETURN});
    HWND list = GetDlgItem(dlg, IDC_SEARCH_RESULTS);
    ASSERT_TRUE(Until([list] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 3; }, 10000));
    EXPECT_TRUE(Until([list] { return GetFocus() == list; }));

    // The cycle: pane, page, results; the results step aside when the focus leaves them.
    const struct {
        bool back;
        const char* where;
    } steps[] = {{false, "pane"}, {false, "page"},   {false, "results"}, {true, "page"},
                 {true, "pane"},  {true, "results"}, {false, "pane"}};
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.back ? "Shift+F6 to " : "F6 to ") + s.where);
        if (s.back)
            PressAndExpectFocus({VK_SHIFT, VK_F6}, s.where);
        else
            PressAndExpectFocus({VK_F6}, s.where);
        EXPECT_EQ(IsWindowVisible(dlg) != FALSE, std::string(s.where) == "results");
    }
    // The results keep their place: Down moves in them, Enter opens the page there.
    PressAndExpectFocus({VK_SHIFT, VK_F6}, "results");
    Press({VK_DOWN});
    Press({VK_RETURN});
    EXPECT_TRUE(Until([this] { return m_window->CurrentUrl() == "e-book://two.htm"; }, 10000));
    EXPECT_TRUE(Until([this] { return FocusIsIn() == "page"; }));
    EXPECT_FALSE(IsWindowVisible(dlg));
    // Escape in the results closes the search and returns to the page.
    PressAndExpectFocus({VK_F6}, "results");
    Press({VK_ESCAPE});
    EXPECT_TRUE(Until([this] { return m_window->GetSearchDialog() == nullptr; }));
    EXPECT_TRUE(Until([this] { return FocusIsIn() == "page"; }));
    PressAndExpectFocus({VK_F6}, "pane");
    PressAndExpectFocus({VK_F6}, "page");
}

TEST_F(ViewerKeys, EveryCommandAnswersItsKey) {
    OpenInFront();
    HHOOK hook = SetWindowsHookExA(WH_CBT, RecordActivation, nullptr, GetCurrentThreadId());
    g_activated.clear();
    const auto url = [this](const char* u) {
        return [this, u] { return m_window->CurrentUrl() == u; };
    };
    const struct {
        const char* name;
        std::vector<std::initializer_list<WORD>> keys;
        std::function<bool()> done;
    } steps[] = {
        {"Next page", {{VK_CONTROL, VK_NEXT}}, url("e-book://two.htm")},
        {"Next page again", {{VK_CONTROL, VK_NEXT}}, url("e-book://three.htm")},
        {"Previous page", {{VK_CONTROL, VK_PRIOR}}, url("e-book://two.htm")},
        {"Back", {{VK_MENU, VK_LEFT}}, url("e-book://three.htm")},
        {"Forward", {{VK_MENU, VK_RIGHT}}, url("e-book://two.htm")},
        {"Home", {{VK_MENU, VK_HOME}}, url("e-book://index.htm")},
        {"Larger text", {{VK_CONTROL, VK_OEM_PLUS}}, [this] { return m_window->GetZoom() == 3; }},
        {"Smaller text", {{VK_CONTROL, VK_OEM_MINUS}}, [this] { return m_window->GetZoom() == 2; }},
        {"Full screen", {{VK_F11}}, [this] { return m_window->IsFullScreen(); }},
        {"Full screen off", {{VK_F11}}, [this] { return !m_window->IsFullScreen(); }},
        {"Contents", {{VK_CONTROL, 'T'}}, [this] { return m_window->Contents().IsOpen(); }},
        {"Contents closed", {{VK_CONTROL, 'T'}}, [this] { return !m_window->Contents().IsOpen(); }},
        {"Search", {{VK_CONTROL, VK_SHIFT, 'F'}}, [this] { return m_window->GetSearchDialog(); }},
        {"Search closed", {{VK_ESCAPE}}, [this] { return !m_window->GetSearchDialog(); }},
        // The About box is modal: Escape, typed at once, closes it from inside its own loop.
        {"About",
         {{VK_F1}, {VK_ESCAPE}},
         [] {
             return std::count(g_activated.begin(), g_activated.end(), "About Keys Book") == 1 &&
                    !FindWindowA("#32770", "About Keys Book");
         }},
        // Alt alone opens every command as a menu; its letters choose.
        {"Alt menu: Contents",
         {{VK_MENU}, {'O'}},
         [this] { return m_window->Contents().IsOpen(); }},
        {"Alt menu: Colours, Dark",
         {{VK_MENU}, {'U'}, {'D'}},
         [this] { return m_window->Theme().Choice() == ColourChoice::dark; }},
        {"Alt menu: Colours, as Windows",
         {{VK_MENU}, {'U'}, {'W'}},
         [this] { return m_window->Theme().Choice() == ColourChoice::followWindows; }},
        // Bookmarks: Ctrl+D adds the page, Ctrl+B goes to them, Tab between them and the contents.
        {"Add a bookmark",
         {{VK_CONTROL, 'D'}},
         [this] { return m_window->Bookmarks().ShownCount() == 1; }},
        {"Bookmarks",
         {{VK_CONTROL, 'B'}},
         [this] { return GetFocus() == m_window->GetBookmarksList(); }},
        {"Tab to the contents",
         {{VK_TAB}},
         [this] { return GetFocus() == m_window->Contents().GetHwnd(); }},
        {"Tab to the bookmarks",
         {{VK_TAB}},
         [this] { return GetFocus() == m_window->GetBookmarksList(); }},
        {"Escape to the page", {{VK_ESCAPE}}, [this] { return FocusIsIn() == "page"; }},
        // The context menu from the keyboard, where the focus is (the pane here).
        {"Shift+F10 in the pane: Contents",
         {{VK_F6}, {VK_SHIFT, VK_F10}, {'O'}},
         [this] { return !m_window->Contents().IsOpen(); }},
        {"The menu key: Colours, Light",
         {{VK_APPS}, {'U'}, {'L'}},
         [this] { return m_window->Theme().Choice() == ColourChoice::light; }},
        {"Exit", {{VK_MENU, VK_F4}}, [this] { return !IsWindow(m_window->GetHwnd()); }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        for (const auto& k : s.keys)
            Press(k);
        EXPECT_TRUE(Until(s.done, 10000));
    }
    UnhookWindowsHookEx(hook);
}

}  // namespace
