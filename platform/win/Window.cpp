#include "platform/win/Window.h"

#include <vector>

#include "platform/win/Guard.h"

CWindow::~CWindow() {
    Destroy();
}

void CWindow::Destroy() {
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool CWindow::RegisterWindowClass(WNDCLASSEXA wc) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &CWindow::WindowProc;
    if (!wc.hInstance)
        wc.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&wc))
        return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindow::Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x,
                     int y, int width, int height, HWND parent, HMENU menuOrId,
                     HINSTANCE instance) {
    if (!instance)
        instance = GetModuleHandleA(nullptr);
    // m_hWnd is set at WM_NCCREATE, so the handler sees it from the first message on.
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, instance, this);
    if (!hwnd)
        m_hWnd = nullptr;
    return hwnd;
}

CWindow* CWindow::FromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    return reinterpret_cast<CWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindow* self;
    if (msg == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<CWindow*>(cs->lpCreateParams);
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

std::string GetWindowTextString(HWND hwnd) {
    const int n = GetWindowTextLengthA(hwnd);
    if (n <= 0)
        return std::string();
    std::vector<char> buf(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(hwnd, buf.data(), n + 1);
    return std::string(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string CWindow::GetText() const {
    return GetWindowTextString(m_hWnd);
}

namespace {
// The programs show windows from one thread only; plain statics keep the viewer free of the
// thread-local storage support code.
int t_waitDepth = 0;
HCURSOR t_waitSaved = nullptr;
}  // namespace

void CWinWaitCursor::Begin() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (t_waitDepth++ == 0)
        t_waitSaved = previous;
}

void CWinWaitCursor::End() {
    if (t_waitDepth <= 0)
        return;  // an End without a Begin changes nothing
    if (--t_waitDepth == 0) {
        SetCursor(t_waitSaved ? t_waitSaved : LoadCursorA(nullptr, IDC_ARROW));
        t_waitSaved = nullptr;
    }
}

int CWinWaitCursor::Depth() {
    return t_waitDepth;
}
