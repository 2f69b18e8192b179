#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "DeepFolders.h"
#include "HonourPermissions.h"
#include "ProjectPages.h"
#include "TempFolder.h"
#include "ScriptedUi.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "project/PageList.h"
#include "project/ProjectFile.h"
#include "project/Scan.h"

namespace fs = std::filesystem;

namespace {

// A folder tree held in memory, listed as the system would list it.
struct ScriptedTree {
    std::map<std::string, std::vector<FolderEntry>> folders;  // key: path with trailing backslash
    std::vector<std::string> listed;

    void Add(const std::string& folder, const std::string& name, bool isFolder = false,
             bool hidden = false) {
        FolderEntry e;
        e.strName = name;
        e.strNativeName = name;
        e.bFolder = isFolder;
        e.bHidden = hidden;
        folders[folder].push_back(e);
    }
    FolderLister Lister() {
        return [this](const std::string& path, const FolderCallback& cb) {
            listed.push_back(path);
            auto it = folders.find(path);
            if (it == folders.end())
                return false;
            for (const FolderEntry& e : it->second)
                cb(e);
            return true;
        };
    }
};

class ScanTest : public ::testing::Test {
  protected:
    CTempFolder temp{"pv-scan"};
    void SetUp() override {
        ASSERT_FALSE(temp.Path().empty());
        root = temp.Path();
        book = (root / "Book").string();
        fs::create_directory(book);
    }

