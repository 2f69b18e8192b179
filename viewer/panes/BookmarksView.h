// The pane's Bookmarks view: the book's bookmarks by label, in the order they were made. Enter or
// a double click opens one, F2 renames it in place, Del deletes it. The view shows and edits a
// CBookBookmarks that its owner keeps (and stores when the view says it changed).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CBookBookmarks;
class CTheme;

class CBookmarksView {
  public:
    explicit CBookmarksView(CBookBookmarks& marks) : m_marks(marks) {}

    // Creates the (hidden) list as a child of parent, which must answer its WM_NOTIFYFORMAT with
    // NFR_UNICODE: the list's notifications are handled in their wide forms.
    bool Create(HWND parent, HINSTANCE instance);
    HWND GetHwnd() const { return m_list; }
    // Shows the bookmarks again, with the one at index (-1: none) selected and in view.
    void Refill(long select = -1);
    long Selected() const;
    // The list's one column as wide as the list.
    void FitColumn();
    // Starts renaming the selected bookmark in place.
    void RenameSelected();
    void ApplyTheme(const CTheme& theme);

    // What a notification from the list asks of the owner.
    struct Outcome {
        bool bChanged = false;  // the bookmarks changed: store them
        std::string strOpen;    // a bookmark to open (its URL)
    };
    // Handles a notification of the list (hdr->hwndFrom == GetHwnd()); *result receives what
    // the notification's sender expects back.
    Outcome OnNotify(const NMHDR* hdr, LRESULT* result);

  private:
    CBookBookmarks& m_marks;
    HWND m_list = nullptr;
};
