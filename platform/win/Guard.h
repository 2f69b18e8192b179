// The boundary between our handlers and the system's frames. A window, dialog or sheet procedure
// and a hook are called by the system; an exception unwinding out of them would cross frames
// that know nothing of C++ (on i686 they are not even unwound): the program would end, or go on
// with half-run system code. So what escapes a handler is caught at that boundary, reported,
// and the message gets a neutral answer; the program goes on.
#pragma once

#include <exception>
#include <string>

// Who hears of an exception that escaped a handler: by default a message box with the stop icon
// (text: what the exception says). Tests set their own; nullptr brings the default back.
using EscapedReporter = void (*)(const std::string& text);
void SetEscapedReporter(EscapedReporter reporter);

// Reports the exception being handled (call only from a catch block).
void ReportEscaped();

// Calls handler() and returns its value; when it throws, reports the exception and returns
// fallback instead.
template <class R, class F>
R CallGuarded(R fallback, F&& handler) noexcept {
    try {
        return handler();
    } catch (...) {
        ReportEscaped();
    }
    return fallback;
}
