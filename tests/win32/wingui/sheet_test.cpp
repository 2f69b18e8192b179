// CPropertySheet as a wizard, created modeless and driven through its real buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestIds.h"
#include "WinGuiTestUtil.h"
#include "platform/win/PropertySheet.h"

namespace {

// The wizard's own button ids.
constexpr int kBack = 0x3023;
constexpr int kNext = 0x3024;

std::vector<std::string> g_log;

class CLogPage : public CPropertyPage {
  public:
    CLogPage(UINT id, const char* name, DWORD buttons)
        : CPropertyPage(id), m_name(name), m_buttons(buttons) {}
    std::string m_text;
    bool m_needText = false;  // Next refused while the text is empty
    bool m_allowCancel = true;

    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_PAGE_TEXT, m_text); }
    LRESULT OnSetActive() override {
        g_log.push_back(m_name + ".set");
        SetWizardButtons(m_buttons);
        return CPropertyPage::OnSetActive();
    }
    bool OnKillActive() override {
        g_log.push_back(m_name + ".kill");
        return CPropertyPage::OnKillActive();
    }
    LRESULT OnWizardNext() override {
        g_log.push_back(m_name + ".next");
        // Next comes before the page is left (and stores its data): read the box here.
        if (m_needText && (!UpdateData(true) || m_text.empty()))
            return -1;
        return 0;
    }
    LRESULT OnWizardBack() override {
        g_log.push_back(m_name + ".back");
        return 0;
    }
    bool OnQueryCancel() override {
        g_log.push_back(m_name + ".querycancel");
        return m_allowCancel;
    }
    void OnReset() override { g_log.push_back(m_name + ".reset"); }

  private:
    std::string m_name;
    DWORD m_buttons;
};

class CTestSheet : public CPropertySheet {
  public:
    CTestSheet() : CPropertySheet("Test wizard") {}
    bool m_initSeenPage = false;
    int m_inits = 0;
    bool m_filterEscape = true;
    // Modal run: Escape is pressed at the start, then the sheet checks it is still there and
    // cancels itself.
    bool m_escapeThenCancel = false;
    bool m_survivedEscape = false;

    BOOL OnInitDialog() override {
        ++m_inits;
        // The system's set-up is complete: the first page exists.
        m_initSeenPage = GetCurrentPageHwnd() != nullptr;
        if (m_escapeThenCancel) {
            ::PostMessageA(GetDlgItem(kNext), WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageA(m_hWnd, WM_APP + 8, 0, 0);
        }
        return TRUE;
    }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP + 7)
            return 4242;
        if (msg == WM_APP + 8) {
            m_survivedEscape =
                GetCurrentPageHwnd() != nullptr &&
                std::find(g_log.begin(), g_log.end(), "p1.querycancel") == g_log.end();
            PressButton(PSBTN_CANCEL);
            return 0;
        }
        return CPropertySheet::HandleMessage(msg, wParam, lParam);
    }
    // Escape never reaches the wizard.
    bool PreTranslateMessage(MSG* msg) override {
        return m_filterEscape && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE;
    }
};

class CBox : public CDialog {
  public:
    CBox() : CDialog(IDD_TEST_BOX) {}
};

class SheetTest : public ::testing::Test {
  protected:
    CLogPage m_first{IDD_TEST_PAGE1, "p1", PSWIZB_NEXT};
    CLogPage m_second{IDD_TEST_PAGE2, "p2", PSWIZB_BACK | PSWIZB_NEXT};
    CLogPage m_third{IDD_TEST_PAGE3, "p3", PSWIZB_BACK | PSWIZB_FINISH};
    CTestSheet m_sheet;

    void SetUp() override {
        g_log.clear();
        m_sheet.AddPage(&m_first);
        m_sheet.AddPage(&m_second);
        m_sheet.AddPage(&m_third);
        m_sheet.SetWizardMode();
        ASSERT_TRUE(m_sheet.Create());
        Pump();
    }
    // Works off what the sheet posted (page changes, wizard buttons).
    void Pump() {
        PumpIdle(5000, [this](MSG* m) { return m_sheet.IsSheetMessage(m); });
    }
    // Presses a wizard button and waits until the active page is expected.
    bool Press(int button, int expected, DWORD ms = 3000) {
        m_sheet.PressButton(button);
        const bool ok = PumpUntil([&] { return m_sheet.GetActiveIndex() == expected; }, ms,
                                  [this](MSG* m) { return m_sheet.IsSheetMessage(m); });
        Pump();
        return ok;
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(m_sheet.m_hWnd, id)) != FALSE; }
};

