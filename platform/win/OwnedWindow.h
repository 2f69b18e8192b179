// COwnedWindow: a window of a class registered through it, whose messages reach a virtual
// HandleMessage of the C++ object, and which the object owns: the window is destroyed with the
// object at the latest. The object's pointer travels in CREATESTRUCT's lpCreateParams and is kept
// in GWLP_USERDATA from WM_NCCREATE on; it is the only state a window of ours carries outside its
// object.
#pragma once

#include <windows.h>

#include "platform/win/Window.h"

class COwnedWindow : public CWindow {
  public:
    COwnedWindow() = default;
    // Destroys the window if it still exists.
    virtual ~COwnedWindow();
    COwnedWindow(const COwnedWindow&) = delete;
    COwnedWindow& operator=(const COwnedWindow&) = delete;

    // Registers a window class whose procedure forwards to COwnedWindow objects. wc.lpfnWndProc
    // and wc.cbSize are filled in here. Returns false when registration failed for another
    // reason than the class being registered already.
    static bool RegisterWindowClass(WNDCLASSEXA wc);

    // Creates a window of a class registered through RegisterWindowClass, bound to this object.
    // Returns the window or nullptr.
    HWND Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
                int width, int height, HWND parent, HMENU menuOrId = nullptr,
                HINSTANCE instance = nullptr);

    // The object bound to a window of ours, or nullptr.
    static COwnedWindow* FromHandle(HWND hwnd);

    // Every message after WM_NCCREATE. The default passes it to DefWindowProcA.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (after WM_NCDESTROY); m_hWnd is already null.
    virtual void OnFinalMessage() {}

    void Destroy();

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