    void Touch(const std::string& rel) {
        const fs::path p = fs::path(book) / fs::u8path(rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    int Rescan(const std::string& folder) {
        return RescanProject(project, ui, folder, [this] { ++refills; });
    }

    fs::path root;
    std::string book;
    CBookProject project;
    ScriptedUi ui;
    int refills = 0;
};

}  // namespace

TEST(ScanRules, ExtensionDecidesPageFlagsCaseSensitively) {
    struct Case {
        const char* name;
        const char* stored;
        bool page;
    };
    const Case cases[] = {
        {"index.html", "index.html", true},
        {"Index.HTML", "index.html", false},
        {"a.htm", "a.htm", true},
        {"a.b.htm", "a.b.htm", true},
        {".htm", ".htm", false},
        {"README", "readme", false},
        {"page.Htm", "page.htm", false},
        {"notes.txt", "notes.txt", false},
        {"x.html.bak", "x.html.bak", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTree tree;
        tree.Add("C:\\Books\\Guide\\", c.name);
        CBookProject project;
        project.m_strProjectDir = "C:\\Books\\Guide";
        ScanFolder(project, project.m_strProjectDir, nullptr, tree.Lister());
        ASSERT_EQ(project.GetPageCount(), 1u);
        const CPieceElem& e = *project.GetPage(0);
        EXPECT_EQ(e.m_strFile, c.stored);
        EXPECT_EQ(e.m_bInSequence, c.page ? 1 : 0);
        EXPECT_EQ(e.m_bInSearch, c.page ? 1 : 0);
        EXPECT_EQ(e.m_bInProject, 1);
        EXPECT_EQ(e.m_bFound, 1);
    }
}

TEST(ScanRules, RelativeNamesBelowAFolderAndTheRootOfADrive) {
    struct Case {
        const char* dir;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"C:\\", {"index.html", "img\\a.gif", "img\\deep\\b.png"}},
        {"C:\\Books\\Guide", {"index.html", "img\\a.gif", "img\\deep\\b.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dir);
        std::string base = c.dir;
        if (base.back() != '\\')
            base += '\\';
        ScriptedTree tree;
        tree.Add(base, "Index.html");
        tree.Add(base, "Img", true);
        tree.Add(base + "Img\\", "A.gif");
        tree.Add(base + "Img\\", "Deep", true);
        tree.Add(base + "Img\\Deep\\", "B.PNG");
        ScriptedUi ui;
        CBookProject project;
        EXPECT_EQ(RescanProject(project, ui, c.dir, nullptr, tree.Lister()), 1);
        EXPECT_EQ(PageNames(project), c.expected);
        EXPECT_EQ(project.m_strProjectDir, c.dir);
    }
    EXPECT_EQ(ScanRelativeName("C:\\Books\\Guide", "c:\\books\\guide\\img\\cover.gif"),
              "img\\cover.gif");
    EXPECT_EQ(ScanRelativeName("C:\\Books\\Guide", "c:\\b"), "");
}

TEST(ScanRules, HiddenItemsAndTheirTreesAreSkipped) {
    ScriptedTree tree;
    tree.Add("D:\\Site\\", "index.htm");
    tree.Add("D:\\Site\\", "secret.htm", false, true);
    tree.Add("D:\\Site\\", "Drafts", true, true);
    tree.Add("D:\\Site\\Drafts\\", "draft.htm");
    tree.Add("D:\\Site\\", ".", true);
    tree.Add("D:\\Site\\", "..", true);
    CBookProject project;
    project.m_strProjectDir = "D:\\Site";
    ScanFolder(project, "D:\\Site", nullptr, tree.Lister());
    EXPECT_EQ(PageNames(project), std::vector<std::string>{"index.htm"});
    EXPECT_EQ(tree.listed, std::vector<std::string>{"D:\\Site\\"});  // Drafts was never listed
}

TEST(ScanRules, FirstEntryOfAnEqualNameIsTheOneFound) {
    // A project file may hold names that differ only in case; the scan marks the first.
    ScriptedTree tree;
    tree.Add("C:\\B\\", "index.htm");
    ScriptedUi ui;
    CBookProject project;
    for (const char* name : {"Other.htm", "Index.HTM", "INDEX.htm"}) {
        auto e = std::make_unique<CPieceElem>();
        e->m_strFile = name;
        e->m_bInSearch = 0;
        project.AddPage(std::move(e));
    }
    RescanProject(project, ui, "C:\\B", nullptr, tree.Lister());
    ASSERT_EQ(PageNames(project), std::vector<std::string>{"Index.HTM"});
    EXPECT_EQ(project.GetPage(0)->m_bInSearch, 0);  // kept, not re-derived
}

TEST_F(ScanTest, BuildsTheListDepthFirstInNameOrder) {
    for (const char* f : {"b.htm", "A/x.htm", "A/Y/z.gif", "c.css", ".hidden.htm",
                          ".git/config.htm", "Img/Cover.GIF"})
        Touch(f);
    EXPECT_EQ(Rescan(book), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"a\\x.htm", "a\\y\\z.gif", "b.htm",
                                                            "c.css", "img\\cover.gif"}));
    EXPECT_EQ(project.m_strProjectDir, book);
    EXPECT_EQ(project.m_strLastProject, book);
    EXPECT_EQ(refills, 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.waitCalls, 1);
    EXPECT_EQ(ui.waitDepth, 0);

    // A trailing slash on the folder changes nothing in the names.
    CBookProject again;
    RescanProject(again, ui, book + "/", nullptr);
    EXPECT_EQ(PageNames(again), PageNames(project));
}

TEST_F(ScanTest, RescanKeepsOrderAndFlagsAppendsNewAndSweepsGone) {
    for (const char* f : {"a.htm", "b.htm", "c.htm", "d.gif", "sub/e.htm"})
        Touch(f);
    Rescan(book);
    ASSERT_EQ(PageNames(project),
              (std::vector<std::string>{"a.htm", "b.htm", "c.htm", "d.gif", "sub\\e.htm"}));
    MoveToFront(project, 2);                // c.htm becomes the home page
    project.GetPage(1)->m_bInProject = 0;   // a.htm
    project.GetPage(3)->m_bInSequence = 1;  // d.gif
    project.GetPage(3)->m_bInSearch = 1;

    fs::remove(fs::path(book) / "b.htm");
    Touch("0first.htm");  // met first by the scan, still appended at the end
    Touch("sub/aa.png");  // in a folder met early
    Rescan(book);

    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"c.htm", "a.htm", "d.gif", "sub\\e.htm",
                                                            "0first.htm", "sub\\aa.png"}));
    EXPECT_EQ(project.GetPage(1)->m_bInProject, 0);
    EXPECT_EQ(project.GetPage(2)->m_bInSequence, 1);
    EXPECT_EQ(project.GetPage(2)->m_bInSearch, 1);
    EXPECT_EQ(project.GetPage(5)->m_bInSequence, 0);
    for (const auto& page : project.m_arrPages)
        EXPECT_EQ(page->m_bFound, 1) << page->m_strFile;
    EXPECT_EQ(refills, 2);
}

