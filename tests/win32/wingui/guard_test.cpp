// Windows and the system: an exception thrown by a handler stops at the procedure the system
// called (it is reported, the message gets a neutral answer, the window and the program go on),
// and a window that owns itself is deleted with its window.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "MessagePump.h"
#include "TestIds.h"
#include "platform/win/Dialog.h"
#include "platform/win/Guard.h"
#include "platform/win/SelfOwned.h"
#include "platform/win/OwnedWindow.h"

namespace {

std::vector<std::string> g_reports;

void Record(const std::string& text) {
    g_reports.push_back(text);
}

class CThrowingWindow : public COwnedWindow {
  public:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP)
            throw std::runtime_error("window handler failed");
        if (msg == WM_APP + 1)
            return 42;
        return COwnedWindow::HandleMessage(msg, wParam, lParam);
    }
};

class CThrowingDialog : public CDialog {
  public:
    CThrowingDialog() : CDialog(IDD_TEST_DDX) {}
    bool OnCommand(WORD id, WORD code, HWND ctl) override {
        if (id == 999)
            throw 7;  // not even a std::exception
        return CDialog::OnCommand(id, code, ctl);
    }
};

class GuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_reports.clear();
        SetEscapedReporter(&Record);
    }
    void TearDown() override { SetEscapedReporter(nullptr); }
};

}  // namespace

TEST_F(GuardTest, AWindowHandlerThatThrowsIsReportedAndTheWindowGoesOn) {
    WNDCLASSEXA wc = {};
    wc.lpszClassName = "PvGuardTestWindow";
    ASSERT_TRUE(COwnedWindow::RegisterWindowClass(wc));
    CThrowingWindow window;
    ASSERT_NE(window.Create("PvGuardTestWindow", "", WS_OVERLAPPED, 0, 0, 0, 50, 50, nullptr),
              nullptr);

    // Sent: straight from SendMessage into the procedure.
    EXPECT_EQ(SendMessageA(window.m_hWnd, WM_APP, 0, 0), 0);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_NE(g_reports[0].find("window handler failed"), std::string::npos) << g_reports[0];
    EXPECT_TRUE(IsWindow(window.m_hWnd));
    EXPECT_EQ(SendMessageA(window.m_hWnd, WM_APP + 1, 0, 0), 42);

    // Posted: through the message loop's DispatchMessage.
    PostMessageA(window.m_hWnd, WM_APP, 0, 0);
    EXPECT_TRUE(PumpUntil([] { return g_reports.size() == 2; }, 5000));
    EXPECT_EQ(SendMessageA(window.m_hWnd, WM_APP + 1, 0, 0), 42);
}

TEST_F(GuardTest, ADialogHandlerThatThrowsAnythingIsReportedAndTheDialogGoesOn) {
    CThrowingDialog dialog;
    ASSERT_NE(dialog.Create(nullptr), nullptr);
    SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(999, BN_CLICKED), 0);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
    // The dialog still answers: Cancel ends it as before.
    SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(g_reports.size(), 1u);
}

namespace {

class CCountedWindow : public CSelfOwned<COwnedWindow> {
  public:
    explicit CCountedWindow(int* deleted) : m_pDeleted(deleted) {}
    ~CCountedWindow() override { ++*m_pDeleted; }

  private:
    int* m_pDeleted;
};

}  // namespace

// A window that owns itself is deleted after its last message; one that does not stays its
// creator's.
TEST(SelfOwnedTest, OnlyAnObjectHandedToItsWindowIsDeletedWithIt) {
    WNDCLASSEXA wc = {};
    wc.lpszClassName = "PvSelfOwnedTestWindow";
    ASSERT_TRUE(COwnedWindow::RegisterWindowClass(wc));
    int deleted = 0;
    auto* owned = new CCountedWindow(&deleted);
    const HWND ownedWnd =
        owned->Create("PvSelfOwnedTestWindow", "", WS_OVERLAPPED, 0, 0, 0, 10, 10, nullptr);
    ASSERT_NE(ownedWnd, nullptr);
    owned->OwnSelf();
    DestroyWindow(ownedWnd);
    EXPECT_EQ(deleted, 1);

    {
        CCountedWindow kept(&deleted);
        ASSERT_NE(kept.Create("PvSelfOwnedTestWindow", "", WS_OVERLAPPED, 0, 0, 0, 10, 10, nullptr),
                  nullptr);
        DestroyWindow(kept.m_hWnd);
        EXPECT_EQ(deleted, 1);  // not deleted by its window
    }
    EXPECT_EQ(deleted, 2);  // but by its scope
}
