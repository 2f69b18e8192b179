// Helpers for driving real windows in the framework tests: a helper thread that waits for a modal
// window of the test thread and acts on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "MessagePump.h"
#include "platform/win/Window.h"

struct DialogSearch {
    std::string caption;
    HWND found;
};

inline BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM data) {
    DialogSearch* f = reinterpret_cast<DialogSearch*>(data);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd) &&
        GetWindowTextString(hwnd).find(f->caption) != std::string::npos) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level dialog (#32770) of thread whose caption contains caption; waits
// up to ms for it.
inline HWND WaitForDialog(DWORD thread, const std::string& caption, DWORD ms) {
    DialogSearch find{caption, nullptr};
    WaitUntil(
        [&] {
            EnumThreadWindows(thread, &FindDialogProc, reinterpret_cast<LPARAM>(&find));
            return find.found != nullptr;
        },
        ms);
    return find.found;
}

// Runs act(dialog) on a helper thread once the test thread shows a dialog whose caption
// contains caption; joins at the end of the scope. found() tells whether it appeared.
class DialogDriver {
  public:
    DialogDriver(const std::string& caption, std::function<void(HWND)> act)
        : m_thread([this, caption, act, owner = GetCurrentThreadId()] {
              HWND dlg = WaitForDialog(owner, caption, 15000);
              m_found = dlg != nullptr;
              if (dlg)
                  act(dlg);
          }) {}
    ~DialogDriver() { Join(); }
    bool found() {
        Join();
        return m_found;
    }
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }

  private:
    bool m_found = false;
    std::thread m_thread;
};
