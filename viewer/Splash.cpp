#include "viewer/Splash.h"

#include <algorithm>

#include "platform/win/SelfOwned.h"
#include "platform/win/OwnedWindow.h"
#include "book/Book.h"

const char kSplashWindowClass[] = "PagevaneViewerSplash";

namespace {

const UINT_PTR kCloseTimer = 1;

// The splash window owns a copy of the image and deletes itself (and the copy) once its window
// is gone, so that the caller holds nothing but the window handle.
class CSplashWindow final : public CSelfOwned<COwnedWindow> {
  public:
    explicit CSplashWindow(const SplashImage& image) : m_image(image) {}

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(m_hWnd, &ps);
                RECT rc;
                GetClientRect(m_hWnd, &rc);
                const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(m_image.dib.data());
                SetStretchBltMode(dc, HALFTONE);
                StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, m_image.nWidth, m_image.nHeight,
                              m_image.dib.data() + m_image.dwBitsOffset, info, DIB_RGB_COLORS,
                              SRCCOPY);
                EndPaint(m_hWnd, &ps);
                return 0;
            }
            case WM_TIMER:
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_KEYDOWN:
                DestroyWindow(m_hWnd);
                return 0;
            default:
                return COwnedWindow::HandleMessage(msg, wp, lp);
        }
    }

  private:
    SplashImage m_image;
};

}  // namespace

HWND CreateSplashWindow(HINSTANCE instance, const SplashImage& image, UINT ms) {
    WNDCLASSEXA wc = {};
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = kSplashWindowClass;
    if (!COwnedWindow::RegisterWindowClass(wc))
        return nullptr;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int areaW = work.right - work.left;
    const int areaH = work.bottom - work.top;
    int w = image.nWidth;
    int h = image.nHeight;
    if (w > areaW || h > areaH) {  // keep the proportions while fitting the screen
        const double scale = std::min(double(areaW) / w, double(areaH) / h);
        w = std::max(1, int(w * scale));
        h = std::max(1, int(h * scale));
    }
    CSplashWindow* splash = new CSplashWindow(image);
    // Never activated: the focus, and with it what a screen reader is reading, stays where it
    // was until the book's window opens.
    HWND hwnd = splash->Create(
        kSplashWindowClass, "", WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
        work.left + (areaW - w) / 2, work.top + (areaH - h) / 2, w, h, nullptr, nullptr, instance);
    if (!hwnd) {
        delete splash;
        return nullptr;
    }
    splash->OwnSelf();
    SetTimer(hwnd, kCloseTimer, ms, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    return hwnd;
}

void RunSplash(HINSTANCE instance, const SplashImage& image, UINT ms) {
    HWND hwnd = CreateSplashWindow(instance, image, ms);
    MSG msg;
    while (hwnd && IsWindow(hwnd) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
