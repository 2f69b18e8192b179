#include "viewer/Splash.h"

#include <algorithm>

#include "viewer/book/Book.h"

const char kSplashWindowClass[] = "PagevaneViewerSplash";

namespace {

const UINT_PTR kCloseTimer = 1;

LRESULT CALLBACK SplashProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SplashImage* image = reinterpret_cast<SplashImage*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE:
            SetWindowLongPtrA(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (image) {
                RECT rc;
                GetClientRect(hwnd, &rc);
                const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(image->dib.data());
                SetStretchBltMode(dc, HALFTONE);
                StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, image->nWidth, image->nHeight,
                              image->dib.data() + image->dwBitsOffset, info, DIB_RGB_COLORS,
                              SRCCOPY);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_TIMER:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KEYDOWN:
            DestroyWindow(hwnd);
            return 0;
        case WM_NCDESTROY:
            delete image;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateSplashWindow(HINSTANCE instance, const SplashImage& image, UINT ms) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExA(instance, kSplashWindowClass, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = SplashProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = kSplashWindowClass;
        if (!RegisterClassExA(&wc))
            return nullptr;
    }
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
    SplashImage* copy = new SplashImage(image);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kSplashWindowClass, "", WS_POPUP,
                                work.left + (areaW - w) / 2, work.top + (areaH - h) / 2, w, h,
                                nullptr, nullptr, instance, copy);
    if (!hwnd) {
        delete copy;
        return nullptr;
    }
    SetTimer(hwnd, kCloseTimer, ms, nullptr);
    ShowWindow(hwnd, SW_SHOW);
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
