// WinUi against the system's own message box, folder browser and open-file dialog, each
// answered from a helper thread through its real controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "TempFolder.h"
#include "WinGuiTestUtil.h"
#include "platform/ErrorReport.h"
#include "platform/win/ScopedWin.h"
#include "platform/win/WinText.h"
#include "publisher/WinUi.h"

namespace {

std::string TextOf(HWND hwnd) {
    char buf[1024] = "";
    SendMessageA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf));
    return buf;
}

void Click(HWND dlg, int id) {
    // Posted: a sent click would run the dialog's end inside this thread's call.
    PostMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

BOOL CALLBACK FindTreeProc(HWND hwnd, LPARAM data) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, WC_TREEVIEWA) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(data) = hwnd;
    return FALSE;
}

std::string SelectedItemText(HWND tree) {
    char buf[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = buf;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return std::string();
    return buf;
}

// A fresh temporary folder holding one empty file, page.txt.
class TempFolder : public CTempFolder {
  public:
    TempFolder() : CTempFolder("pv-wingui"), path(Path()), file(File("page.txt")) {
        ScopedHandle h(
            CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    const std::string path;
    const std::string file;
};

TEST(WinUiTest, MessageBoxShowsTextAndCaptionAndMapsTheButtonPressed) {
    struct Case {
        MsgButtons buttons;
        int press;
        MsgAnswer expected;
    };
    const int kEscape = -1;
    const Case cases[] = {{MsgButtons::ok, IDOK, MsgAnswer::ok},
                          {MsgButtons::ok, kEscape, MsgAnswer::ok},
                          {MsgButtons::yesNoCancel, kEscape, MsgAnswer::cancel},
                          {MsgButtons::okCancel, IDCANCEL, MsgAnswer::cancel},
                          {MsgButtons::yesNo, IDNO, MsgAnswer::no},
                          {MsgButtons::yesNoCancel, IDYES, MsgAnswer::yes}};
    WinUi ui("PvTestApp");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press);
        const std::string text = "No pages in the E-Book.\nClick \"New Project...\"";
        std::string shown;
        DialogDriver driver("PvTestApp", [&](HWND box) {
            shown = TextOf(GetDlgItem(box, 0xFFFF));
            if (c.press == kEscape)
                PostMessageA(GetDlgItem(box, c.buttons == MsgButtons::ok ? IDOK : IDYES),
                             WM_KEYDOWN, VK_ESCAPE, 0);
            else
                Click(box, c.press);
        });
        EXPECT_EQ(ui.ShowMessage(text, MsgIcon::exclamation, c.buttons), c.expected);
        ASSERT_TRUE(driver.found());
        EXPECT_EQ(shown, text);
    }
}

// Long words are broken after the last separator that fits, else at the width; short words,
// spaces and the line breaks already there stay.
TEST(WinUiTest, WrapLongWordsBreaksAfterSeparators) {
    const auto tenFit = [](const std::wstring& line) {
        return line.size() < 10 ? line.size() : 10;
    };
    const struct {
        const wchar_t* text;
        const wchar_t* wrapped;
    } cases[] = {{L"short\nlines", L"short\nlines"},
                 {L"C:\\Books\\Lighthouses\\a.htm", L"C:\\Books\\\nLighthouse\ns\\a.htm"},
                 {L"one two three four", L"one two three four"},
                 {L"see C:\\Books\\Lighthouses now", L"see C:\\Books\\\nLighthouse\ns now"},
                 {L"abcdefghijklmnopqrstuvwxy", L"abcdefghij\nklmnopqrst\nuvwxy"},
                 {L"", L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(CWinText::Ansi(c.text));
        EXPECT_EQ(WinUi::WrapLongWords(c.text, tenFit), c.wrapped);
    }
}

// A message naming a long path, one in Unicode, and an error report whose path is longer than
// any fixed buffer, open inside the screen with all their text (the cause after the path too).
TEST(WinUiTest, LongMessagesStayInsideTheScreen) {
    std::string path = "C:";
    while (path.size() < 600)
        path += "\\folder-with-a-long-name";
    const std::string ansi = "Cannot read file " + path + "\nThe file was not found.";
    const std::string utf8 = "The Title holds \"\xCE\xA9\" (U+03A9) " + path;
    const CFileException denied(CFileException::accessDenied, path);
    WinUi ui("PvTestApp");
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        RECT box = {};
        std::wstring shown;
        DialogDriver driver("PvTestApp", [&](HWND h) {
            GetWindowRect(h, &box);
            wchar_t buf[4096] = L"";
            GetWindowTextW(GetDlgItem(h, 0xFFFF), buf, 4096);
            shown = buf;
            Click(h, IDOK);
        });
        std::wstring want;
        if (kind == 0) {
            ui.ShowMessage(ansi, MsgIcon::stop, MsgButtons::ok);
            want = CWinText::Wide(ansi);
        } else if (kind == 1) {
            ui.ShowMessageUtf8(utf8, MsgIcon::stop, MsgButtons::ok);
            want = CWinText::Wide(utf8, CP_UTF8);
        } else {
            ReportError(ui, "Cannot create file " + path, denied);
            want = CWinText::Wide(ErrorReportText("Cannot create file " + path, denied));
            EXPECT_GT(want.size(), 800u);
        }
        ASSERT_TRUE(driver.found());
        EXPECT_GE(box.left, 0);
        EXPECT_LE(box.right, GetSystemMetrics(SM_CXSCREEN));
        std::wstring joined;
        for (wchar_t c : shown) {
            if (c != L'\n' && c != L'\r')
                joined += c;
        }
        want.erase(std::remove(want.begin(), want.end(), L'\n'), want.end());
        EXPECT_EQ(joined, want);
        EXPECT_GT(std::count(shown.begin(), shown.end(), L'\n'), 2);
    }
}

TEST(WinUiTest, FolderBrowserReturnsTheSelectedFolderAndCancels) {
    TempFolder temp;
    WinUi ui("PvTestApp");
    std::string chosen;
    {
        // Wine's browser may not keep the selection made while it initialises (it shows the
        // desktop), so the folder is selected again once the browser is up, until the tree
        // shows it, as a person would.
        const std::string name = temp.path.substr(temp.path.rfind('\\') + 1);
        DialogDriver driver("Browse", [&](HWND dlg) {
            HWND tree = nullptr;
            EnumChildWindows(dlg, &FindTreeProc, reinterpret_cast<LPARAM>(&tree));
            if (tree) {
                WaitUntil(
                    [&] {
                        SendMessageA(dlg, BFFM_SETSELECTIONA, TRUE,
                                     reinterpret_cast<LPARAM>(temp.path.c_str()));
                        return SelectedItemText(tree) == name;
                    },
                    10000);  // a busy machine may take this long
            }
            Click(dlg, IDOK);
        });
        EXPECT_EQ(ui.BrowseForFolder(temp.path, &chosen), FolderBrowse::chosen);
        ASSERT_TRUE(driver.found());
    }
    EXPECT_EQ(lstrcmpiA(chosen.c_str(), temp.path.c_str()), 0) << chosen;

    chosen = "untouched";
    DialogDriver driver("Browse", [](HWND dlg) { Click(dlg, IDCANCEL); });
    EXPECT_EQ(ui.BrowseForFolder(temp.path, &chosen), FolderBrowse::cancelled);
    EXPECT_EQ(chosen, "untouched");
}

TEST(WinUiTest, OpenDialogTakesInitialNameFilterAndReturnsTheTypedPath) {
    TempFolder temp;
    WinUi ui("PvTestApp");
    FileDialogSpec spec;
    spec.strTitle = "Pick a test file";
    spec.strFilter = "Text files (*.txt)|*.txt|All Files (*.*)|*.*||";
    spec.strDefExt = "txt";
    spec.strInitialName = temp.path + "\\proposed.txt";
    spec.uFlags = kOfnHideReadOnly | kOfnPathMustExist | kOfnFileMustExist;

    std::string initialShown, firstFilter;
    LRESULT filters = 0;
    DialogDriver driver("Pick a test file", [&](HWND dlg) {
        // The name box: a ComboBoxEx32 in the explorer style, an edit in the old one.
        HWND name = GetDlgItem(dlg, 0x47C);
        if (!name)
            name = GetDlgItem(dlg, 0x480);
        initialShown = TextOf(name);
        HWND types = GetDlgItem(dlg, 0x470);
        filters = SendMessageA(types, CB_GETCOUNT, 0, 0);
        char buf[256] = "";
        SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
        firstFilter = buf;
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(temp.file.c_str()));
        Click(dlg, IDOK);
    });
    std::string chosen;
    EXPECT_TRUE(ui.FileDialog(spec, &chosen));
    ASSERT_TRUE(driver.found());
    EXPECT_EQ(lstrcmpiA(chosen.c_str(), temp.file.c_str()), 0) << chosen;
    EXPECT_NE(initialShown.find("proposed.txt"), std::string::npos) << initialShown;
    EXPECT_EQ(filters, 2);
    EXPECT_EQ(firstFilter, "Text files (*.txt)");
}

TEST(WinUiTest, WaitCursorNests) {
    WinUi ui;
    ui.BeginWaitCursor();
    ui.BeginWaitCursor();
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    ui.EndWaitCursor();
    EXPECT_EQ(CWinWaitCursor::Depth(), 1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    ui.EndWaitCursor();
    ui.EndWaitCursor();  // one too many changes nothing
    EXPECT_EQ(CWinWaitCursor::Depth(), 0);
}

}  // namespace
