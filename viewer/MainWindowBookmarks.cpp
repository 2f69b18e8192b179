// The main window's bookmarks: Ctrl+D adds the place shown, labelled as the contents label its
// page; they are listed in the pane below the contents under a "Bookmarks" heading (Ctrl+B opens
// the pane there), where Enter opens one, F2 renames it and Del deletes it. They are kept per
// e-book beside the reader's remembered place, written at every change.
#include <windows.h>
#include <commctrl.h>

#include "book/Book.h"
#include "book/BookUrl.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "viewer/MainWindow.h"

namespace {

const char kBookmarksEntry[] = "Bookmarks";
const char kBookmarksLabelClass[] = "Static";

}  // namespace

void CMainWindow::CreateBookmarks() {
    m_bookmarksLabel = CreateWindowExA(0, kBookmarksLabelClass, "Bookmarks",
                                       WS_CHILD | SS_NOPREFIX | SS_CENTERIMAGE, 0, 0, 0, 0, m_hWnd,
                                       nullptr, m_instance, nullptr);
    m_bookmarksView.Create(m_hWnd, m_instance);
    m_bookmarks.Load(m_profile ? m_profile->GetProfileString(m_strPlaceSection, kBookmarksEntry, "")
                               : std::string(),
                     m_book);
    m_bookmarksView.Refill();
}

void CMainWindow::SaveBookmarks() {
    if (m_profile)
        m_profile->WriteProfileString(m_strPlaceSection, kBookmarksEntry, m_bookmarks.Save());
}

void CMainWindow::LayoutPane(const RECT& pane) {
    const bool open = m_contents.IsOpen();
    for (HWND part : {m_bookmarksLabel, m_bookmarksView.GetHwnd()}) {
        if (part)
            ::ShowWindow(part, open ? SW_SHOWNA : SW_HIDE);
    }
    // The contents above, the bookmarks in the lower third under their heading.
    const long height = pane.bottom - pane.top;
    const int label = m_nLabelHeight;
    const long split = pane.bottom - height / 3;
    m_contents.Move({pane.left, pane.top, pane.right, split});
    if (m_bookmarksLabel)
        MoveWindow(m_bookmarksLabel, pane.left + 4, split, pane.right - pane.left - 4, label, TRUE);
    if (HWND list = m_bookmarksView.GetHwnd()) {
        MoveWindow(list, pane.left, split + label, pane.right - pane.left,
                   pane.bottom - split - label, TRUE);
        m_bookmarksView.FitColumn();
    }
}

std::string CMainWindow::PageLabel() {
    const BookFile* file = m_book.FindUrl(m_strCurrent);
    if (!file)
        return std::string();
    // The contents' label once they are found: the entry of the place itself when it has one
    // (a section), else the page's, made unique among the pages' labels.
    CContentsBuilder& contents = m_contents.Builder();
    if (contents.IsDone()) {
        const CContentsTree& tree = contents.Tree();
        const size_t hash = m_strCurrent.find('#');
        const size_t entry = tree.EntryForUrl(m_book, m_strCurrent);
        if (hash != std::string::npos && entry != CContentsTree::npos &&
            tree.Entries()[entry].strFragment == PercentDecode(m_strCurrent.substr(hash + 1)))
            return tree.Entries()[entry].strLabel;
        const std::string& label = tree.PageLabel(static_cast<long>(file - m_book.Files().data()));
        if (!label.empty())
            return label;
    }
    // Before them, the page's title as the engine reports it, else its file name.
    return m_strPageTitle.empty() ? Utf8FromAnsi(file->strName) : m_strPageTitle;
}

void CMainWindow::AddBookmark() {
    size_t index = 0;
    switch (m_bookmarks.Add(m_strCurrent, PageLabel(), &index)) {
        case CBookBookmarks::AddResult::added:
            SaveBookmarks();
            m_bookmarksView.Refill(static_cast<long>(index));
            break;
        case CBookBookmarks::AddResult::already:
            m_bookmarksView.Refill(static_cast<long>(index));
            break;
        case CBookBookmarks::AddResult::full:
            MessageBoxA(m_hWnd,
                        "This e-book has 1,000 bookmarks, as many as it keeps. Delete one to add "
                        "another.",
                        "Bookmarks", MB_ICONINFORMATION | MB_OK);
            break;
        case CBookBookmarks::AddResult::notInBook:
            MessageBeep(MB_OK);  // nothing of the book is shown
            break;
    }
}

void CMainWindow::ShowBookmarks() {
    if (!m_contents.IsOpen()) {
        m_contents.Toggle();
        Layout();
    }
    if (HWND list = m_bookmarksView.GetHwnd()) {
        if (m_bookmarksView.Selected() < 0 && m_bookmarks.ShownCount() > 0)
            m_bookmarksView.Refill(0);
        m_bPaneFocusInBookmarks = true;
        ::SetFocus(list);
    }
}

bool CMainWindow::OnBookmarksNotify(const NMHDR* hdr, LRESULT* result) {
    if (!hdr || hdr->hwndFrom != m_bookmarksView.GetHwnd())
        return false;
    const CBookmarksView::Outcome out = m_bookmarksView.OnNotify(hdr, result);
    if (out.bChanged)
        SaveBookmarks();
    if (!out.strOpen.empty())
        Go(out.strOpen);
    return true;
}
