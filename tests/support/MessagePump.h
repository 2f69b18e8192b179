// Message pumps for the Windows tests: dispatch the test thread's messages until a condition
// holds or a time limit has passed.
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

// Dispatches messages for ms milliseconds.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}
