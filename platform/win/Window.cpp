#include "platform/win/Window.h"

#include <vector>

std::string GetWindowTextString(HWND hwnd) {
    const int n = GetWindowTextLengthA(hwnd);
    if (n <= 0)
        return std::string();
    std::vector<char> buf(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(hwnd, buf.data(), n + 1);
    return std::string(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string CWindow::GetWindowText() const {
    return GetWindowTextString(m_hWnd);
}

std::string CWindow::GetDlgItemText(int id) const {
    return GetWindowTextString(GetDlgItem(id));
}

namespace {
// The programs show windows from one thread only; plain statics keep the viewer free of the
// thread-local storage support code.
int t_waitDepth = 0;
HCURSOR t_waitSaved = nullptr;
}  // namespace

void CWinWaitCursor::Begin() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (t_waitDepth++ == 0)
        t_waitSaved = previous;
}

void CWinWaitCursor::End() {
    if (t_waitDepth <= 0)
        return;  // an End without a Begin changes nothing
    if (--t_waitDepth == 0) {
        SetCursor(t_waitSaved ? t_waitSaved : LoadCursorA(nullptr, IDC_ARROW));
        t_waitSaved = nullptr;
    }
}

int CWinWaitCursor::Depth() {
    return t_waitDepth;
}
