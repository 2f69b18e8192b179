// Waiting in the Windows tests: on a condition, never for a fixed time. A test waits for what it
// expects to see (PumpUntil, WaitUntil), for its own thread's queue to be worked off (PumpIdle),
// or has a window painted now (PaintNow) before it looks at the screen.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches messages (offered to filter first, when given: true means it took the message)
// until done() is true or ms milliseconds have passed; returns done().
template <class Done>
bool PumpUntil(Done done, DWORD ms, const std::function<bool(MSG*)>& filter = nullptr) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (filter && filter(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (::GetTickCount() - start > ms)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Dispatches this thread's messages until its queue is empty: what was posted or sent to it, what
// handling those posts in turn, input, paints and timers that are due. What other threads or
// processes will send later is not waited for: wait for its outcome with PumpUntil. Returns false
// when the queue was still not empty after ms milliseconds (something posting without end).
inline bool PumpIdle(DWORD ms = 5000, const std::function<bool(MSG*)>& filter = nullptr) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!(filter && filter(&msg))) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (::GetTickCount() - start > ms)
            return false;
    }
    return true;
}

// Polls done() without pumping (for helper threads and other processes' windows) until it is true
// or ms milliseconds have passed; returns done().
template <class Done>
bool WaitUntil(Done done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(20);
    }
    return true;
}

// Paints hwnd, its frame and its children now, also when it belongs to another thread or
// process (the paint messages are sent, so this returns once they are handled), and has the
// painting put on the display: Wine draws a window into memory and copies it to the display when
// the window's thread next waits for messages (after a paint, this thread waits for none; another
// thread has done so once it answers a message sent after the paint). What a screenshot or a
// pixel then shows is what the window draws.
inline void PaintNow(HWND hwnd) {
    ::RedrawWindow(
        hwnd, nullptr, nullptr,
        RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASENOW | RDW_ALLCHILDREN);
    if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    } else {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer);
    }
}
