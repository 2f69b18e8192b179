#include "platform/win/ListView.h"

#include <vector>

int CListView::InsertColumn(int index, const std::string& title, int width, int format) const {
    std::vector<char> text(title.begin(), title.end());
    text.push_back('\0');
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.pszText = text.data();
    col.cx = width;
    col.iSubItem = index;
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col)));
}

int CListView::GetItemCount() const {
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

int CListView::GetSelectedCount() const {
    return static_cast<int>(SendMessage(LVM_GETSELECTEDCOUNT));
}

int CListView::GetNextItem(int row, UINT flags) const {
    return static_cast<int>(
        SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(row), MAKELPARAM(flags, 0)));
}

int CListView::InsertItem(int row, const std::string& text) const {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = buffer.data();
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetItemText(int row, int column, const std::string& text) const {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    return SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::string CListView::GetItemText(int row, int column) const {
    // The control copies at most the buffer's size less one and says how many it copied: a
    // buffer it fills to the brim may have cut the text, so the buffer grows until it does not.
    for (size_t size = 256;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const LRESULT got = SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                        reinterpret_cast<LPARAM>(&item));
        if (got < 0)
            return std::string();
        if (static_cast<size_t>(got) < size - 1 || size >= (1u << 24))
            return std::string(item.pszText, strnlen(item.pszText, size));
    }
}

bool CListView::SetItemState(int row, UINT state, UINT mask) const {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item)) != FALSE;
}

UINT CListView::GetItemState(int row, UINT mask) const {
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

bool CListView::DeleteItem(int row) const {
    return SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row)) != FALSE;
}

bool CListView::DeleteAllItems() const {
    return SendMessage(LVM_DELETEALLITEMS) != FALSE;
}

void CListView::ReserveItems(size_t rows) const {
    SendMessage(LVM_SETITEMCOUNT, rows);
}

void CListView::SetRedraw(bool redraw) const {
    SendMessage(WM_SETREDRAW, redraw ? TRUE : FALSE);
    if (redraw)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}
