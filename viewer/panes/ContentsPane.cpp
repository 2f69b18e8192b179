// Items carry their entry's index + 1 in lParam (0 for none). An entry with children is
// inserted with cChildren = 1 and its children only when it opens (TVN_ITEMEXPANDING) or when
// the shown page lies below it (Select): the tree view never holds more than the reader opened.
#include "viewer/panes/ContentsPane.h"

#include "book/Book.h"
#include "book/BookUrl.h"
#include "platform/win/WinText.h"
#include "platform/win/Window.h"

const char kContentsPaneClass[] = "PagevaneContentsPane";

CContentsPane::CContentsPane(CBook& book) : m_book(book), m_builder(book.GetPath()) {}

CContentsPane::~CContentsPane() {
    m_builder.Cancel();
}

bool CContentsPane::Create(HWND parent, HINSTANCE instance) {
    WNDCLASSEXA wc = {};
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = kContentsPaneClass;
    RegisterWindowClass(wc);
    if (!COwnedWindow::Create(kContentsPaneClass, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, 0,
                              parent, nullptr, instance))
        return false;
    m_tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             0, 0, 0, 0, m_hWnd, nullptr, instance, nullptr);
    return m_tree != nullptr;
}

void CContentsPane::ShowTree(const CContentsTree& tree) {
    m_shown = &tree;
    m_bSyncing = true;
    SendMessageW(m_tree, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_items.assign(tree.Size(), nullptr);
    m_filled.assign(tree.Size() + 1, 0);  // the last: the top level
    FillChildren(CContentsTree::npos);
    SendMessageW(m_tree, WM_SETREDRAW, TRUE, 0);
    m_bSyncing = false;
}

void CContentsPane::FillChildren(size_t entry) {
    const size_t slot = entry == CContentsTree::npos ? m_filled.size() - 1 : entry;
    if (m_filled[slot])
        return;
    m_filled[slot] = 1;
    const HTREEITEM parent = entry == CContentsTree::npos ? TVI_ROOT : m_items[entry];
    for (size_t e = m_shown->FirstChild(entry); e != CContentsTree::npos;
         e = m_shown->NextSibling(e)) {
        const std::wstring label = CWinText::Wide(m_shown->Entries()[e].strLabel, CP_UTF8);
        TVINSERTSTRUCTW ins = {};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        ins.item.pszText = const_cast<wchar_t*>(label.c_str());
        ins.item.lParam = static_cast<LPARAM>(e + 1);
        ins.item.cChildren = m_shown->HasChildren(e) ? 1 : 0;
        m_items[e] = reinterpret_cast<HTREEITEM>(
            SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    }
}

void CContentsPane::Toggle() {
    if (!m_tree)
        return;
    m_bOpen = !m_bOpen;
    if (m_bOpen && !m_bStarted) {
        // The page list at once; the book's own contents when the pages have been read.
        m_bStarted = true;
        m_list = PageListContents(m_book);
        ShowTree(m_list);
        m_builder.Start(m_hWnd);
    }
    if (m_bOpen)
        Select(m_strSelected);
    ::ShowWindow(m_hWnd, m_bOpen ? SW_SHOW : SW_HIDE);
}

void CContentsPane::Move(const RECT& rc) {
    if (m_hWnd)
        ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CContentsPane::Select(const std::string& url) {
    m_strSelected = url;
    if (!m_bStarted)
        return;
    const size_t entry = m_shown->EntryForUrl(m_book, url);
    HTREEITEM item = nullptr;
    if (entry != CContentsTree::npos) {
        // The branch down to the entry, filled and opened from the top.
        std::vector<size_t> path;
        for (size_t e = m_shown->Entries()[entry].nParent; e != CContentsTree::npos;
             e = m_shown->Entries()[e].nParent)
            path.push_back(e);
        m_bSyncing = true;
        for (size_t k = path.size(); k-- > 0;) {
            FillChildren(path[k]);
            SendMessageW(m_tree, TVM_EXPAND, TVE_EXPAND,
                         reinterpret_cast<LPARAM>(m_items[path[k]]));
        }
        m_bSyncing = false;
        item = m_items[entry];
    }
    m_bSyncing = true;
    SendMessageW(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    if (item) {
        SendMessageW(m_tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        // Scrolled into view from the left, where the branches' lines and buttons are, however
        // long its label.
        SendMessageW(m_tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    }
    m_bSyncing = false;
}

void CContentsPane::OnNotify(const NMHDR* hdr) {
    if (hdr->hwndFrom != m_tree)
        return;
    // lParam and the action lie at the same places in the ANSI and the wide forms.
    const NMTREEVIEWA* tv = reinterpret_cast<const NMTREEVIEWA*>(hdr);
    if (hdr->code == TVN_ITEMEXPANDINGA || hdr->code == TVN_ITEMEXPANDINGW) {
        const LPARAM param = tv->itemNew.lParam;
        if ((tv->action & TVE_EXPAND) && param > 0 && static_cast<size_t>(param) <= m_items.size())
            FillChildren(static_cast<size_t>(param - 1));
        return;
    }
    if (m_bSyncing || (hdr->code != TVN_SELCHANGEDA && hdr->code != TVN_SELCHANGEDW))
        return;
    const LPARAM param = tv->itemNew.lParam;
    if (param <= 0 || static_cast<size_t>(param) > m_shown->Size())
        return;
    const std::string url = m_shown->Url(m_book, static_cast<size_t>(param - 1));
    if (!url.empty() && m_pfnOpen) {
        m_strSelected = url;
        m_pfnOpen(m_pOpenContext, url);
    }
}

LRESULT CContentsPane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            if (m_tree)
                ::MoveWindow(m_tree, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return 0;
        case WM_NOTIFYFORMAT:
            return NFR_UNICODE;
        case WM_NOTIFY:
            // The tree is drawn in the window's colours: its custom drawing is the window's.
            if (reinterpret_cast<const NMHDR*>(lp)->code == NM_CUSTOMDRAW)
                return ::SendMessageW(::GetParent(m_hWnd), msg, wp, lp);
            OnNotify(reinterpret_cast<const NMHDR*>(lp));
            return 0;
        case WM_PV_CONTENTS_DONE:
            // The book's contents take the page list's place, the shown page selected again.
            if (wp && m_builder.IsDone() && !ShowsFoundContents()) {
                ShowTree(m_builder.Tree());
                Select(m_strSelected);
            }
            return 0;
        case WM_DESTROY:
            m_builder.Forget(m_hWnd);
            m_builder.Cancel();
            return 0;
        default:
            return DefWindowProcA(m_hWnd, msg, wp, lp);
    }
}