TEST_F(SheetTest, InitHookSubclassAndWizardButtons) {
    EXPECT_EQ(m_sheet.m_inits, 1);
    EXPECT_TRUE(m_sheet.m_initSeenPage);
    EXPECT_EQ(SendMessageA(m_sheet.m_hWnd, WM_APP + 7, 0, 0), 4242);
    EXPECT_EQ(m_sheet.GetActiveIndex(), 0);
    EXPECT_EQ(m_sheet.GetActivePage(), &m_first);
    EXPECT_TRUE(m_first.WasShown());
    EXPECT_FALSE(m_second.WasShown());
    // The first page asked for Next only: Back is disabled once the posted request is handled.
    EXPECT_FALSE(Enabled(kBack));
    EXPECT_TRUE(Enabled(kNext));
}

TEST_F(SheetTest, NextBackAndStayMapToThePagesAndExchangeData) {
    ASSERT_TRUE(Press(PSBTN_NEXT, 1));
    EXPECT_TRUE(Enabled(kBack));

    // -1 from OnWizardNext keeps the page.
    m_second.m_needText = true;
    g_log.clear();
    EXPECT_FALSE(Press(PSBTN_NEXT, 2, 300));
    EXPECT_EQ(m_sheet.GetActiveIndex(), 1);
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "p2.next"), g_log.end());

    SetDlgItemTextA(m_sheet.GetCurrentPageHwnd(), IDC_PAGE_TEXT, "typed");
    ASSERT_TRUE(Press(PSBTN_NEXT, 2));
    EXPECT_EQ(m_second.m_text, "typed");  // stored when the page was left

    // Going back loads the page again from its member.
    m_second.m_text = "changed meanwhile";
    g_log.clear();
    ASSERT_TRUE(Press(PSBTN_BACK, 1));
    EXPECT_EQ(g_log, (std::vector<std::string>{"p3.back", "p3.kill", "p2.set"}));
    EXPECT_EQ(GetWindowTextString(GetDlgItem(m_sheet.GetCurrentPageHwnd(), IDC_PAGE_TEXT)),
              "changed meanwhile");
}

TEST_F(SheetTest, WithoutTheFilterEscapeCancelsTheWizard) {
    // The counter-check of the filter tests: the key as posted here does reach the wizard.
    m_sheet.m_filterEscape = false;
    HWND edit = GetDlgItem(m_sheet.GetCurrentPageHwnd(), IDC_PAGE_TEXT);
    SetFocus(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return m_sheet.IsFinished(); }, 3000,
                          [this](MSG* m) { return m_sheet.IsSheetMessage(m); }));
}

TEST(SheetModalTest, TheFilterWorksInTheSystemsModalLoop) {
    g_log.clear();
    CLogPage first{IDD_TEST_PAGE1, "p1", PSWIZB_NEXT};
    CLogPage second{IDD_TEST_PAGE2, "p2", PSWIZB_BACK | PSWIZB_FINISH};
    CTestSheet sheet;
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.SetWizardMode();
    sheet.m_escapeThenCancel = true;
    EXPECT_EQ(sheet.DoModal(), 0);  // cancelled
    EXPECT_EQ(sheet.m_inits, 1);
    EXPECT_TRUE(sheet.m_survivedEscape);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "p1.querycancel"), g_log.end());
}

TEST_F(SheetTest, EscapeIsFilteredForTheSheetOnlyAndCancelAsksThePage) {
    // Escape in the page's edit box would cancel the wizard; the filter swallows it.
    HWND edit = GetDlgItem(m_sheet.GetCurrentPageHwnd(), IDC_PAGE_TEXT);
    SetFocus(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(m_sheet.IsFinished());

    // A dialog over the sheet still closes with Escape.
    CBox box;
    ASSERT_TRUE(box.Create(m_sheet.m_hWnd));
    HWND boxOk = box.GetDlgItem(IDOK);
    SetFocus(boxOk);
    PostMessageA(boxOk, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpUntil([&] { return box.m_hWnd == nullptr; }, 3000,
              [&](MSG* m) {
                  return (box.m_hWnd && IsDialogMessageA(box.m_hWnd, m)) ||
                         m_sheet.IsSheetMessage(m);
              });
    EXPECT_EQ(box.m_hWnd, nullptr);
    EXPECT_EQ(box.m_nResult, IDCANCEL);

    // Cancel asks the page; a refusal keeps the wizard.
    m_first.m_allowCancel = false;
    Press(PSBTN_CANCEL, 0, 300);
    EXPECT_FALSE(m_sheet.IsFinished());
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "p1.querycancel"), g_log.end());

    m_first.m_allowCancel = true;
    m_sheet.PressButton(PSBTN_CANCEL);
    EXPECT_TRUE(PumpUntil([&] { return m_sheet.IsFinished(); }, 3000,
                          [this](MSG* m) { return m_sheet.IsSheetMessage(m); }));
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "p1.reset"), g_log.end());
}

}  // namespace
