#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SheetTestUtil.h"
#include "TempFolder.h"
#include "publisher/resource.h"
#include "publisher/CreatePage.h"
#include "publisher/InterfacePage.h"
#include "platform/win/WinText.h"
#include "publisher/RememberedSettings.h"

namespace {

int Check(HWND hPage, int id) {
    return static_cast<int>(::SendDlgItemMessageA(hPage, id, BM_GETCHECK, 0, 0));
}

// The hidden controls stay hidden and pass their fields through; a field out of range shows
// clear and becomes 0; Back stores the page as Next does.
TEST(InterfacePage, BindingsHiddenControlsAndChoosers) {
    SheetFixture f;
    f.project.AddPage(std::make_unique<CPieceElem>());
    f.project.m_bCopyButton = 1;
    f.project.m_bPrintButton = 5;
    f.project.m_strIconFile = "C:\\icons\\book.ico";
    f.Open();
    ASSERT_TRUE(f.sheet->SetActivePage(1));
    f.Settle();
    HWND hPage = f.sheet->GetCurrentPageHwnd();
    const int hidden[] = {IDC_SPLASH_BROWSE, IDC_ICON_BROWSE,     IDC_COPY_BUTTON,
                          IDC_SEARCH_BUTTON, IDC_FONTSIZE_BUTTON, IDC_SPLASH_LABEL,
                          IDC_ICON_LABEL,    IDC_ICON_FILE,       IDC_SPLASH_FILE};
    for (int id : hidden) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hPage, id)));
    }
    EXPECT_EQ(Check(hPage, IDC_PRINT_BUTTON), BST_UNCHECKED);
    EXPECT_EQ(f.project.m_bPrintButton, 0);
    EXPECT_EQ(Check(hPage, IDC_COPY_BUTTON), BST_CHECKED);

    // Clearing the toolbar leaves the button boxes usable.
    ::SendDlgItemMessageA(hPage, IDC_SHOW_TOOLBAR, BM_CLICK, 0, 0);
    ::SendDlgItemMessageA(hPage, IDC_SHOW_ABOUT, BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hPage, IDC_HOME_BUTTON)));

    // The splash chooser keeps the ticks made so far and remembers the file.
    f.ui.dialogResults.push_back("C:\\art\\splash.bmp");
    static_cast<CInterfacePage&>(f.sheet->Page(1)).OnChooseSplash();
    ASSERT_EQ(f.ui.fileDialogs.size(), 1u);
    const FileDialogSpec& spec = f.ui.fileDialogs[0];
    EXPECT_FALSE(spec.bSave);
    EXPECT_EQ(spec.strInitialName, "*.bmp");
    EXPECT_EQ(spec.strDefExt, "bmp");
    EXPECT_EQ(spec.uFlags, 0x1804u);
    EXPECT_EQ(spec.strFilter, "Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*||");
    EXPECT_EQ(f.project.m_strSplashFile, "C:\\art\\splash.bmp");
    EXPECT_EQ(f.project.m_strLastSplash, "C:\\art\\splash.bmp");
    EXPECT_EQ(f.project.m_bShowToolbar, 0);
    EXPECT_EQ(f.project.m_bShowAboutAtStart, 1);

    ::SendDlgItemMessageA(hPage, IDC_EXIT_BUTTON, BM_CLICK, 0, 0);
    PropSheet_PressButton(f.sheet->m_hWnd, PSBTN_BACK);
    f.Settle();
    EXPECT_EQ(f.sheet->GetActiveIndex(), 0);
    EXPECT_EQ(f.project.m_bExitButton, 0);
    EXPECT_EQ(f.project.m_bCopyButton, 1);
    EXPECT_EQ(f.project.m_strIconFile, "C:\\icons\\book.ico");
    EXPECT_EQ(f.project.m_strSplashFile, "C:\\art\\splash.bmp");
}

class CreatePageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        f.project.m_strLastEBook = "";
        f.Open();
        f.ui.dialogResults.push_back(SampleBookFolder());
        f.Click(IDC_NEW_PROJECT);
        ASSERT_TRUE(f.sheet->SetActivePage(2));
        f.Settle();
        hPage = f.sheet->GetCurrentPageHwnd();
    }
    std::string Text(int id) {
        char text[512] = {};
        ::GetDlgItemTextA(hPage, id, text, sizeof text);
        return text;
    }
    SheetFixture f;
    HWND hPage = nullptr;
};

