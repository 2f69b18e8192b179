#include <gtest/gtest.h>

#include "SheetTestUtil.h"
#include "publisher/resource.h"

namespace {

const int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025, kHelp = 9;

RECT ClientRect(HWND hSheet, int id) {
    RECT rc = {};
    ::GetWindowRect(::GetDlgItem(hSheet, id), &rc);
    ::MapWindowPoints(nullptr, hSheet, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool Usable(HWND hSheet, int id) {
    HWND h = ::GetDlgItem(hSheet, id);
    return ::IsWindowVisible(h) && ::IsWindowEnabled(h);
}

// On every page: no Help, from the right Cancel, Next, Back in one row without overlap, below
// the page; the buttons each page asks for.
TEST(WizardSheet, ButtonRowOnEveryPage) {
    SheetFixture f;
    f.project.AddPage(std::make_unique<CPieceElem>());  // so that nothing refuses a page
    f.Open();
    HWND hSheet = f.sheet->m_hWnd;
    const struct {
        const char* name;
        bool back, next;
    } pages[] = {{"content", false, true}, {"interface", true, true}, {"create", true, false}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pages[i].name);
        ASSERT_TRUE(f.sheet->SetActivePage(i));
        f.Settle();
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hSheet, kHelp)));
        const RECT back = ClientRect(hSheet, kBack), next = ClientRect(hSheet, kNext),
                   cancel = ClientRect(hSheet, IDCANCEL);
        EXPECT_EQ(back.top, next.top);
        EXPECT_EQ(next.top, cancel.top);
        EXPECT_LE(back.right, next.left);
        EXPECT_LE(next.right, cancel.left);
        RECT page = {};
        ::GetWindowRect(f.sheet->GetCurrentPageHwnd(), &page);
        ::MapWindowPoints(nullptr, hSheet, reinterpret_cast<POINT*>(&page), 2);
        EXPECT_GE(cancel.top, page.bottom);
        RECT client = {};
        ::GetClientRect(hSheet, &client);
        EXPECT_LE(cancel.right, client.right);
        EXPECT_EQ(Usable(hSheet, kBack), pages[i].back);
        EXPECT_EQ(Usable(hSheet, kNext), pages[i].next);
        EXPECT_FALSE(Usable(hSheet, kFinish));
        EXPECT_TRUE(Usable(hSheet, IDCANCEL));
        PaintNow(hSheet);
        SaveScreenshot(pages[i].name);
    }
}

TEST(WizardSheet, SystemMenuEndsWithAboutAndTheIconIsSet) {
    SheetFixture f;
    f.Open();
    HWND hSheet = f.sheet->m_hWnd;
    HMENU hMenu = ::GetSystemMenu(hSheet, FALSE);
    const int n = ::GetMenuItemCount(hMenu);
    ASSERT_GE(n, 2);
    char text[64] = {};
    ::GetMenuStringA(hMenu, static_cast<UINT>(n - 1), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About...");
    EXPECT_EQ(::GetMenuItemID(hMenu, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoA(hMenu, static_cast<UINT>(n - 2), TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);

    ASSERT_NE(f.sheet->Icon(), nullptr);
    EXPECT_EQ(::SendMessageA(hSheet, WM_GETICON, ICON_BIG, 0),
              reinterpret_cast<LRESULT>(f.sheet->Icon()));
    EXPECT_EQ(::SendMessageA(hSheet, WM_GETICON, ICON_SMALL, 0),
              reinterpret_cast<LRESULT>(f.sheet->Icon()));
    EXPECT_EQ(::SendMessageA(hSheet, WM_QUERYDRAGICON, 0, 0),
              reinterpret_cast<LRESULT>(f.sheet->Icon()));
}

// Escape is swallowed on the wizard, yet closes the About box opened over it (centred over the
// wizard); Cancel closes the wizard without a question.
TEST(WizardSheet, EscapeKeepsTheWizardOpenButClosesTheAboutBox) {
    SheetFixture f;
    f.Open();
    HWND hSheet = f.sheet->m_hWnd;
    HWND hFocus = ::GetDlgItem(f.sheet->GetCurrentPageHwnd(), IDC_NEW_PROJECT);
    ::SetFocus(hFocus);
    ::PostMessageA(hFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(hFocus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    f.Settle();
    EXPECT_FALSE(f.sheet->IsFinished());
    EXPECT_NE(f.sheet->GetCurrentPageHwnd(), nullptr);

    std::string caption;
    int offCentre = -1;
    ModalDriver driver("About Pagevane", [&](HWND hAbout) {
        char text[64] = {};
        ::GetWindowTextA(hAbout, text, sizeof text);
        caption = text;
        offCentre = CentreDistance(hAbout, hSheet);
        PaintNow(hAbout);
        SaveScreenshot("about");
        HWND hOk = ::GetDlgItem(hAbout, IDOK);
        ::PostMessageA(hOk, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    ::SendMessageA(hSheet, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);  // returns when the box is gone
    EXPECT_TRUE(driver.ran);
    EXPECT_FALSE(driver.stuckClosed) << "Escape did not close the About box";
    EXPECT_EQ(caption, "About Pagevane");
    EXPECT_LE(offCentre, 2) << "the About box opens centred over the wizard";
    EXPECT_EQ(f.sheet->GetActiveIndex(), 0);
    EXPECT_FALSE(f.sheet->IsFinished());

    ::PostMessageA(::GetDlgItem(hSheet, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpSheetUntil(
        f.sheet.get(), [&] { return f.sheet->IsFinished(); }, 2000));
    EXPECT_TRUE(f.ui.messages.empty());
}

}  // namespace
