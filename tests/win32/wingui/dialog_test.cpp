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
            ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
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

// Loading a field that already shows the value leaves the edit control's caret, selection and
// undo alone; a different value replaces the text.
TEST(CDialogTest, LoadingTheSameTextKeepsCaretSelectionAndUndo) {
    CDdxDialog dlg;
    dlg.m_text = "Lighthouses";
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND edit = dlg.GetDlgItem(IDC_TEST_TEXT);
    // Typing " of the coast" at the end, undoable, then selecting "house".
    SendMessageA(edit, EM_SETSEL, 11, 11);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" of the coast"));
    SendMessageA(edit, EM_SETSEL, 5, 10);
    ASSERT_TRUE(dlg.UpdateData(true));
    ASSERT_EQ(dlg.m_text, "Lighthouses of the coast");
    ASSERT_NE(SendMessageA(edit, EM_CANUNDO, 0, 0), 0);

    ASSERT_TRUE(dlg.UpdateData(false));
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(end, 10u);
    EXPECT_NE(SendMessageA(edit, EM_CANUNDO, 0, 0), 0);
    SendMessageA(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEST_TEXT), "Lighthouses");

    dlg.m_text = "Beacons";
    ASSERT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEST_TEXT), "Beacons");
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

POINT Centre(HWND hwnd) {
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// A dialog opens centred over its owner wherever the owner stands, kept inside the work area;
// a template that places the dialog itself keeps that place.
TEST(CDialogTest, DialogsOpenCentredOverTheirOwner) {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        const char* name;
        UINT templateId;
        POINT ownerAt;
        bool overOwner;  // else centred on the work area by the template
    } cases[] = {{"owner in the middle", IDD_TEST_BOX, {200, 150}, true},
                 {"owner at the top left", IDD_TEST_BOX, {work.left, work.top}, true},
                 {"template centres itself", IDD_TEST_CENTRED, {work.left, work.top}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                     c.ownerAt.x, c.ownerAt.y, 500, 300, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
        CDialog dlg(c.templateId);
        ASSERT_NE(dlg.Create(owner), nullptr);
        RECT rc = {};
        GetWindowRect(dlg.m_hWnd, &rc);
        EXPECT_GE(rc.left, work.left);
        EXPECT_GE(rc.top, work.top);
        const POINT got = Centre(dlg.m_hWnd);
        const POINT want = c.overOwner
                               ? Centre(owner)
                               : POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
        EXPECT_NEAR(got.x, want.x, 2);
        EXPECT_NEAR(got.y, want.y, 2);
        dlg.EndDialog(IDCANCEL);
        DestroyWindow(owner);
    }
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
