#include "viewer/panes/BookmarksView.h"

#include <oleacc.h>

#include "book/BookBookmarks.h"
#include "platform/win/WinText.h"
#include "viewer/Accessible.h"
#include "viewer/Theme.h"

namespace {

const AccessibleSpec kBookmarksAccessible = {AccessibleKind::named, L"Bookmarks", ROLE_SYSTEM_LIST,
                                             nullptr};

}  // namespace

bool CBookmarksView::Create(HWND parent, HINSTANCE instance) {
    // One column as wide as the list, no header: a list of labels that can be edited in place.
    m_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                                 LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS,
                             0, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (!m_list)
        return false;
    SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(m_list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    MakeAccessible(m_list, &kBookmarksAccessible);
    // The labels are Unicode: the list asks its parent again, which answers so for it.
    SendMessageW(m_list, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(parent), NF_REQUERY);
    return true;
}

void CBookmarksView::Refill(long select) {
    if (!m_list)
        return;
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const Bookmark& mark : m_marks.Shown()) {
        std::wstring label = CWinText::Wide(mark.strLabel, CP_UTF8);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row++;
        item.pszText = &label[0];
        SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (select >= 0 && select < row) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(select),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(select), FALSE);
    }
    FitColumn();
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
}

void CBookmarksView::FitColumn() {
    // The column fills the list: labels are cut only by its width.
    RECT rc;
    if (m_list && GetClientRect(m_list, &rc) && rc.right > 0)
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, 0, rc.right);
}

long CBookmarksView::Selected() const {
    return m_list ? static_cast<long>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                   LVNI_SELECTED))
                  : -1;
}

void CBookmarksView::RenameSelected() {
    const long row = Selected();
    if (row >= 0) {
        SetFocus(m_list);
        SendMessageW(m_list, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
    }
}

void CBookmarksView::ApplyTheme(const CTheme& theme) {
    if (!m_list)
        return;
    const bool dark = theme.IsDark();
    const COLORREF back = dark ? theme.Colour(ThemeColour::window) : GetSysColor(COLOR_WINDOW);
    SendMessageW(m_list, LVM_SETBKCOLOR, 0, back);
    SendMessageW(m_list, LVM_SETTEXTBKCOLOR, 0, back);
    SendMessageW(m_list, LVM_SETTEXTCOLOR, 0,
                 dark ? theme.Colour(ThemeColour::text) : GetSysColor(COLOR_WINDOWTEXT));
    theme.ApplyControl(m_list);
    InvalidateRect(m_list, nullptr, TRUE);
}

CBookmarksView::Outcome CBookmarksView::OnNotify(const NMHDR* hdr, LRESULT* result) {
    Outcome out;
    *result = 0;
    switch (hdr->code) {
        case NM_DBLCLK:
        case NM_RETURN: {
            const long row = Selected();
            if (row >= 0)
                out.strOpen = m_marks.UrlOf(static_cast<size_t>(row));
            break;
        }
        case LVN_KEYDOWN: {
            const WORD vk = reinterpret_cast<const NMLVKEYDOWN*>(hdr)->wVKey;
            const long row = Selected();
            if (vk == VK_F2) {
                RenameSelected();
            } else if (vk == VK_DELETE && row >= 0 && m_marks.Remove(static_cast<size_t>(row))) {
                const long count = static_cast<long>(m_marks.ShownCount());
                Refill(row < count ? row : count - 1);
                out.bChanged = true;
            }
            break;
        }
        case LVN_ENDLABELEDITW: {
            const NMLVDISPINFOW* info = reinterpret_cast<const NMLVDISPINFOW*>(hdr);
            // Null text: the edit was cancelled. The list shows the label as it is kept (cleaned
            // and cut): the edit's own text is refused (*result 0) and the kept one set.
            const int row = info->item.iItem;
            if (info->item.pszText && row >= 0 &&
                m_marks.Rename(static_cast<size_t>(row),
                               CWinText::Ansi(info->item.pszText, CP_UTF8))) {
                out.bChanged = true;
                std::wstring label =
                    CWinText::Wide(m_marks.Shown()[static_cast<size_t>(row)].strLabel, CP_UTF8);
                LVITEMW item = {};
                item.iSubItem = 0;
                item.pszText = &label[0];
                SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(&item));
            }
            break;
        }
        default:
            break;
    }
    return out;
}
