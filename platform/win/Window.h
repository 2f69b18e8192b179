// CWindow: a window's handle and thin wrappers of the functions that take one. It never creates
// or destroys a window: copying it copies the handle, and the window lives on when the object
// goes away. The classes that own a window (COwnedWindow, CDialog, CPropertySheet) derive from
// it; any other window, a dialog's control say, is wrapped on the spot: CWindow(GetDlgItem(id)).
// Inside a class derived from it, the members hide the system's functions of the same name
// (EnableWindow, ShowWindow, IsWindow, ...): call those as ::EnableWindow(hwnd, ...).
#pragma once

#include <windows.h>

#include <string>

class CWindow {
  public:
    CWindow() = default;
    explicit CWindow(HWND hwnd) : m_hWnd(hwnd) {}

    HWND GetHwnd() const { return m_hWnd; }
    // Whether the handle names a window that exists.
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, msg, wParam, lParam) != FALSE;
    }
    // Returns whether the window was disabled before.
    bool EnableWindow(bool enable) const { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    // Returns whether the window was visible before.
    bool ShowWindow(int cmdShow) const { return ::ShowWindow(m_hWnd, cmdShow) != FALSE; }
    // The text as 8-bit ANSI text.
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }

    // The window's items (a dialog's controls) by id: the handle, the text, enabled or greyed,
    // shown or hidden, a button ticked or clear.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::string& text) const {
        ::SetDlgItemTextA(m_hWnd, id, text.c_str());
    }
    void EnableItem(int id, bool enable) const { ::EnableWindow(GetDlgItem(id), enable); }
    void ShowItem(int id, bool show) const {
        ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE);
    }
    void CheckButton(int id, bool checked) const {
        ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool IsButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }

    HWND m_hWnd = nullptr;
};

// The text of any window (a control, a dialog item) as 8-bit ANSI text.
std::string GetWindowTextString(HWND hwnd);

// Shows the hourglass while at least one CWinWaitCursor lives (on the programs' one window
// thread); the cursor that was there before comes back when the outermost one ends.
class CWinWaitCursor {
  public:
    CWinWaitCursor() { Begin(); }
    ~CWinWaitCursor() { End(); }
    CWinWaitCursor(const CWinWaitCursor&) = delete;
    CWinWaitCursor& operator=(const CWinWaitCursor&) = delete;

    static void Begin();
    static void End();
    static int Depth();
};
