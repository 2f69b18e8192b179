#include "viewer/panes/ContentsPane.h"

#include "platform/win/WinText.h"
#include "platform/win/Window.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookUrl.h"

namespace {

const int kPaneWidth = 240;

}  // namespace

bool CContentsPane::Create(HWND parent, HINSTANCE instance) {
    m_tree = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
        WS_CHILD | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
        0, 0, 0, 0, parent, nullptr, instance, nullptr);
    return m_tree != nullptr;
}

void CContentsPane::Fill() {
    m_bFilled = true;
    m_byFile.assign(m_book.Files().size(), nullptr);
    CContentsTree tree;
    if (!BuildBookContents(m_book, &tree))
        tree = PageListContents(m_book);
    std::vector<HTREEITEM> items(tree.Size(), nullptr);
    for (size_t i = 0; i < tree.Size(); ++i) {
        const ContentsEntry& e = tree.Entries()[i];
        const std::wstring label = CWinText::Wide(e.strLabel, CP_UTF8);
        TVINSERTSTRUCTW ins = {};
        ins.hParent = e.nParent == CContentsTree::npos ? TVI_ROOT : items[e.nParent];
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        ins.item.pszText = const_cast<wchar_t*>(label.c_str());
        ins.item.lParam = static_cast<LPARAM>(e.nFile + 1);  // 0: a heading
        items[i] = reinterpret_cast<HTREEITEM>(
            SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    for (size_t f = 0; f < m_byFile.size(); ++f) {
        const size_t entry = tree.EntryForFile(static_cast<long>(f));
        if (entry != CContentsTree::npos)
            m_byFile[f] = items[entry];
    }
    for (size_t i = 0; i < tree.Size(); ++i) {
        if (tree.HasChildren(i))
            SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items[i]));
    }
}

void CContentsPane::Toggle() {
    if (!m_tree)
        return;
    m_bOpen = !m_bOpen;
    if (m_bOpen && !m_bFilled) {
        CWinWaitCursor wait;
        Fill();
    }
    if (m_bOpen)
        Select(m_strSelected);
    ShowWindow(m_tree, m_bOpen ? SW_SHOW : SW_HIDE);
}

int CContentsPane::Width() const {
    return m_bOpen ? kPaneWidth : 0;
}

void CContentsPane::Move(const RECT& rc) {
    if (m_tree)
        MoveWindow(m_tree, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CContentsPane::Select(const std::string& url) {
    m_strSelected = url;
    if (!m_bFilled)
        return;
    const BookFile* file = m_book.FindUrl(url);
    HTREEITEM item = nullptr;
    if (file) {
        const size_t k = static_cast<size_t>(file - m_book.Files().data());
        if (k < m_byFile.size())
            item = m_byFile[k];
    }
    m_bSyncing = true;
    SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    m_bSyncing = false;
}

std::string CContentsPane::OnNotify(const NMHDR* hdr) const {
    if (m_bSyncing || hdr->hwndFrom != m_tree ||
        (hdr->code != TVN_SELCHANGEDA && hdr->code != TVN_SELCHANGEDW))
        return std::string();
    // lParam lies at the same place in the ANSI and the wide form of the notification.
    const LPARAM param = reinterpret_cast<const NMTREEVIEWA*>(hdr)->itemNew.lParam;
    if (param <= 0 || static_cast<size_t>(param) > m_book.Files().size())
        return std::string();
    return UrlFromName(m_book.Files()[static_cast<size_t>(param - 1)].strName);
}
