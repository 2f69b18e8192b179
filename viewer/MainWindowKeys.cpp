// The main window from the keyboard. F6 and Shift+F6 move the focus between the parts of the
// window, as a browser's frame cycle does: the contents pane (when open), the page, and the
// search results (while the Search dialog has them; it is shown when the focus comes and hidden
// when it leaves). Escape in the pane returns to the page; in the Search dialog it closes it,
// which returns there too. Alt alone (or F10) opens every command as a menu; Shift+F10 and the
// menu key the context menu. A focus moved by a key is always drawn.
#include <windows.h>
#include <commctrl.h>

#include "viewer/MainWindow.h"
#include "viewer/panes/Dialogs.h"
#include "viewer/resource.h"

namespace {

bool Within(HWND outer, HWND hwnd) {
    return outer && hwnd && (hwnd == outer || IsChild(outer, hwnd));
}

// Shows focus rectangles and access keys in a window and its controls from now on.
void ShowKeyboardCues(HWND hwnd) {
    if (hwnd)
        SendMessageA(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL),
                     0);
}

}  // namespace

CMainWindow::Region CMainWindow::FocusedRegion() const {
    const HWND focus = GetFocus();
    if (Within(GetSearchDialog(), focus))
        return Region::results;
    if (m_contents.IsOpen() &&
        (Within(m_contents.GetHwnd(), focus) || Within(m_bookmarksView.GetHwnd(), focus)))
        return Region::pane;
    return Region::page;
}

void CMainWindow::CycleFocus(bool forward) {
    Region order[3];
    int n = 0;
    if (m_contents.IsOpen())
        order[n++] = Region::pane;
    order[n++] = Region::page;
    if (GetSearchDialog())
        order[n++] = Region::results;
    const Region now = FocusedRegion();
    int i = 0;
    while (i < n && order[i] != now)
        ++i;
    FocusRegion(order[(i + (forward ? 1 : n - 1)) % n]);
}

void CMainWindow::FocusRegion(Region region) {
    HWND search = GetSearchDialog();
    // The results come forward with the focus and step back when it leaves them.
    if (search && region != Region::results && IsWindowVisible(search))
        ::ShowWindow(search, SW_HIDE);
    switch (region) {
        case Region::pane:
            // Where the focus last was in the pane: the contents or the bookmarks.
            ::SetFocus(m_bPaneFocusInBookmarks ? m_bookmarksView.GetHwnd() : m_contents.GetHwnd());
            break;
        case Region::page:
            FocusPage();
            break;
        case Region::results: {
            ::ShowWindow(search, SW_SHOW);
            HWND list = ::GetDlgItem(search, IDC_SEARCH_RESULTS);
            const bool any = SendMessageW(list, LB_GETCOUNT, 0, 0) > 0;
            ::SetFocus(any ? list : ::GetDlgItem(search, IDC_SEARCH_TEXT));
            ShowKeyboardCues(search);
            break;
        }
    }
    ShowKeyboardCues(m_hWnd);
}

void CMainWindow::OnFocusLeave(bool forward) {
    // Nothing keeps the focus: past the page's last element it goes on as F6 takes it.
    if (FocusedRegion() == Region::page)
        CycleFocus(forward);
}

void CMainWindow::FocusPage() {
    if (m_message.m_hWnd && IsWindowVisible(m_message.m_hWnd))
        ::SetFocus(m_message.m_hWnd);
    else if (m_engine && m_engine->IsCreated())
        m_engine->Focus();
}

void CMainWindow::ShowSearch() {
    HWND search = GetSearchDialog();
    if (!search)
        m_search = search =
            CreateSearchDialog(m_hWnd, m_book, m_indexer, &m_contents.Builder(), &m_theme);
    if (!search)
        return;
    ::ShowWindow(search, SW_SHOW);
    HWND field = ::GetDlgItem(search, IDC_SEARCH_TEXT);
    ::SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);  // typing replaces the last query
}

bool CMainWindow::PreTranslateFocus(MSG* msg) {
    const bool keyDown = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    const UINT vk = static_cast<UINT>(msg->wParam);
    HWND search = GetSearchDialog();
    if (Within(search, msg->hwnd)) {
        // The viewer's keys reach the dialog too, but for those its field edits with.
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        const bool editing = ctrl && (vk == 'C' || vk == VK_INSERT);
        if (keyDown && !editing) {
            const int id =
                CommandForKey(vk, ctrl, GetKeyState(VK_MENU) < 0, GetKeyState(VK_SHIFT) < 0);
            if (id > 0)
                RunCommand(id);
            if (id != 0)
                return true;
        }
        return IsDialogMessageW(search, msg) != FALSE;
    }
    HWND list = m_bookmarksView.GetHwnd();
    if (list && msg->hwnd != list && IsChild(list, msg->hwnd)) {
        // A bookmark being renamed: every key belongs to its field.
        TranslateMessage(msg);
        DispatchMessageA(msg);
        return true;
    }
    HWND tree = m_contents.GetHwnd();
    const bool inTree = Within(tree, msg->hwnd), inList = Within(list, msg->hwnd);
    if (!m_contents.IsOpen() || (!inTree && !inList) || msg->message != WM_KEYDOWN)
        return false;
    m_bPaneFocusInBookmarks = inList;
    if (vk == VK_ESCAPE) {
        FocusRegion(Region::page);
        return true;
    }
    // Tab goes between the contents and the bookmarks.
    if (vk == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
        m_bPaneFocusInBookmarks = !inList;
        ::SetFocus(inList ? tree : list);
        ShowKeyboardCues(m_hWnd);
        return true;
    }
    return false;
}

void CMainWindow::ShowMenu(bool full, POINT pt) {
    if (pt.x == -1 && pt.y == -1) {
        // From the keyboard: at the pane when it has the focus, else at the page.
        RECT rc = ContentRect();
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        if (FocusedRegion() == Region::pane)
            GetWindowRect(GetFocus(), &rc);
        pt = {rc.left + 8, rc.top + 8};
    }
    ShowKeyboardCues(m_hWnd);
    HMENU menu = BuildContextMenu(full);
    const int id =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    if (id > 0)
        RunCommand(id);
}
