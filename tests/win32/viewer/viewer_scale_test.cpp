// The viewer at Windows' largest text sizes: the toolbar and the contents pane take the system's
// font as it changes, the toolbar wraps rather than cut a button off, and the pane grows with
// its text. (The display's scale, 200 %, is checked on viewer.exe itself: ViewerProgram.)
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "TestBook.h"
#include "ViewerFixture.h"
#include "WinTestUtil.h"
#include "viewer/MainWindow.h"
#include "viewer/resource.h"

namespace {

class ViewerScale : public CViewerFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(m_font), &m_font, 0));
    }
    void TearDown() override {
        SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof(m_font), &m_font, 0);
        CViewerFixture::TearDown();
    }
    // Windows' text size (its icon-title font) at percent of what it was, as the window hears it.
    void SetTextSize(int percent) {
        LOGFONTW lf = m_font;
        lf.lfHeight = MulDiv(m_font.lfHeight, percent, 100);
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof(lf), &lf, 0));
        SendMessageA(m_window->GetHwnd(), WM_SETTINGCHANGE, SPI_SETICONTITLELOGFONT, 0);
    }
    static int FontHeight(HWND hwnd) {
        LOGFONTW lf = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
        return lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    }
    // Every toolbar button whole inside the toolbar, and wide enough for its label.
    void ExpectWholeButtons(const char* when) {
        SCOPED_TRACE(when);
        HWND tb = m_window->GetToolbar();
        RECT bar;
        GetClientRect(tb, &bar);
        HDC dc = GetDC(tb);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tb, WM_GETFONT, 0, 0)));
        const int n = static_cast<int>(SendMessageW(tb, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            TBBUTTON b = {};
            SendMessageW(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
            wchar_t label[64] = {};
            SendMessageW(tb, TB_GETBUTTONTEXTW, b.idCommand, reinterpret_cast<LPARAM>(label));
            RECT rc = {};
            SendMessageW(tb, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
            SIZE text = {};
            GetTextExtentPoint32W(dc, label, lstrlenW(label), &text);
            EXPECT_TRUE(rc.left >= bar.left && rc.right <= bar.right && rc.top >= bar.top &&
                        rc.bottom <= bar.bottom)
                << "button " << i << " outside the toolbar " << rc.left << "," << rc.top << "-"
                << rc.right << "," << rc.bottom << " in " << bar.right << "x" << bar.bottom;
            EXPECT_GE(rc.right - rc.left, text.cx) << "button " << i << "'s label cut";
        }
        SelectObject(dc, old);
        ReleaseDC(tb, dc);
        EXPECT_EQ(m_window->ClippedToolbarButtons(), 0);
        // The page and the pane begin below the toolbar, whatever its height.
        RECT tbRect, paneRect;
        GetWindowRect(tb, &tbRect);
        GetWindowRect(m_window->Contents().GetHwnd(), &paneRect);
        EXPECT_GE(paneRect.top, tbRect.bottom);
    }
    LOGFONTW m_font = {};
};

TEST_F(ViewerScale, TheToolbarAndThePaneKeepTheirLabelsAtTwiceTheTextSize) {
    CTestBook b;
    b.title = "Scale Book";
    b.Page("index.htm", "<title>A page with a long title to read</title>x");
    b.settings[kShowToolbar] = 1;
    for (int s : {kHomeButton, kPrevNextButtons, kHistoryButtons, kCopyButton, kSearchButton,
                  kFullScreenButton, kFontSizeButton, kPrintButton, kAboutButton, kExitButton})
        b.settings[s] = 1;
    Open(b);
    SendMessageA(m_window->GetHwnd(), WM_COMMAND, IDM_CONTENTS, 0);
    SetWindowPos(m_window->GetHwnd(), nullptr, 0, 0, 1100, 600, SWP_NOMOVE | SWP_NOZORDER);
    HWND tb = m_window->GetToolbar();
    HWND tree = m_window->Contents().GetHwnd();
    ExpectWholeButtons("at 100 %");
    const int font = FontHeight(tb);
    RECT pane;
    GetWindowRect(tree, &pane);
    const long paneWidth = pane.right - pane.left;
    EXPECT_EQ(FontHeight(tree), font);

    SetTextSize(200);
    EXPECT_EQ(FontHeight(tb), 2 * font);
    EXPECT_EQ(FontHeight(tree), 2 * font);
    ExpectWholeButtons("at 200 %");
    GetWindowRect(tree, &pane);
    EXPECT_GT(pane.right - pane.left, paneWidth) << "the pane did not grow with its text";
    EXPECT_GE(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), 2 * font);
    SaveScreenshot("text-200");

    // A narrow window: the buttons go onto more rows.
    SetWindowPos(m_window->GetHwnd(), nullptr, 0, 0, 560, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GT(SendMessageW(tb, TB_GETROWS, 0, 0), 1);
    RedrawWindow(m_window->GetHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SaveScreenshot("text-200-narrow");
    ExpectWholeButtons("at 200 % in a narrow window");

    SetTextSize(100);
    EXPECT_EQ(FontHeight(tb), font);
    SetWindowPos(m_window->GetHwnd(), nullptr, 0, 0, 1100, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessageW(tb, TB_GETROWS, 0, 0), 1);
    ExpectWholeButtons("back at 100 %");
}

}  // namespace
