// The main window's memory of where the reader left a book: the last page, the window's
// placement and the text size, kept per e-book in a profile section named after its file.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Profile.h"
#include "viewer/MainWindow.h"
#include "book/Book.h"
#include "book/BookUrl.h"

namespace {

const char kPageEntry[] = "Page";
const char kPlacementEntry[] = "Placement";
const char kTextSizeEntry[] = "TextSize";
const char kContentsEntry[] = "Contents";  // "1" when the contents pane was open

// "<maximised 0|1> <left> <top> <right> <bottom>" of the window's restored rectangle. A stored
// value is taken only when it parses whole, is of a usable size and lies on a monitor that is
// still there, so a window never comes back off screen or as a sliver.
bool ParsePlacement(const std::string& text, bool* maximised, RECT* rc) {
    long v[5];
    const char* p = text.c_str();
    for (long& n : v) {
        char* end = nullptr;
        n = strtol(p, &end, 10);
        if (end == p || (*end != ' ' && *end != '\0'))
            return false;
        p = end;
    }
    if (*p != '\0')
        return false;
    const long max = v[0], l = v[1], t = v[2], r = v[3], b = v[4];
    const long kLimit = 100000;
    if ((max != 0 && max != 1) || l < -kLimit || t < -kLimit || r > kLimit || b > kLimit ||
        r - l < 200 || b - t < 150)
        return false;
    rc->left = l;
    rc->top = t;
    rc->right = r;
    rc->bottom = b;
    *maximised = max == 1;
    return MonitorFromRect(rc, MONITOR_DEFAULTTONULL) != nullptr;
}

// True when the window's top edge lies on a monitor's work area with at least 100 pixels of it
// there, so that the caption can be taken with the mouse.
bool CaptionReachable(HWND hwnd) {
    RECT rc;
    if (!GetWindowRect(hwnd, &rc))
        return false;
    HMONITOR monitor = MonitorFromRect(&rc, MONITOR_DEFAULTTONULL);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!monitor || !GetMonitorInfoA(monitor, &info))
        return false;
    const RECT& work = info.rcWork;
    const long visible = std::min(rc.right, work.right) - std::max(rc.left, work.left);
    return rc.top >= work.top && rc.top < work.bottom - 20 && visible >= 100;
}

}  // namespace

void CMainWindow::RestorePlacement() {
    if (!m_profile)
        return;
    const std::string size = m_profile->GetProfileString(m_strPlaceSection, kTextSizeEntry, "");
    if (size.size() == 1 && size[0] >= '0' && size[0] <= '4' && size[0] != '2') {
        m_nZoom = size[0] - '0';
        m_bZoomPending = true;
    }
    // The contents pane as the reader left it.
    if (m_profile->GetProfileString(m_strPlaceSection, kContentsEntry, "") == "1" &&
        !m_contents.IsOpen()) {
        m_contents.Toggle();
        Layout();
    }
    // The publisher's choice of a maximised or full-screen start comes first.
    if (m_book.GetSetting(kStartFullScreen) || m_book.GetSetting(kStartMaximized))
        return;
    bool maximised = false;
    WINDOWPLACEMENT wp = {};
    if (!ParsePlacement(m_profile->GetProfileString(m_strPlaceSection, kPlacementEntry, ""),
                        &maximised, &wp.rcNormalPosition))
        return;
    wp.length = sizeof(wp);
    wp.showCmd = SW_HIDE;  // Show() makes it visible
    WINDOWPLACEMENT before = {};
    before.length = sizeof(before);
    GetWindowPlacement(m_hWnd, &before);
    SetWindowPlacement(m_hWnd, &wp);
    // The system may move or shrink the rectangle it is given (to the work area of another
    // layout of monitors): what counts is where the window landed. Off screen, it goes back to
    // the default place.
    if (!CaptionReachable(m_hWnd)) {
        SetWindowPlacement(m_hWnd, &before);
        return;
    }
    if (maximised)
        m_bStartMaximised = true;
}

void CMainWindow::GoToStart() {
    if (m_profile) {
        const std::string url = m_profile->GetProfileString(m_strPlaceSection, kPageEntry, "");
        if (IsBookUrl(url) && m_book.FindUrl(url)) {
            Go(url);
            return;
        }
    }
    GoHome();
}

void CMainWindow::ApplyZoom() {
    m_bZoomPending = false;
    m_engine->SetTextSize(m_nZoom);
}

void CMainWindow::SavePlace() {
    if (!m_profile || !m_hWnd)
        return;
    if (IsBookUrl(m_strCurrent) && m_book.FindUrl(m_strCurrent))
        m_profile->WriteProfileString(m_strPlaceSection, kPageEntry, m_strCurrent);
    // Full screen is left as it was entered: the placement saved then is the one to keep.
    WINDOWPLACEMENT wp = m_placement;
    if (!m_bFullScreen) {
        wp.length = sizeof(wp);
        if (!GetWindowPlacement(m_hWnd, &wp))
            wp.length = 0;
    }
    if (wp.length == sizeof(wp)) {
        const bool maximised =
            wp.showCmd == SW_SHOWMAXIMIZED ||
            (wp.showCmd == SW_SHOWMINIMIZED && (wp.flags & WPF_RESTORETOMAXIMIZED));
        const RECT& rc = wp.rcNormalPosition;
        char text[64];
        wsprintfA(text, "%d %ld %ld %ld %ld", maximised ? 1 : 0, rc.left, rc.top, rc.right,
                  rc.bottom);
        m_profile->WriteProfileString(m_strPlaceSection, kPlacementEntry, text);
    }
    const char size[2] = {static_cast<char>('0' + m_nZoom), 0};
    m_profile->WriteProfileString(m_strPlaceSection, kTextSizeEntry, size);
    m_profile->WriteProfileString(m_strPlaceSection, kContentsEntry,
                                  m_contents.IsOpen() ? "1" : "0");
}
