#include "platform/win/Guard.h"

#include <windows.h>

namespace {

EscapedReporter g_reporter = nullptr;
bool g_reporting = false;  // a report whose message box dispatches a message that throws again

void ShowEscaped(const std::string& text) {
    MessageBoxA(GetActiveWindow(), text.c_str(), "Internal error", MB_OK | MB_ICONSTOP);
}

}  // namespace

void SetEscapedReporter(EscapedReporter reporter) {
    g_reporter = reporter;
}

void ReportEscaped() {
    std::string text = "The program met an unexpected error and did not finish what it was doing";
    try {
        throw;
    } catch (const std::exception& e) {
        text += ": ";
        text += e.what();
    } catch (...) {
    }
    text += ".";
    OutputDebugStringA((text + "\n").c_str());
    if (g_reporting)
        return;
    g_reporting = true;
    try {
        (g_reporter ? g_reporter : &ShowEscaped)(text);
    } catch (...) {
    }
    g_reporting = false;
}
