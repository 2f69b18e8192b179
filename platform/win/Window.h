// CWindow: a window of a class registered through it, whose messages reach a virtual
// HandleMessage of the C++ object. The object's pointer travels in CREATESTRUCT's lpCreateParams
// and is kept in GWLP_USERDATA from WM_NCCREATE on; it is the only state a window of ours
// carries outside its object.
#pragma once

#include <windows.h>

#include <string>

class CWindow {
  public:
    CWindow() = default;
    // Destroys the window if it still exists.
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // Registers a window class whose procedure forwards to CWindow objects. wc.lpfnWndProc and
    // wc.cbSize are filled in here. Returns false when registration failed for another reason
    // than the class being registered already.
    static bool RegisterWindowClass(WNDCLASSEXA wc);

    // Creates a window of a class registered through RegisterWindowClass, bound to this object.
    // Returns the window or nullptr.
    HWND Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
                int width, int height, HWND parent, HMENU menuOrId = nullptr,
                HINSTANCE instance = nullptr);

    // The object bound to a window of ours, or nullptr.
    static CWindow* FromHandle(HWND hwnd);

    // Every message after WM_NCCREATE. The default passes it to DefWindowProcA.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (after WM_NCDESTROY); m_hWnd is already null.
    virtual void OnFinalMessage() {}

    HWND GetHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetText() const;
    void SetText(const std::string& text) { SetWindowTextA(m_hWnd, text.c_str()); }
    void Destroy();

    HWND m_hWnd = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
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