TEST_F(ScanTest, RescanOfAnotherFolderKeepsMatchingNames) {
    for (const char* f : {"index.htm", "keep.gif", "gone.htm"})
        Touch(f);
    Rescan(book);
    ASSERT_EQ(PageNames(project), (std::vector<std::string>{"gone.htm", "index.htm", "keep.gif"}));
    project.GetPage(2)->m_bInProject = 0;  // keep.gif

    const std::string other = (root / "Other").string();
    fs::create_directory(other);
    for (const char* f : {"KEEP.GIF", "new.htm", "Index.htm"})
        std::ofstream(fs::path(other) / f) << "x";
    Rescan(other);

    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"index.htm", "keep.gif", "new.htm"}));
    EXPECT_EQ(project.GetPage(1)->m_bInProject, 0);
    EXPECT_EQ(project.m_strProjectDir, other);
    EXPECT_EQ(project.m_strLastProject, other);
}

TEST_F(ScanTest, FolderWithoutHtmlShowsTheMessageAndKeepsTheFiles) {
    struct Case {
        const char* name;
        std::vector<const char*> files;
        bool exists;
        size_t entries;
    };
    const Case cases[] = {
        {"pictures only", {"a.gif", "b.HTM"}, true, 2},
        {"empty folder", {}, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = root / c.name;
        if (c.exists)
            fs::create_directory(dir);
        for (const char* f : c.files)
            std::ofstream(dir / f) << "x";
        ScriptedUi ui;
        CBookProject project;
        size_t messagesAtRefill = 99;
        EXPECT_EQ(RescanProject(project, ui, dir.string(),
                                [&] { messagesAtRefill = ui.messages.size(); }),
                  1);
        EXPECT_EQ(project.GetPageCount(), c.entries);
        EXPECT_EQ(messagesAtRefill, 0u);  // the list is refilled before the message
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "No HTML files in this folder. Please try again.");
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::exclamation);
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::ok);
        EXPECT_EQ(project.m_strLastProject, dir.string());
        EXPECT_EQ(ui.waitDepth, 0);
    }
}

// A folder that cannot be read fails the rescan with its name and cause; the entries already in
// the project stay, since their files were not seen, not found missing.
TEST_F(ScanTest, AFolderThatCannotBeReadFailsTheScanAndSweepsNothing) {
    Touch("index.html");
    Touch("locked/inside.html");
    ASSERT_EQ(Rescan(book), 1);
    ASSERT_EQ(PageNames(project), (std::vector<std::string>{"index.html", "locked\\inside.html"}));
    struct Case {
        const char* name;
        std::string folder;  // the folder named in the message
        std::function<void()> arrange;
        std::function<void()> undo;
        const char* cause;
    };
    const std::string locked = book + "/locked";
    const Case cases[] = {
        {"the project folder is gone", (root / "gone").string(), [] {}, [] {}, " was not found."},
        {"a folder inside without permission", book + "\\locked",
         [&] { fs::permissions(locked, fs::perms::none); },
         [&] { fs::permissions(locked, fs::perms::owner_all); }, "Access to "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        c.arrange();
        // Run as root (as CI runs), the permissions bind only once root's power to pass over
        // them is set aside.
        CHonourPermissions honour;
        if (c.folder == book + "\\locked") {
            if (DIR* d = opendir(locked.c_str())) {
                closedir(d);
                c.undo();  // the last case
                GTEST_SKIP() << "this process reads a folder without permissions";
            }
        }
        const std::string folder = c.folder == book + "\\locked" ? book : c.folder;
        EXPECT_EQ(Rescan(folder), 0);
        c.undo();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text.rfind("Cannot read folder " + c.folder + "\n", 0), 0u)
            << ui.messages[0].text;
        EXPECT_NE(ui.messages[0].text.find(c.cause), std::string::npos) << ui.messages[0].text;
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
        EXPECT_EQ(PageNames(project),
                  (std::vector<std::string>{"index.html", "locked\\inside.html"}));
    }
}