// Create with no path asks for one, builds, and names the file; a second Create overwrites
// without a question; texts typed reach the project when the wizard is cancelled.
TEST_F(CreatePageTest, CreateBuildsAndClosingKeepsTheTexts) {
    EXPECT_EQ(Text(IDC_TITLE), "E-Book");
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hPage, IDC_SAVE_PROJECT_AS)));
    const CTempFolder temp;
    const std::string out = temp.File("pv-create.exe");
    ::SetDlgItemTextA(hPage, IDC_TITLE, "Lights");
    ::SetDlgItemTextA(hPage, IDC_ABOUT_INFO, "line one\r\nline two");
    f.ui.dialogResults.push_back(out);
    f.Click(IDC_CREATE_EBOOK);
    ASSERT_EQ(f.ui.fileDialogs.size(), 1u);
    EXPECT_TRUE(f.ui.fileDialogs[0].bSave);
    EXPECT_EQ(f.ui.fileDialogs[0].strInitialName, "ebook.exe");
    EXPECT_EQ(f.ui.fileDialogs[0].uFlags & kOfnOverwritePrompt, 0u);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "E-Book " + out + " created successfully.");
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::information);
    EXPECT_EQ(Text(IDC_EBOOK_FILE), out);
    EXPECT_EQ(f.project.m_strLastEBook, out);
    EXPECT_EQ(f.project.m_strAboutInfo, "line one\r\nline two");
    std::ifstream built(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(built)),
                            std::istreambuf_iterator<char>());
    built.close();
    EXPECT_EQ(bytes.compare(0, 8, "MZviewer"), 0);
    EXPECT_GT(bytes.size(), 1000u);

    f.Click(IDC_CREATE_EBOOK);  // no dialog this time, no question
    EXPECT_EQ(f.ui.fileDialogs.size(), 1u);
    EXPECT_EQ(f.ui.messages.size(), 2u);

    ::SetDlgItemTextA(hPage, IDC_AUTHOR, "A. Keeper");
    ASSERT_TRUE(f.sheet->SetActivePage(0));
    f.Settle();
    ::SetDlgItemTextA(hPage, IDC_EMAIL, "keeper@example.org");  // typed, page not shown
    ::PostMessageA(::GetDlgItem(f.sheet->m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpSheetUntil(
        f.sheet.get(), [&] { return f.sheet->IsFinished(); }, 2000));
    EXPECT_EQ(f.project.m_strAuthor, "A. Keeper");
    EXPECT_EQ(f.project.m_strEMail, "keeper@example.org");
}

// A typed text that the code page cannot hold stops Create, Save Project As and Back with a
// message naming the field and the characters; nothing is built, stored or left until it is
// changed. Text the code page holds passes.
TEST_F(CreatePageTest, TextsTheCodePageCannotHoldStopCreateSaveAndBack) {
    auto& page = static_cast<CCreatePage&>(f.sheet->Page(2));
    const CTempFolder temp;
    const std::string out = temp.File("pv-codepage.exe");
    f.project.m_strEBookFile = out;
    ::SetDlgItemTextA(hPage, IDC_EBOOK_FILE, out.c_str());
    const std::string author = f.project.m_strAuthor;
    ::SetWindowTextW(::GetDlgItem(hPage, IDC_AUTHOR),
                     L"\x03A9\x03BC\x03AD\x03B3\x03B1 \x65E5\x672C \x0101\x03A9");

    const std::function<void()> attempts[] = {
        [&] { f.Click(IDC_CREATE_EBOOK); }, [&] { page.OnSaveProjectAs(); },
        [&] {
            PropSheet_PressButton(f.sheet->m_hWnd, PSBTN_BACK);
            f.Settle();
        }};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        f.ui.messages.clear();
        attempts[i]();
        ASSERT_EQ(f.ui.messages.size(), 1u);
        const ScriptedUi::Message& m = f.ui.messages[0];
        EXPECT_TRUE(m.bUtf8);
        EXPECT_EQ(m.icon, MsgIcon::exclamation);
        EXPECT_EQ(m.text.rfind("The Author holds characters", 0), 0u) << m.text;
        // Each character once, as itself and by number.
        EXPECT_NE(m.text.find("\"\xCE\xA9\" (U+03A9), \"\xCE\xBC\" (U+03BC), \"\xCE\xAD\" "
                              "(U+03AD), \"\xCE\xB3\" (U+03B3), \"\xCE\xB1\" (U+03B1), "
                              "\"\xE6\x97\xA5\" (U+65E5), \"\xE6\x9C\xAC\" (U+672C), "
                              "\"\xC4\x81\" (U+0101)."),
                  std::string::npos)
            << m.text;
        EXPECT_EQ(f.sheet->GetActiveIndex(), 2);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(hPage, IDC_AUTHOR));
        EXPECT_EQ(f.project.m_strAuthor, author);
        EXPECT_TRUE(f.ui.fileDialogs.empty());
        EXPECT_EQ(::GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
    }

    // Code page text (e acute, the euro sign) passes and reaches the e-book's project as typed.
    ::SetWindowTextW(::GetDlgItem(hPage, IDC_AUTHOR), L"Caf\x00E9 \x20AC");
    f.ui.messages.clear();
    f.Click(IDC_CREATE_EBOOK);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text, "E-Book " + out + " created successfully.");
    EXPECT_EQ(f.project.m_strAuthor, "Caf\xE9 \x80");
}

