// The main window at any text size and scale. The toolbar and the contents pane take the
// system's icon-title font at the window's DPI, so that Windows' text size (Settings >
// Accessibility > Text size, up to 225 %) and display scale reach them, and again whenever
// either changes. The toolbar wraps its buttons onto more rows rather than cut any off, and the
// pane grows with its font.
#include <windows.h>
#include <commctrl.h>

#include "viewer/Accessible.h"
#include "viewer/MainWindow.h"

namespace {

// The icon-title font (what the toolbar and the tree are drawn with by default) at dpi.
LOGFONTW IconTitleFont(int dpi) {
    LOGFONTW lf = {};
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    const FARPROC proc =
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoForDpi");
    const ForDpi forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(proc));
    if (forDpi && forDpi(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0, static_cast<UINT>(dpi)))
        return lf;
    // Before Windows 10 1607 the font is given at the system's DPI.
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
    ScopedGetDC screen(nullptr);
    const int systemDpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (systemDpi > 0 && systemDpi != dpi)
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, systemDpi);
    return lf;
}

}  // namespace

void CMainWindow::ApplyUiFont() {
    const int dpi = WindowDpi();
    const LOGFONTW lf = IconTitleFont(dpi);
    m_uiFont.reset(CreateFontIndirectW(&lf));
    m_nLabelHeight = 20;
    if (!m_uiFont)
        return;
    // The pane: at least its width at 100 %, scaled, and room for some 34 characters.
    TEXTMETRICW tm = {};
    {
        ScopedGetDC dc(m_hWnd);
        ScopedSelect font(dc.get(), m_uiFont.get());
        GetTextMetricsW(dc.get(), &tm);
    }
    m_nLabelHeight = tm.tmHeight + tm.tmHeight / 2;
    m_nPaneWidth = MulDiv(240, dpi, 96);
    if (tm.tmAveCharWidth * 34 > m_nPaneWidth)
        m_nPaneWidth = tm.tmAveCharWidth * 34;
    for (HWND pane : {m_contents.GetHwnd(), m_bookmarksLabel, m_bookmarksView.GetHwnd()}) {
        if (pane)
            SendMessageW(pane, WM_SETFONT, reinterpret_cast<WPARAM>(m_uiFont.get()), TRUE);
    }
    if (m_toolbar)
        SendMessageW(m_toolbar, WM_SETFONT, reinterpret_cast<WPARAM>(m_uiFont.get()), TRUE);
    Layout();  // sizes the toolbar for its new font
}

int CMainWindow::ClippedToolbarButtons() const {
    if (!m_toolbar)
        return 0;
    RECT bar;
    GetClientRect(m_toolbar, &bar);
    ScopedGetDC dc(m_toolbar);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_toolbar, WM_GETFONT, 0, 0));
    ScopedSelect select(dc.get(),
                        font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    int clipped = 0;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        RECT rc = {};
        SendMessageW(m_toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
        const std::wstring text = ToolbarButtonText(m_toolbar, m_buttons[i]);
        SIZE extent = {};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        RECT inside;
        const bool shown = IntersectRect(&inside, &rc, &bar) && EqualRect(&inside, &rc);
        if (!shown || rc.right - rc.left < extent.cx)
            ++clipped;
    }
    return clipped;
}