// A scan that cannot read one folder leaves the project as it was: the files it met in the
// folders it could read are not added, and the project keeps its folder.
TEST_F(ScanTest, AFailedScanAddsNothingAndKeepsTheProjectFolder) {
    Touch("index.html");
    ASSERT_EQ(Rescan(book), 1);
    const fs::path other = root / "Other";
    for (const char* rel : {"added.html", "part/inside.html", "zz.html"}) {
        fs::create_directories((other / rel).parent_path());
        std::ofstream(other / rel) << "x";
    }
    const FolderLister partUnreadable = [](const std::string& path, const FolderCallback& cb) {
        return path.find("part") == std::string::npos && EnumerateFolder(path, cb);
    };
    int refillsSeen = -1;
    EXPECT_EQ(
        RescanProject(
            project, ui, other.string(),
            [&] { refillsSeen = static_cast<int>(project.m_arrPages.size()); }, partUnreadable),
        0);
    EXPECT_EQ(PageNames(project), std::vector<std::string>{"index.html"});
    EXPECT_EQ(refillsSeen, 1);  // the list is refilled from the project as it was
    EXPECT_EQ(project.m_strProjectDir, book);
    EXPECT_EQ(project.m_strLastProject, book);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot read folder " + other.string() + "\\part\n", 0), 0u)
        << ui.messages[0].text;
}

// Links can reach one folder along many paths: with two links to the next folder on each of 16
// levels there are 65536 paths to the deepest file, which is still listed once, and each folder
// is read once.
TEST_F(ScanTest, EachFolderIsReadOnceWhateverLinksLeadToIt) {
    const int kLevels = 16;
    for (int level = kLevels; level >= 1; --level) {
        const fs::path folder = root / ("level" + std::to_string(level));
        fs::create_directories(folder);
        std::ofstream(folder / ("page" + std::to_string(level) + ".html")) << "x";
        if (level < kLevels) {
            const fs::path next = root / ("level" + std::to_string(level + 1));
            fs::create_directory_symlink(next, folder / "a");
            fs::create_directory_symlink(next, folder / "b");
        }
    }
    int lists = 0;
    const FolderLister counting = [&](const std::string& path, const FolderCallback& cb) {
        ++lists;
        return EnumerateFolder(path, cb);
    };
    ASSERT_EQ(RescanProject(project, ui, (root / "level1").string(), nullptr, counting), 1);
    EXPECT_EQ(project.GetPageCount(), static_cast<size_t>(kLevels));
    EXPECT_EQ(lists, kLevels);
    EXPECT_EQ(project.GetPage(0)->m_strFile,
              "a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\a\\page16.html");
}

// A file whose full path is longer than the build can open is left out and reported by the scan
// with its name; one whose path just fits is taken.
TEST(ScanRules, PathsLongerThanTheBuildCanOpenAreReportedAtScanTime) {
    ScriptedTree tree;
    const std::string folder = "C:\\Site\\";  // the full path is the folder and the name
    const std::string fits = std::string(kMaxOpenPathLength - folder.size() - 4, 'a') + ".htm";
    const std::string over = std::string(kMaxOpenPathLength - folder.size() - 3, 'b') + ".htm";
    tree.Add(folder, fits);
    tree.Add(folder, over);
    tree.Add(folder, "index.htm");
    CBookProject project;
    ScriptedUi ui;
    ASSERT_EQ(RescanProject(project, ui, "C:\\Site", nullptr, tree.Lister()), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{fits, "index.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_NE(text.find("longer than the " + std::to_string(kMaxOpenPathLength) + " characters"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n" + over), std::string::npos);
    EXPECT_EQ(text.find(fits), std::string::npos);
}

