// Helpers for the viewer's Windows tests: message pumping with a time limit, a temporary folder,
// and screenshots of the display written as .bmp files next to the test (test artifacts).
#pragma once

#include <windows.h>

#include <string>

// Dispatches messages until done() is true or ms milliseconds have passed; returns done().
template <class F>
bool PumpUntil(F done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// A fresh folder under the system's temporary folder, removed with its files at the end.
class CWinTempDir {
  public:
    CWinTempDir() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        m_path = std::string(base) + "pv-h3-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(s_count++);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~CWinTempDir() {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((m_path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((m_path + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

  private:
    std::string m_path;
    static inline int s_count = 0;
};

// Saves the whole screen as viewer-<name>.bmp in the current folder (the build folder under
// ctest), so that a person can look at what the windows really showed.
void SaveScreenshot(const char* name);

// The colour of one pixel of the screen.
COLORREF ScreenPixel(int x, int y);
