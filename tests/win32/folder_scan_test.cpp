// The folder listing and the folder scan on the real Windows file system (run under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProjectPages.h"
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Text.h"
#include "platform/win/WinText.h"
#include "project/ProjectFile.h"
#include "project/Scan.h"

namespace {

class WinFolderTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(root.empty()); }

    std::string Path(const std::string& rel) const { return root + "\\" + rel; }
    void Touch(const std::string& rel) {
        HANDLE h = CreateFileA(Path(rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << rel;
        DWORD written = 0;
        WriteFile(h, "x", 1, &written, nullptr);
        CloseHandle(h);
    }
    void Mkdir(const std::string& rel) {
        ASSERT_TRUE(CreateDirectoryA(Path(rel).c_str(), nullptr));
    }
    void Hide(const std::string& rel) {
        const std::string p = Path(rel);
        const DWORD attr = GetFileAttributesA(p.c_str());
        ASSERT_TRUE(SetFileAttributesA(p.c_str(), attr | FILE_ATTRIBUTE_HIDDEN));
        // The attribute must really be kept by the file system (Wine keeps it in an extended
        // attribute of the Linux file); otherwise the hidden-item tests would prove nothing.
        ASSERT_NE(GetFileAttributesA(p.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << rel;
    }
    std::vector<FolderEntry> List(const std::string& path) {
        std::vector<FolderEntry> out;
        EXPECT_TRUE(EnumerateFolder(path, [&](const FolderEntry& e) { out.push_back(e); }));
        return out;
    }

    CTempFolder m_temp{"pvf"};
    const std::string root = m_temp.Path();
};

const FolderEntry* Find(const std::vector<FolderEntry>& entries, const std::string& name) {
    for (const FolderEntry& e : entries) {
        if (e.strName == name)
            return &e;
    }
    return nullptr;
}

}  // namespace

TEST_F(WinFolderTest, ReportsKindAndTheHiddenAttribute) {
    Touch("shown.htm");
    Touch("secret.htm");
    Mkdir("Drafts");
    Mkdir("Img");
    Hide("secret.htm");
    Hide("Drafts");
    SetFileAttributesA(Path("shown.htm").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);

    const std::vector<FolderEntry> entries = List(root);
    ASSERT_EQ(entries.size(), 4u);
    struct Expect {
        const char* name;
        bool folder;
        bool hidden;
    };
    const Expect expected[] = {
        {"shown.htm", false, false},
        {"secret.htm", false, true},
        {"Drafts", true, true},
        {"Img", true, false},
    };
    for (const Expect& x : expected) {
        SCOPED_TRACE(x.name);
        const FolderEntry* e = Find(entries, x.name);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->bFolder, x.folder);
        EXPECT_EQ(e->bHidden, x.hidden);
        EXPECT_FALSE(e->bNoAnsiName);
    }
    // With or without the trailing backslash, and "." / ".." never reported.
    EXPECT_EQ(List(root + "\\").size(), 4u);
    int calls = 0;
    EXPECT_FALSE(EnumerateFolder(Path("missing"), [&](const FolderEntry&) { ++calls; }));
    EXPECT_FALSE(EnumerateFolder(Path("shown.htm"), [&](const FolderEntry&) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST_F(WinFolderTest, OrderIsTheNtfsOrderTheLinuxListingUses) {
    // Letters whose upper-case forms lie far from them (micro sign, y diaeresis, s caron, f with
    // hook) and the sharp s, which has none, place the non-ASCII rules of the order.
    const std::vector<std::string> names = {
        "b.htm",       "A.html",       "_notes.txt", "a-b.htm",  "Z.gif",       "a.htm",
        "caf\xE9.htm", "\xC0pres.htm", "10.htm",     "9.htm",    "\x80uro.txt", "a b.htm",
        "\xB5m.htm",   "\xFF.htm",     "\x9A.htm",   "\xDF.htm", "\x83.htm",    "\xF0.htm",
        "\xD7.htm",    "\xF7.htm",     "\xE6.htm",   "~.htm",    "\xA0x.htm",   "[x].htm"};
    for (const std::string& n : names)
        Touch(n);
    std::vector<std::string> listed;
    for (const FolderEntry& e : List(root))
        listed.push_back(e.strName);

    std::vector<std::string> expected = names;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const std::string& a, const std::string& b) {
                         return CompareNtfsOrder(Utf8FromAnsi(a), Utf8FromAnsi(b)) < 0;
                     });
    EXPECT_EQ(listed, expected);
}

TEST_F(WinFolderTest, NameWithoutAnAnsiFormIsFlaggedNotBestFitted) {
    // A macron has a best-fit "a" in Windows-1252, CJK characters have nothing.
    const std::wstring wroot(root.begin(), root.end());
    const std::wstring wide[] = {wroot + L"\\\x0101.htm", wroot + L"\\\x65E5\x672C.htm"};
    for (const std::wstring& w : wide) {
        HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    Touch("plain.htm");
    Touch("caf\xE9.htm");

    const std::vector<FolderEntry> entries = List(root);
    ASSERT_EQ(entries.size(), 4u);
    struct Expect {
        const char* name;
        bool noAnsi;
        const char* native;
    };
    const Expect expected[] = {
        {"caf\xE9.htm", false, "caf\xC3\xA9.htm"},
        {"plain.htm", false, "plain.htm"},
        {"?.htm", true, "\xC4\x81.htm"},
        {"??.htm", true, "\xE6\x97\xA5\xE6\x9C\xAC.htm"},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].native);
        EXPECT_EQ(entries[i].strName, expected[i].name);
        EXPECT_EQ(entries[i].bNoAnsiName, expected[i].noAnsi);
        EXPECT_EQ(entries[i].strNativeName, expected[i].native);
    }

    ScriptedUi ui;
    CBookProject project;
    RescanProject(project, ui, root, nullptr);
    ASSERT_EQ(project.GetPageCount(), 2u);
    EXPECT_EQ(project.GetPage(0)->m_strFile, "caf\xE9.htm");
    EXPECT_EQ(project.GetPage(1)->m_strFile, "plain.htm");
    ASSERT_EQ(ui.messages.size(), 1u);
    ScanReport report;
    report.leftOut = {"?.htm", "??.htm"};
    report.leftOutUtf8 = {expected[2].native, expected[3].native};
    EXPECT_EQ(ui.messages[0].text, ScanReportMessage(report));
    EXPECT_TRUE(ui.messages[0].bUtf8);
    for (const std::wstring& w : wide)
        EXPECT_TRUE(DeleteFileW(w.c_str()));
}

TEST_F(WinFolderTest, RescanOfARealTree) {
    Touch("Index.HTML");
    Touch("index2.htm");
    Mkdir("Img");
    Touch("Img\\Cover.GIF");
    Mkdir("Img\\Deep");
    Touch("Img\\Deep\\a.b.htm");
    Touch("hidden.htm");
    Hide("hidden.htm");
    Mkdir("Private");
    Touch("Private\\p.htm");
    Hide("Private");

    ScriptedUi ui;
    CBookProject project;
    int refills = 0;
    EXPECT_EQ(RescanProject(project, ui, root, [&] { ++refills; }), 1);
    struct Expect {
        const char* file;
        int page;
    };
    const Expect expected[] = {
        {"img\\cover.gif", 0}, {"img\\deep\\a.b.htm", 1}, {"index.html", 0}, {"index2.htm", 1}};
    ASSERT_EQ(project.GetPageCount(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].file);
        EXPECT_EQ(project.GetPage(i)->m_strFile, expected[i].file);
        EXPECT_EQ(project.GetPage(i)->m_bInSequence, expected[i].page);
        EXPECT_EQ(project.GetPage(i)->m_bInSearch, expected[i].page);
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(refills, 1);
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(project.m_strLastProject, root);

    // Re-scan after deleting the only pages: the pictures stay and the message appears.
    project.GetPage(0)->m_bInProject = 0;
    ASSERT_TRUE(DeleteFileA(Path("index2.htm").c_str()));
    ASSERT_TRUE(DeleteFileA(Path("Img\\Deep\\a.b.htm").c_str()));
    Touch("Img\\new.png");
    RescanProject(project, ui, root + "\\", nullptr);
    ASSERT_EQ(project.GetPageCount(), 3u);
    EXPECT_EQ(project.GetPage(0)->m_strFile, "img\\cover.gif");
    EXPECT_EQ(project.GetPage(0)->m_bInProject, 0);
    EXPECT_EQ(project.GetPage(1)->m_strFile, "index.html");
    EXPECT_EQ(project.GetPage(2)->m_strFile, "img\\new.png");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "No HTML files in this folder. Please try again.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::exclamation);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::ok);
}

// In a double-byte code page a path is held against the limit by the characters the file
// functions count, not by its bytes: a page whose path is longer than the limit in bytes but not
// in characters is taken and opens; one longer in characters is reported. The test run under a
// Japanese code page (code page 932) registers this case; under others it is skipped.
TEST_F(WinFolderTest, DoubleBytePathsAreHeldToTheLimitByCharacters) {
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the double-byte code page 932; the code page is " << GetACP();
    // U+65E5 is two bytes in code page 932 (three in the UTF-8 of the Linux file system under
    // Wine, whose names take 255 bytes: so the path goes through folders of 80 characters).
    const std::wstring longForm = L"\\\\?\\" + CWinText::Wide(root);
    std::wstring folders;  // relative, each ending with a backslash
    while (CWinText::Wide(root).size() + 1 + folders.size() + 80 < kMaxOpenPathLength) {
        folders += std::wstring(80, L'\x65E5') + L"\\";
        ASSERT_TRUE(CreateDirectoryW((longForm + L"\\" + folders).c_str(), nullptr));
    }
    auto makeName = [&](size_t pathChars) {
        const size_t used = CWinText::Wide(root).size() + 1 + folders.size() + 4;
        return std::wstring(pathChars - used, L'\x65E5') + L".htm";
    };
    const std::wstring fits = makeName(kMaxOpenPathLength);
    const std::wstring over = makeName(kMaxOpenPathLength + 1);
    for (const std::wstring& name : {fits, over}) {
        // The long-path form: the second path is longer than the limit in characters too.
        HANDLE h = CreateFileW((longForm + L"\\" + folders + name).c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    const std::string fitsAnsi = CWinText::Ansi(folders + fits);
    ASSERT_GT(root.size() + 1 + fitsAnsi.size(), kMaxOpenPathLength);  // too long in bytes

    CBookProject project;
    project.m_strProjectDir = root;
    ScanReport report;
    ScanFolder(project, root, &report);
    ASSERT_EQ(project.GetPageCount(), 1u);
    EXPECT_EQ(project.GetPage(0)->m_strFile, AnsiLower(fitsAnsi));
    CFile page;
    EXPECT_NO_THROW(page.Open(root + "\\" + fitsAnsi, CFile::modeRead));
    page.Close();
    EXPECT_EQ(report.tooLong, std::vector<std::string>{CWinText::Ansi(folders + over)});
    EXPECT_TRUE(report.leftOut.empty());

    for (const std::wstring& name : {fits, over})
        DeleteFileW((longForm + L"\\" + folders + name).c_str());
    while (!folders.empty()) {
        RemoveDirectoryW((longForm + L"\\" + folders).c_str());
        folders.resize(folders.size() - 81);
    }
}

namespace {

// Makes an empty file or a folder through the long-path form, which takes any name the file
// system holds ("con.htm", "a.htm.") and any length.
void MakeLong(const std::string& root, const std::wstring& rel, bool folder = false) {
    const std::wstring path = L"\\\\?\\" + CWinText::Wide(root) + L"\\" + rel;
    if (folder) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << CWinText::Ansi(rel);
        return;
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << CWinText::Ansi(rel);
    CloseHandle(h);
}

// The scan's project saved, then opened again: the pages must come back as they were.
void ExpectTheProjectOpensAgain(CBookProject& project, const std::string& file) {
    ScriptedUi ui;
    project.m_bProjectLoaded = 1;
    project.m_strProjectFile = file;
    ASSERT_EQ(SaveProject(project, ui), 1);
    CBookProject loaded;
    loaded.m_strProjectFile = file;
    EXPECT_EQ(LoadProject(loaded, ui), 1) << (ui.messages.empty() ? "" : ui.messages[0].text);
    EXPECT_EQ(PageNames(loaded), PageNames(project));
}

}  // namespace

// The file system lists names the system's file functions read as something else: a device
// ("con.htm" opens the console), a name whose closing dot or space is dropped, a stream ("a:b").
// The scan leaves each out with its reason, and the project it makes opens again.
TEST_F(WinFolderTest, NamesWindowsCannotOpenAreLeftOutAndTheProjectOpensAgain) {
    Touch("index.htm");
    const std::vector<std::wstring> bad = {
        L"con.htm", L"NUL.txt", L"a.htm.", L"b.htm ", L"Help:Contents.html", L"   "};
    for (const std::wstring& name : bad)
        MakeLong(root, name);
    MakeLong(root, L"Aux", true);
    Touch("ok.htm");

    ScriptedUi ui;
    CBookProject project;
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, root, nullptr, EnumerateFolder, &report), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"index.htm", "ok.htm"}));
    std::vector<std::string> leftOut;
    for (const auto& name : report.badNames)
        leftOut.push_back(name.first);
    std::sort(leftOut.begin(), leftOut.end());
    EXPECT_EQ(leftOut, (std::vector<std::string>{"   ", "Aux\\", "Help:Contents.html", "NUL.txt",
                                                 "a.htm.", "b.htm ", "con.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("\ncon.htm (a name Windows keeps for a device)"),
              std::string::npos)
        << ui.messages[0].text;
    ExpectTheProjectOpensAgain(project, Path("book.ebp"));

    // The names are the system's own; the temporary folder's removal could not delete them.
    const std::wstring longRoot = L"\\\\?\\" + CWinText::Wide(root) + L"\\";
    for (const std::wstring& name : bad)
        EXPECT_TRUE(DeleteFileW((longRoot + name).c_str()));
    EXPECT_TRUE(RemoveDirectoryW((longRoot + L"Aux").c_str()));
}

// The system's search takes a folder's path and "\*.*" within MAX_PATH (without the long-path
// form): a folder of 255 characters is listed, one of 256 is left out and named like a file whose
// path is too long, and the scan goes on.
TEST_F(WinFolderTest, AFolderTooLongToSearchIsLeftOutAndTheScanGoesOn) {
    Touch("index.htm");
    const size_t used = root.size() + 1;
    const std::string listed(255 - used, 'f');
    const std::string tooLong(256 - used, 'g');
    for (const std::string& folder : {listed, tooLong}) {
        MakeLong(root, CWinText::Wide(folder), true);
        MakeLong(root, CWinText::Wide(folder + "\\p"));  // a path of 257 or 258 characters
    }
    ScriptedUi ui;
    CBookProject project;
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, root, nullptr, EnumerateFolder, &report), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{listed + "\\p", "index.htm"}));
    EXPECT_EQ(report.tooLong, std::vector<std::string>{tooLong + "\\"});
    EXPECT_TRUE(report.unreadable.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("longer than the 259 characters"), std::string::npos);
}

// In a double-byte code page the second byte of a character may be a backslash or a bar: such a
// name is an ordinary name, taken in and opened again (run under code page 932 only).
TEST_F(WinFolderTest, DoubleByteNamesWithABackslashByteAreTaken) {
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the double-byte code page 932; the code page is " << GetACP();
    // U+8868 is 95 5C, U+30BD is 83 5C and U+30DD is 83 7C in code page 932.
    MakeLong(root, L"\x8868.htm");
    MakeLong(root, L"\x30BD", true);
    MakeLong(root, L"\x30BD\\\x30DD.htm");
    ScriptedUi ui;
    CBookProject project;
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, root, nullptr, EnumerateFolder, &report), 1);
    EXPECT_TRUE(report.badNames.empty());
    ASSERT_EQ(project.GetPageCount(), 2u);
    for (const auto& page : project.m_arrPages) {
        CFile file;
        EXPECT_NO_THROW(file.Open(root + "\\" + page->m_strFile, CFile::modeRead))
            << page->m_strFile;
    }
    ExpectTheProjectOpensAgain(project, Path("book.ebp"));
}