// A file longer than the viewer reads is left out and reported by the scan with its name, its
// length and the limit; one of exactly the limit is taken. The files are sparse, and a link to
// the long file counts as the file it leads to.
TEST_F(ScanTest, FilesLongerThanTheViewerReadsAreReportedAtScanTime) {
    Touch("index.htm");
    Touch("sub/limit.htm");
    Touch("sub/over.htm");
    fs::resize_file(fs::path(book) / "sub/limit.htm", 0x7FFFFFFFull);
    fs::resize_file(fs::path(book) / "sub/over.htm", 0xC0000000ull);
    fs::create_symlink(fs::path(book) / "sub/over.htm", fs::path(book) / "link.htm");
    ASSERT_EQ(Rescan(book), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"index.htm", "sub\\limit.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::exclamation);
    EXPECT_EQ(ui.messages[0].text,
              "These files were left out because they are longer than the 2147483647 bytes (2 GiB "
              "less one) the viewer reads of a file:\nlink.htm (3221225472 bytes)\nsub\\over.htm "
              "(3221225472 bytes)");
}

TEST_F(ScanTest, NamesWithoutAnAnsiFormAreReportedNotDropped) {
    Touch("index.htm");
    Touch("\xE6\x97\xA5.htm");     // no Windows-1252 form
    Touch("\xC4\x81/inside.htm");  // a folder with no form: its files cannot be reached
    Touch(".\xE6\x97\xA5.htm");    // hidden: skipped like any hidden file
    Touch("caf\xC3\xA9.htm");      // converts fine
    Rescan(book);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"caf\xE9.htm", "index.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::exclamation);
    EXPECT_TRUE(ui.messages[0].bUtf8);
    ScanReport expected;
    expected.leftOut = {"?\\", "?.htm"};
    expected.leftOutUtf8 = {"\xC4\x81\\", "\xE6\x97\xA5.htm"};
    EXPECT_EQ(ui.messages[0].text, ScanReportMessage(expected));
    EXPECT_NE(ui.messages[0].text.find("ANSI code page"), std::string::npos);
    // The real names, not question marks.
    EXPECT_NE(ui.messages[0].text.find("\n\xC4\x81\\\n\xE6\x97\xA5.htm"), std::string::npos)
        << ui.messages[0].text;

    ScanReport many;
    many.leftOutUtf8.assign(25, "x\xE6\x97\xA5.htm");
    EXPECT_NE(ScanReportMessage(many).find("... and 5 more."), std::string::npos);
    EXPECT_EQ(ScanReportMessage(ScanReport()), "");
}

TEST_F(ScanTest, FilesDifferingOnlyInCaseAreReportedOnce) {
    Touch("Sub/Page.htm");
    Touch("Sub/PAGE.htm");
    Touch("Sub/other.htm");
    Rescan(book);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"sub\\other.htm", "sub\\page.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_NE(text.find("apart from upper and lower case"), std::string::npos) << text;
    EXPECT_TRUE(text.find("\nSub\\Page.htm") != std::string::npos ||
                text.find("\nSub\\PAGE.htm") != std::string::npos)
        << text;

    // A re-scan finds the kept entry again and reports the twin again.
    Rescan(book);
    EXPECT_EQ(project.GetPageCount(), 2u);
    EXPECT_EQ(ui.messages.size(), 2u);
}

// One rule for names (platform/ContainedName.h): what Windows cannot open as the file it names
// is left out by the scan, each with its reason, so that the project file the scan's project is
// saved to opens again, with the same pages. A backslash in a name is such a name, not one
// outside the code page.
TEST_F(ScanTest, NamesWindowsCannotOpenAreLeftOutAndTheProjectOpensAgain) {
    for (const char* f : {"index.htm", "ok.htm", "con.htm", "Help:Contents.html", "   ",
                          "page.htm.", "a\\b.htm", "tab\there.htm", "AUX/inside.htm", "lpt1.txt"})
        Touch(f);
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, book, nullptr, EnumerateFolder, &report), 1);
    EXPECT_EQ(PageNames(project), (std::vector<std::string>{"index.htm", "ok.htm"}));
    std::vector<std::string> leftOut;
    for (const auto& bad : report.badNames) {
        leftOut.push_back(bad.first);
        EXPECT_FALSE(bad.second.empty());
    }
    EXPECT_EQ(leftOut,
              (std::vector<std::string>{"   ", "AUX\\", "a\\b.htm", "con.htm", "Help:Contents.html",
                                        "lpt1.txt", "page.htm.", "tab\there.htm"}));
    EXPECT_TRUE(report.leftOut.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_NE(text.find("\na\\b.htm (holds \"\\\", which Windows does not allow"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\ncon.htm (a name Windows keeps for a device)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\ntab?here.htm (holds a control character)"), std::string::npos) << text;
    EXPECT_EQ(text.find("ANSI code page"), std::string::npos) << text;

    project.m_bProjectLoaded = 1;
    project.m_strProjectFile = (root / "book.ebp").string();
    ASSERT_EQ(SaveProject(project, ui), 1);
    CBookProject loaded;
    loaded.m_strProjectFile = project.m_strProjectFile;
    EXPECT_EQ(LoadProject(loaded, ui), 1) << ui.messages.back().text;
    EXPECT_EQ(PageNames(loaded), PageNames(project));
}

// A folder too deep for any file in it to be opened is left out and named like a file whose path
// is too long; the scan goes on and takes in everything that can be opened. (The chain of folders
// reaches past PATH_MAX: listing its far end would fail.)
TEST_F(ScanTest, AFolderTooDeepToOpenIsLeftOutAndTheScanGoesOn) {
    Touch("index.htm");
    const std::string level(200, 'd');
    CDeepFolders deep(book, level, 22, {"page.htm"});
    ASSERT_TRUE(deep.ok());
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, book, nullptr, EnumerateFolder, &report), 1);
    EXPECT_TRUE(report.unreadable.empty());
    size_t pages = 0;
    for (const auto& page : project.m_arrPages) {
        EXPECT_LE(OpenPathLength(book + "\\" + page->m_strFile), kMaxOpenPathLength);
        pages += page->m_strFile.size() >= 8 &&
                 page->m_strFile.compare(page->m_strFile.size() - 8, 8, "page.htm") == 0;
    }
    // Every level whose page fits is taken in; the first folder too deep is named, with what is
    // below it.
    ASSERT_EQ(report.tooLong.size(), 1u);
    const std::string& folder = report.tooLong[0];
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(pages, folder.size() / (level.size() + 1));
    EXPECT_GT(OpenPathLength(book + "\\" + folder + "x"), kMaxOpenPathLength);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("longer than the 4095 characters"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("\n" + folder), std::string::npos);
}

