// The main window in the theme's colours: the title bar, the toolbar (drawn through its custom
// draw, its glyphs' outlines lightened on dark), the contents pane, the message in place of the
// page, the page's preferred colour scheme and the dialogs the window owns. A change of Windows'
// app mode or of high contrast arrives as WM_SETTINGCHANGE or WM_SYSCOLORCHANGE.
#include <windows.h>
#include <commctrl.h>

#include "viewer/MainWindow.h"
#include "viewer/resource.h"

namespace {

constexpr LRESULT kUseCdColours = 0x00800000;  // TBCDRF_USECDCOLORS (Vista), newer than our headers

BOOL CALLBACK NotifyOwned(HWND hwnd, LPARAM owner) {
    if (GetWindow(hwnd, GW_OWNER) == reinterpret_cast<HWND>(owner))
        SendMessageA(hwnd, WM_PV_THEME_CHANGED, 0, 0);
    return TRUE;
}

}  // namespace

void CMainWindow::ApplyTheme() {
    if (!m_hWnd)
        return;
    m_theme.ApplyFrame(m_hWnd);
    if (m_toolbar) {
        LoadToolbarImages(WindowDpi());
        InvalidateRect(m_toolbar, nullptr, TRUE);
    }
    if (HWND tree = m_contents.GetHwnd()) {
        // -1 puts the tree's own system colours back (CLR_DEFAULT for its lines).
        const bool dark = m_theme.IsDark();
        const COLORREF system = static_cast<COLORREF>(-1);
        TreeView_SetBkColor(tree, dark ? m_theme.Colour(ThemeColour::window) : system);
        TreeView_SetTextColor(tree, dark ? m_theme.Colour(ThemeColour::text) : system);
        TreeView_SetLineColor(tree, dark ? m_theme.Colour(ThemeColour::grey) : CLR_DEFAULT);
        m_theme.ApplyControl(tree);
        InvalidateRect(tree, nullptr, TRUE);
    }
    m_bookmarksView.ApplyTheme(m_theme);
    if (m_bookmarksLabel)
        InvalidateRect(m_bookmarksLabel, nullptr, TRUE);
    if (m_message.m_hWnd)
        InvalidateRect(m_message.m_hWnd, nullptr, TRUE);
    InvalidateRect(m_hWnd, nullptr, TRUE);
    if (m_engine)
        m_engine->SetPageScheme(m_theme.SchemeForPages());
    EnumThreadWindows(GetCurrentThreadId(), NotifyOwned, reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CMainWindow::OnToolbarCustomDraw(NMTBCUSTOMDRAW* draw) const {
    if (!m_theme.IsDark())
        return CDRF_DODEFAULT;
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT: {
            RECT rc;
            GetClientRect(m_toolbar, &rc);
            FillRect(draw->nmcd.hdc, &rc, m_theme.Brush(ThemeColour::face));
            return CDRF_NOTIFYITEMDRAW;
        }
        case CDDS_ITEMPREPAINT:
            draw->clrText =
                m_theme.Colour((draw->nmcd.uItemState & CDIS_DISABLED) ? ThemeColour::grey
                                                                       : ThemeColour::faceText);
            draw->clrBtnFace = m_theme.Colour(ThemeColour::face);
            draw->clrHighlightHotTrack = m_theme.Colour(ThemeColour::hot);
            draw->clrBtnHighlight = m_theme.Colour(ThemeColour::hot);
            return kUseCdColours | TBCDRF_HILITEHOTTRACK | TBCDRF_NOETCHEDEFFECT;
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT CMainWindow::OnPaneCustomDraw(NMTVCUSTOMDRAW* draw) const {
    if (!m_theme.IsDark())
        return CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    // The selected page: the system's highlight while the pane has the focus, a lighter grey
    // otherwise (the system's grey of an inactive selection is near white, under light text).
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw->nmcd.uItemState & CDIS_SELECTED)) {
        const bool focused = GetFocus() == draw->nmcd.hdr.hwndFrom;
        draw->clrTextBk = focused ? GetSysColor(COLOR_HIGHLIGHT) : m_theme.Colour(ThemeColour::hot);
        draw->clrText =
            focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : m_theme.Colour(ThemeColour::text);
    }
    return CDRF_DODEFAULT;
}

void CMainWindow::OnSettingChange(WPARAM wp, LPARAM lp) {
    const char* area = reinterpret_cast<const char*>(lp);
    const bool colours =
        wp == SPI_SETHIGHCONTRAST || (area && lstrcmpiA(area, "ImmersiveColorSet") == 0);
    if (colours && m_theme.Refresh())
        ApplyTheme();
    if (wp == SPI_SETICONTITLELOGFONT || wp == SPI_SETNONCLIENTMETRICS)
        ApplyUiFont();
}
