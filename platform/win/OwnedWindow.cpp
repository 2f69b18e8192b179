#include "platform/win/OwnedWindow.h"

#include "platform/Assert.h"
#include "platform/win/Guard.h"

COwnedWindow::~COwnedWindow() {
    Destroy();
}

void COwnedWindow::Destroy() {
    if (IsWindow())
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool COwnedWindow::RegisterWindowClass(WNDCLASSEXA wc) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &COwnedWindow::WindowProc;
    if (!wc.hInstance)
        wc.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&wc))
        return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND COwnedWindow::Create(const char* className, const char* title, DWORD style, DWORD exStyle,
                          int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                          HINSTANCE instance) {
    // One window per object: a second would keep calling an object that no longer knows it.
    PV_ASSERT(!m_hWnd);
    if (!instance)
        instance = GetModuleHandleA(nullptr);
    // m_hWnd is set at WM_NCCREATE, so the handler sees it from the first message on.
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, instance, this);
    if (!hwnd)
        m_hWnd = nullptr;
    return hwnd;
}

COwnedWindow* COwnedWindow::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return reinterpret_cast<COwnedWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT COwnedWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK COwnedWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    COwnedWindow* self;
    if (msg == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<COwnedWindow*>(cs->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = FromHandle(hwnd);
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) or for a window whose object let go.
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const LRESULT result =
        CallGuarded<LRESULT>(0, [&] { return self->HandleMessage(msg, wParam, lParam); });
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        CallGuarded(0, [&] {
            self->OnFinalMessage();
            return 0;
        });
    }
    return result;
}
