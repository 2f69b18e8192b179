// Entry point of the viewer's Windows tests: OLE is initialised once on the test thread, as the
// viewer itself does, before GoogleTest runs.
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WinTestUtil.h"

void SaveScreenshot(const char* name) {
    HDC screen = GetDC(nullptr);
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof(bi);
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const DWORD stride = ((w * 3) + 3) & ~3;
    std::vector<BYTE> pixels(stride * h);
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    const std::string path = std::string("viewer-") + name + ".bmp";
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD n;
    WriteFile(f, &bf, sizeof(bf), &n, nullptr);
    WriteFile(f, &bi, sizeof(bi), &n, nullptr);
    WriteFile(f, pixels.data(), static_cast<DWORD>(pixels.size()), &n, nullptr);
    CloseHandle(f);
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

void Press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> in;
    for (int up = 0; up < 2; ++up) {
        std::vector<WORD> order(keys);
        if (up)
            std::reverse(order.begin(), order.end());
        for (WORD vk : order) {
            INPUT i = {};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = vk;
            i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
            i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            if (vk == VK_PRIOR || vk == VK_NEXT || vk == VK_HOME || vk == VK_LEFT ||
                vk == VK_RIGHT || vk == VK_INSERT || vk == VK_DELETE)
                i.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            in.push_back(i);
        }
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)), in.size());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
