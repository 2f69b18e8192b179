// The project file on Windows: saving replaces the old file through MoveFileExA, a read-only
// file is refused before anything changes, wide strings become ANSI through the system.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ScriptedUi.h"
#include "TempFolder.h"
#include "TestBook.h"
#include "platform/File.h"
#include "project/ProjectFile.h"

namespace {

void MakeProject(CBookProject& p, const std::string& path) {
    for (const char* name : {"index.html", "img\\a.gif", "chap\\\xE9t\xE9.htm"}) {
        std::unique_ptr<CPieceElem> e(new CPieceElem);
        e->m_strFile = name;
        p.AddPage(std::move(e));
    }
    p.m_strTitle = "Caf\xE9 \x80 book";
    p.m_strAuthor = "Ann";
    p.m_bSearchButton = 1;
    p.m_bProjectLoaded = 1;
    p.m_strProjectFile = path;
}

TEST(WinProjectFile, SaveReplacesTheOldFileAndLoadsBack) {
    CTempFolder dir;
    const std::string path = dir.File("book.ebp");
    CTestBook::WriteFile(path, std::string(5000, 'x'));  // an older, longer file
    CBookProject saved;
    MakeProject(saved, path);
    ScriptedUi ui;
    ASSERT_EQ(SaveProject(saved, ui), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"book.ebp"});
    const std::string first = CTestBook::ReadFile(path);
    EXPECT_EQ(first.substr(0, 8), std::string("\x03\x00\x01\x00\x03\x00\x00\x00", 8));

    // A second save over the file just written goes through the same replacement.
    saved.m_strTitle = "Second";
    ASSERT_EQ(SaveProject(saved, ui), 1);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"book.ebp"});

    CBookProject loaded;
    loaded.m_strProjectFile = path;
    ASSERT_EQ(LoadProject(loaded, ui), 1);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(loaded.GetPageCount(), 3u);
    EXPECT_EQ(loaded.GetPage(2)->m_strFile, "chap\\\xE9t\xE9.htm");
    EXPECT_EQ(loaded.m_strTitle, "Second");
    EXPECT_EQ(loaded.m_strAuthor, "Ann");
    EXPECT_EQ(loaded.m_bSearchButton, 1);
}

TEST(WinProjectFile, ReadOnlyFileIsRefusedAndLeftAlone) {
    CTempFolder dir;
    const std::string path = dir.File("locked.ebp");
    CTestBook::WriteFile(path, "old bytes");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    CBookProject p;
    MakeProject(p, path);
    ScriptedUi ui;
    EXPECT_EQ(SaveProject(p, ui), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Cannot save E-Book Project\nAccess to " + path + " was denied.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
    EXPECT_EQ(CTestBook::ReadFile(path), "old bytes");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"locked.ebp"});

    // Save As on the same file: the error, the question, No; the file is still unchanged.
    ScriptedUi asUi;
    asUi.dialogResults = {path};
    asUi.answers = {MsgAnswer::ok, MsgAnswer::no};
    EXPECT_EQ(SaveProjectAs(p, asUi), 0);
    ASSERT_EQ(asUi.messages.size(), 2u);
    EXPECT_EQ(asUi.messages[1].text, "Do you want to save the project to other file?");
    EXPECT_EQ(CTestBook::ReadFile(path), "old bytes");

    // Yes leads to the dialog again; another file is written.
    ScriptedUi yesUi;
    yesUi.dialogResults = {path, dir.File("other.ebp")};
    yesUi.answers = {MsgAnswer::ok, MsgAnswer::yes};
    EXPECT_EQ(SaveProjectAs(p, yesUi), 1);
    EXPECT_EQ(yesUi.fileDialogs.size(), 2u);
    EXPECT_EQ(yesUi.fileDialogs[1].strInitialName, path);
    EXPECT_EQ(CTestBook::ReadFile(path), "old bytes");
    EXPECT_EQ(CTestBook::ReadFile(dir.File("other.ebp")).substr(0, 4),
              std::string("\x03\x00\x01\x00", 4));
}

TEST(WinProjectFile, FileOpenElsewhereIsASharingViolation) {
    CTempFolder dir;
    const std::string path = dir.File("open.ebp");
    CTestBook::WriteFile(path, "old bytes");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CBookProject p;
    MakeProject(p, path);
    ScriptedUi ui;
    EXPECT_EQ(SaveProject(p, ui), 0);
    CloseHandle(h);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0].text,
        "Cannot save E-Book Project\nA sharing violation occurred while accessing " + path + ".");
    EXPECT_EQ(CTestBook::ReadFile(path), "old bytes");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"open.ebp"});
}

TEST(WinProjectFile, WideTitleBecomesAnsiThroughTheCodePage) {
    CTempFolder dir;
    const std::string path = dir.File("wide.ebp");
    std::string bytes("\x03\x00\x01\x00\x00\x00\x00\x00\x00\x00", 10);     // version, N 0, list 0
    bytes += std::string("\x00\x00", 2);                                   // two reserved strings
    bytes += std::string("\xFF\xFE\xFF\x03\xE9\x00\xAC\x20\x41\x00", 10);  // wide "é€A"
    bytes += std::string(11, '\0');                                        // 11 more strings
    bytes += std::string(19 * 4, '\0');                                    // options
    CTestBook::WriteFile(path, bytes);
    CBookProject p;
    p.m_strProjectFile = path;
    ScriptedUi ui;
    ASSERT_EQ(LoadProject(p, ui), 1);
    EXPECT_EQ(p.m_strTitle,
              "\xE9\x80"
              "A");
}

}  // namespace
