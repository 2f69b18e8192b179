#include "Screenshot.h"

#include <vector>

namespace {

void SaveArea(const std::string& name, const RECT& area) {
    HDC screen = ::GetDC(nullptr);
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(mem, old);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const DWORD stride = ((static_cast<DWORD>(w) * 3) + 3) & ~3u;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(h));
    ::GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    const std::string path = "publisher-" + name + ".bmp";
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD n;
    ::WriteFile(f, &bf, sizeof bf, &n, nullptr);
    ::WriteFile(f, &bi, sizeof bi, &n, nullptr);
    ::WriteFile(f, pixels.data(), static_cast<DWORD>(pixels.size()), &n, nullptr);
    ::CloseHandle(f);
}

}  // namespace

void SaveScreenshot(const std::string& name) {
    SaveArea(name, {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
}

void SaveScreenshot(const std::string& name, HWND window) {
    RECT area = {};
    ::GetWindowRect(window, &area);
    SaveArea(name, area);
}
