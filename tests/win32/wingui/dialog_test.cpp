// CDialog and data exchange on real controls of a real dialog template.
#include <gtest/gtest.h>

#include "TestIds.h"
#include "WinGuiTestUtil.h"
#include "platform/win/Dialog.h"

namespace {

class CDdxDialog : public CDialog {
  public:
    CDdxDialog() : CDialog(IDD_TEST_DDX) {}
    std::string m_text;
    int m_check = 0;
    bool m_requireText = false;  // storing fails while the text is empty
    bool m_okFromInit = false;   // presses OK as soon as the dialog is up

    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_TEST_TEXT, m_text);
        DDX_Check(pDX, IDC_TEST_CHECK3, m_check);
        if (pDX->m_bSaveAndValidate && m_requireText && m_text.empty())
            pDX->Fail(IDC_TEST_TEXT);
    }
    BOOL OnInitDialog() override {
        const BOOL r = CDialog::OnInitDialog();
        if (m_okFromInit)
            PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return r;
    }
};

LRESULT CheckState(HWND dlg) {
    return SendDlgItemMessageA(dlg, IDC_TEST_CHECK3, BM_GETCHECK, 0, 0);
}

TEST(CDialogTest, CheckBoxLoadsOnlyZeroToTwoAndStoresWhatItShows) {
    struct Case {
        int value;
        LRESULT shown;
        int stored;
    };
    const Case cases[] = {{0, BST_UNCHECKED, 0},     {1, BST_CHECKED, 1},
                          {2, BST_INDETERMINATE, 2}, {3, BST_UNCHECKED, 0},
                          {-1, BST_UNCHECKED, 0},    {0x10001, BST_UNCHECKED, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("value " + std::to_string(c.value));
        CDdxDialog dlg;
        dlg.m_check = c.value;
        ASSERT_TRUE(dlg.Create(nullptr));
        // OnInitDialog loaded the controls; an out-of-range value was corrected in place.
        EXPECT_EQ(CheckState(dlg.m_hWnd), c.shown);
        EXPECT_EQ(dlg.m_check, c.stored);
        dlg.m_check = 99;
        ASSERT_TRUE(dlg.UpdateData(true));
        EXPECT_EQ(dlg.m_check, c.stored);
    }
}

TEST(CDialogTest, TextBothWaysAndOkStoresBeforeEnding) {
    CDdxDialog dlg;
    dlg.m_text = "Lighthouses \xE9t\xE9";  // Windows-1252 text survives the round trip
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEST_TEXT), dlg.m_text);

    SetDlgItemTextA(dlg.m_hWnd, IDC_TEST_TEXT, "Keepers");
    SendDlgItemMessageA(dlg.m_hWnd, IDC_TEST_CHECK3, BM_SETCHECK, BST_INDETERMINATE, 0);
    HWND hwnd = dlg.m_hWnd;
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dlg.m_nResult, IDOK);
    EXPECT_FALSE(IsWindow(hwnd));  // a modeless dialog is destroyed by EndDialog
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_text, "Keepers");
    EXPECT_EQ(dlg.m_check, 2);
}

TEST(CDialogTest, FailedValidationKeepsTheDialogOpenWithFocusOnTheControl) {
    CDdxDialog dlg;
    dlg.m_requireText = true;
    ASSERT_TRUE(dlg.Create(nullptr));
    SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));
    EXPECT_EQ(GetFocus(), dlg.GetDlgItem(IDC_TEST_TEXT));

    SetDlgItemTextA(dlg.m_hWnd, IDC_TEST_TEXT, "x");
    SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(dlg.m_nResult, IDCANCEL);
    EXPECT_EQ(dlg.m_text, "");  // Cancel stores nothing
}

TEST(CDialogTest, DoModalRunsTheDialogAndReturnsTheEndResult) {
    CDdxDialog dlg;
    dlg.m_okFromInit = true;
    dlg.m_text = "kept";
    dlg.m_check = 1;
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_EQ(dlg.m_text, "kept");
    EXPECT_EQ(dlg.m_check, 1);
    EXPECT_EQ(CDialog::FromHandle(nullptr), nullptr);

    CDialog missing(4242);  // no such template
    EXPECT_EQ(missing.DoModal(nullptr), -1);
}

}  // namespace

TEST(CDialogTest, ItemHelpersEnableShowAndTickTheItems) {
    CDdxDialog dlg;
    ASSERT_NE(dlg.Create(nullptr), nullptr);
    const HWND text = dlg.GetDlgItem(IDC_TEST_TEXT);
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        dlg.EnableItem(IDC_TEST_TEXT, on);
        EXPECT_EQ(::IsWindowEnabled(text) != FALSE, on);
        dlg.ShowItem(IDC_TEST_TEXT, on);
        EXPECT_EQ((::GetWindowLongA(text, GWL_STYLE) & WS_VISIBLE) != 0, on);
        dlg.CheckButton(IDC_TEST_CHECK3, on);
        EXPECT_EQ(dlg.IsButtonChecked(IDC_TEST_CHECK3), on);
        EXPECT_EQ(::IsDlgButtonChecked(dlg.m_hWnd, IDC_TEST_CHECK3),
                  on ? BST_CHECKED : BST_UNCHECKED);
    }
    dlg.EndDialog(IDCANCEL);
}
