// The contents pane at the left of the page: the book's pages in the page sequence, under their
// folders, with the page shown highlighted. Closed until the reader opens it; it is filled the
// first time it opens.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class CBook;

class CContentsPane {
  public:
    explicit CContentsPane(CBook& book) : m_book(book) {}
    // Creates the (hidden) tree as a child of parent.
    bool Create(HWND parent, HINSTANCE instance);
    // Opens or closes the pane; the caller lays the window out again.
    void Toggle();
    bool IsOpen() const { return m_bOpen; }
    HWND GetHwnd() const { return m_tree; }
    // The width the pane takes from the page (0 when closed).
    int Width() const;
    void Move(const RECT& rc);
    // Highlights the page at url (nothing when it is not in the contents); opens nothing.
    void Select(const std::string& url);
    // A notification from the tree: the URL of the page the reader picked, else "".
    std::string OnNotify(const NMHDR* hdr) const;

  private:
    void Fill();

    CBook& m_book;
    HWND m_tree = nullptr;
    bool m_bOpen = false;
    bool m_bFilled = false;
    bool m_bSyncing = false;          // the selection is being set by Select
    std::vector<HTREEITEM> m_byFile;  // the item of each file index (null when not listed)
    std::string m_strSelected;        // the URL last given to Select
};
