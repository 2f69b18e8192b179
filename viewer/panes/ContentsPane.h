// The contents pane at the left of the page: a window of its own that holds the book's contents
// as a tree (and may hold more views beside it). Closed until the reader opens it. The first
// time it opens it shows the page list at once (file names, nothing read) and has the book's
// own contents found in the background (CContentsBuilder); they replace the list when they are
// ready, the selection kept. Branches are filled as they open, so that a tree of tens of
// thousands of entries opens as fast as a small one; the shown page's entry is selected, its
// branch opened and scrolled into view, whatever brought the page (the pane, a link, Back).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/OwnedWindow.h"
#include "viewer/panes/ContentsBuilder.h"

class CBook;

class CContentsPane : public COwnedWindow {
  public:
    explicit CContentsPane(CBook& book);
    ~CContentsPane() override;

    // Creates the pane (hidden) and its tree as children of parent.
    bool Create(HWND parent, HINSTANCE instance);
    // Where a page picked in the pane is opened (the main window's Go).
    void SetOpener(void (*open)(void*, const std::string&), void* context) {
        m_pfnOpen = open;
        m_pOpenContext = context;
    }
    // Opens or closes the pane; the caller lays the window out again.
    void Toggle();
    bool IsOpen() const { return m_bOpen; }
    // The tree view.
    HWND GetHwnd() const { return m_tree; }
    void Move(const RECT& rc);
    // Selects the entry of the page at url (nothing when it has none), opening its branch and
    // scrolling it into view; opens no page.
    void Select(const std::string& url);
    // True once the book's contents have replaced the page list.
    bool ShowsFoundContents() const { return m_shown == &m_builder.Tree(); }
    // The contents the tree shows.
    const CContentsTree& Shown() const { return *m_shown; }
    // The background build, which the search's result list uses too.
    CContentsBuilder& Builder() { return m_builder; }

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Empties the tree view and shows tree's top level.
    void ShowTree(const CContentsTree& tree);
    // Inserts the children of entry (npos: the top level) unless they are there.
    void FillChildren(size_t entry);
    void OnNotify(const NMHDR* hdr);

    CBook& m_book;
    CContentsBuilder m_builder;
    CContentsTree m_list;                    // the page list, shown until the contents come
    const CContentsTree* m_shown = &m_list;  // m_list or m_builder.Tree()
    HWND m_tree = nullptr;
    std::vector<HTREEITEM> m_items;  // the item of each entry, null until it is inserted
    std::vector<uint8_t> m_filled;   // by entry: its children are inserted
    bool m_bOpen = false;
    bool m_bStarted = false;
    bool m_bSyncing = false;    // the selection is being set by Select
    std::string m_strSelected;  // the URL last given to Select
    void (*m_pfnOpen)(void*, const std::string&) = nullptr;
    void* m_pOpenContext = nullptr;
};

extern const char kContentsPaneClass[];
