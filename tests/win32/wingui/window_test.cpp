// The window classes over one handle: CWindow only names a window (copies share it, and nothing
// is destroyed when one goes away), the owning window destroys its own, and the list-view wrapper
// sends the control what its members say.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/win/ListView.h"
#include "platform/win/OwnedWindow.h"
#include "platform/win/Window.h"

namespace {

constexpr int kEditId = 101;
constexpr int kCheckId = 102;
constexpr int kListId = 103;

// A top-level window of ours with an edit, a check box and a report-style list view.
class CHostWindow : public COwnedWindow {
  public:
    bool Make() {
        WNDCLASSEXA wc = {};
        wc.lpszClassName = "PvWindowTestHost";
        if (!RegisterWindowClass(wc) ||
            !Create("PvWindowTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 0, 400, 300, nullptr))
            return false;
        const auto child = [this](const char* cls, DWORD style, int id) {
            return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 200,
                                   m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr) != nullptr;
        };
        return child("EDIT", 0, kEditId) && child("BUTTON", BS_AUTOCHECKBOX, kCheckId) &&
               child(WC_LISTVIEWA, LVS_REPORT, kListId);
    }
};

}  // namespace

TEST(WindowTest, AHandleNamesTheWindowAndLeavesItAlive) {
    CHostWindow host;
    ASSERT_TRUE(host.Make());
    HWND edit = nullptr;
    {
        const CWindow window(host.m_hWnd);
        CWindow copy = window;
        EXPECT_EQ(copy.GetHwnd(), host.m_hWnd);
        copy.SetWindowText("caption");
        EXPECT_EQ(window.GetWindowText(), "caption");

        edit = window.GetDlgItem(kEditId);
        ASSERT_NE(edit, nullptr);
        window.SetDlgItemText(kEditId, "typed");
        EXPECT_EQ(CWindow(edit).GetWindowText(), "typed");
        EXPECT_EQ(window.GetDlgItemText(kEditId), "typed");
        EXPECT_EQ(window.SendMessage(WM_GETTEXTLENGTH), 7);

        // The item helpers, both ways (the host is not shown, so visibility is read from the
        // style).
        for (const bool on : {false, true}) {
            SCOPED_TRACE(on);
            window.EnableItem(kEditId, on);
            EXPECT_EQ(IsWindowEnabled(edit) != FALSE, on);
            window.ShowItem(kEditId, on);
            EXPECT_EQ((GetWindowLongA(edit, GWL_STYLE) & WS_VISIBLE) != 0, on);
            window.CheckButton(kCheckId, on);
            EXPECT_EQ(window.IsButtonChecked(kCheckId), on);
            EXPECT_EQ(IsDlgButtonChecked(host.m_hWnd, kCheckId), on ? BST_CHECKED : BST_UNCHECKED);
        }
        window.EnableItem(kEditId, false);
        EXPECT_TRUE(CWindow(edit).EnableWindow(true));  // it was disabled
        EXPECT_TRUE(IsWindowEnabled(edit));
    }
    // The handles went out of scope; the windows are still there.
    EXPECT_TRUE(IsWindow(host.m_hWnd));
    EXPECT_TRUE(CWindow(edit).IsWindow());

    // The owner destroys its window, and a handle then says the window is gone.
    const CWindow left(host.m_hWnd);
    host.Destroy();
    EXPECT_EQ(host.m_hWnd, nullptr);
    EXPECT_FALSE(left.IsWindow());
    EXPECT_FALSE(CWindow().IsWindow());
}

TEST(WindowTest, TheListViewWrapperFillsReadsSelectsAndEmptiesTheList) {
    CHostWindow host;
    ASSERT_TRUE(host.Make());
    const CListView list(host.GetDlgItem(kListId));
    ASSERT_NE(list.GetHwnd(), nullptr);
    EXPECT_EQ(list.InsertColumn(0, "File", 150, LVCFMT_CENTER), 0);
    EXPECT_EQ(list.InsertColumn(1, "Included", 60), 1);

    list.SetRedraw(false);
    list.ReserveItems(3);
    // A text longer than the first buffer the reader tries.
    const std::string longName = std::string(700, 'x') + ".html";
    const char* names[] = {"a.html", "b.html", nullptr};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.InsertItem(row, names[row] ? names[row] : longName), row);
        EXPECT_TRUE(list.SetItemText(row, 1, row == 1 ? "No" : "Yes"));
    }
    list.SetRedraw(true);
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "a.html");
    EXPECT_EQ(list.GetItemText(1, 1), "No");
    EXPECT_EQ(list.GetItemText(2, 0), longName);
    EXPECT_EQ(list.GetItemText(7, 0), "");

    // Selection: set, counted, found in order; focus apart from it.
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(list.GetSelectedCount(), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(list.GetNextItem(0, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetNextItem(2, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(list.GetItemState(1, LVIS_SELECTED), 0u);
    list.SetItemState(0, 0, LVIS_SELECTED);
    EXPECT_EQ(list.GetSelectedCount(), 1);

    // Deleting a row moves the ones below it up.
    EXPECT_TRUE(list.DeleteItem(0));
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 0), "b.html");
    EXPECT_EQ(list.GetItemState(1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}
