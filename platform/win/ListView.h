// CListView: a list-view control's handle and the messages the programs send it, with texts as
// std::string (8-bit ANSI) and rows and columns as int. Like CWindow it owns nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>

#include "platform/win/Window.h"

class CListView : public CWindow {
  public:
    CListView() = default;
    explicit CListView(HWND hwnd) : CWindow(hwnd) {}

    // Adds a column at index (its sub-item is index too), width pixels wide, with the text
    // aligned by format (LVCFMT_LEFT, LVCFMT_CENTER, ...). Returns its index or -1.
    int InsertColumn(int index, const std::string& title, int width,
                     int format = LVCFMT_LEFT) const;

    int GetItemCount() const;
    int GetSelectedCount() const;
    // The first row after row (-1: from the top) in the state flags says (LVNI_SELECTED,
    // LVNI_FOCUSED, ...), or -1.
    int GetNextItem(int row, UINT flags) const;

    // Adds a row at row with text in its first column. Returns its index or -1.
    int InsertItem(int row, const std::string& text) const;
    bool SetItemText(int row, int column, const std::string& text) const;
    // The text of a cell, however long; "" for a row or column that does not exist.
    std::string GetItemText(int row, int column) const;
    // Sets the state bits in mask (LVIS_SELECTED, LVIS_FOCUSED) to those of state; row -1 sets
    // them on every row.
    bool SetItemState(int row, UINT state, UINT mask) const;
    UINT GetItemState(int row, UINT mask) const;
    bool DeleteItem(int row) const;
    bool DeleteAllItems() const;
    // Makes room for rows rows ahead of inserting them.
    void ReserveItems(size_t rows) const;

    // Redraw off stops the list painting while many rows change; back on, it repaints once.
    void SetRedraw(bool redraw) const;
};