std::wstring WideText(HWND ctl) {
    wchar_t text[512] = {};
    ::GetWindowTextW(ctl, text, 512);
    return text;
}

// Neither "..." nor closing the wizard lets a text the code page cannot hold into the project:
// "..." stops with the message and opens no dialog; Cancel stores the texts that fit and leaves
// the others as they were, so the remembered author details never hold a best-fit text and the
// next start shows the earlier one.
TEST_F(CreatePageTest, BrowseAndCancelNeverStoreAChangedText) {
    const std::wstring greek = L"\x03A9\x03BC\x03AD\x03B3\x03B1";
    const std::string author = "Jane Roe";  // remembered from an earlier run
    f.project.m_strAuthor = author;
    static_cast<CCreatePage&>(f.sheet->Page(2)).UpdateData(false);
    ::SetWindowTextW(::GetDlgItem(hPage, IDC_TITLE), greek.c_str());
    ::SetWindowTextW(::GetDlgItem(hPage, IDC_AUTHOR), (L"A. " + greek).c_str());
    ::SetWindowTextW(::GetDlgItem(hPage, IDC_COPYRIGHT), L"Caf\x00E9 \x20AC");

    f.Click(IDC_EBOOK_BROWSE);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text.rfind("The Title holds characters", 0), 0u);
    EXPECT_TRUE(f.ui.fileDialogs.empty());
    EXPECT_EQ(WideText(::GetDlgItem(hPage, IDC_TITLE)), greek);  // still as typed
    EXPECT_EQ(f.project.m_strTitle, "E-Book");
    EXPECT_EQ(f.project.m_strAuthor, author);

    ::PostMessageA(::GetDlgItem(f.sheet->m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpSheetUntil(
        f.sheet.get(), [&] { return f.sheet->IsFinished(); }, 2000));
    EXPECT_EQ(f.ui.messages.size(), 1u);  // closing asks nothing
    EXPECT_EQ(f.project.m_strTitle, "E-Book");
    EXPECT_EQ(f.project.m_strAuthor, author);
    EXPECT_EQ(f.project.m_strCopyright, "Caf\xE9 \x80");

    MemoryProfile profile;
    WriteRememberedSettings(profile, f.project);
    const std::pair<std::string, std::string> lastAuthor(kProfileSection, "LastAuthor");
    EXPECT_EQ(profile.values[lastAuthor], author);

    SheetFixture next;
    ReadRememberedSettings(profile, next.project, 2026);
    next.Open();
    ASSERT_TRUE(next.sheet->SetActivePage(2));
    next.Settle();
    HWND hNext = next.sheet->GetCurrentPageHwnd();
    EXPECT_EQ(WideText(::GetDlgItem(hNext, IDC_AUTHOR)), CWinText::Wide(author));
    EXPECT_EQ(WideText(::GetDlgItem(hNext, IDC_COPYRIGHT)), L"Caf\x00E9 \x20AC");
}

TEST_F(CreatePageTest, RunWithoutAFileDoesNothing) {
    static_cast<CCreatePage&>(f.sheet->Page(2)).OnRunEBook();
    f.project.m_strEBookFile = "C:\\no\\such\\book.exe";
    static_cast<CCreatePage&>(f.sheet->Page(2)).OnRunEBook();
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_FALSE(f.sheet->IsFinished());
}

}  // namespace