// Names that differ only in case (Linux): the scan takes in the one a lower-cased path opens,
// reports the others (a folder with all it holds), and the build reads each entry's bytes from
// the very file the entry was made from.
TEST_F(ScanTest, CaseTwinsGiveEachEntryTheBytesOfItsOwnFile) {
    const std::map<std::string, std::string> files = {
        {"A.htm", "upper A"},   {"a.htm", "lower a"},    // the lower-case one opens
        {"b.HTM", "b, HTM"},    {"B.htm", "B, htm"},     // neither: the first in byte order
        {"Img/a.gif", "Img a"}, {"img/b.gif", "img b"},  // twin folders
        {"IMG2/c.gif", "IMG2"}, {"Img2/d.gif", "Img2"},
    };
    for (const auto& f : files) {
        const fs::path p = fs::path(book) / f.first;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << f.second;
    }
    ScanReport report;
    ASSERT_EQ(RescanProject(project, ui, book, nullptr, EnumerateFolder, &report), 1);
    EXPECT_EQ(PageNames(project),
              (std::vector<std::string>{"a.htm", "b.htm", "img\\b.gif", "img2\\c.gif"}));
    std::vector<std::string> twins = report.caseTwins;
    std::sort(twins.begin(), twins.end());
    EXPECT_EQ(twins, (std::vector<std::string>{"A.htm", "Img2\\", "Img\\", "b.HTM"}));
    const std::map<std::string, std::pair<std::string, int>> expected = {
        {"a.htm", {"lower a", 1}},
        {"b.htm", {"B, htm", 1}},
        {"img\\b.gif", {"img b", 0}},
        {"img2\\c.gif", {"IMG2", 0}},
    };
    for (const auto& page : project.m_arrPages) {
        SCOPED_TRACE(page->m_strFile);
        const auto want = expected.find(page->m_strFile);
        ASSERT_NE(want, expected.end());
        EXPECT_EQ(page->m_bInSequence, want->second.second);
        // Opened as the build opens it.
        CFile file;
        file.Open(book + "\\" + page->m_strFile, CFile::modeRead | CFile::shareExclusive);
        std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
        file.ReadExact(&bytes[0], static_cast<uint32_t>(bytes.size()));
        EXPECT_EQ(bytes, want->second.first);
    }
}
