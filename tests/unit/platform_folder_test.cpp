#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/Folder.h"

namespace fs = std::filesystem;

namespace {

class FolderTest : public ::testing::Test {
  protected:
    CTempFolder temp{"pv-folder"};
    void SetUp() override {
        ASSERT_FALSE(temp.Path().empty());
        root = temp.Path();
    }

    void Touch(const std::string& rel) { std::ofstream(root / fs::u8path(rel)) << "x"; }
    void Mkdir(const std::string& rel) { fs::create_directories(root / fs::u8path(rel)); }

    std::vector<FolderEntry> List(const std::string& path) {
        std::vector<FolderEntry> out;
        EXPECT_TRUE(EnumerateFolder(path, [&](const FolderEntry& e) { out.push_back(e); }));
        return out;
    }
    std::vector<FolderEntry> List() { return List(root.string()); }

    fs::path root;
};

std::vector<std::string> Names(const std::vector<FolderEntry>& entries) {
    std::vector<std::string> names;
    for (const FolderEntry& e : entries)
        names.push_back(e.strName);
    return names;
}

}  // namespace

TEST(NtfsOrder, ComparesUpperCasedUtf16Units) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"a.htm", "B.htm", -1},                   // case is ignored...
        {"ABC", "abc", 0},                        // ...entirely
        {"_x", "a", 1},                           // '_' (0x5F) sorts after the letters, upper-cased
        {"a", "a.htm", -1},                       // a prefix first
        {"a.htm", "a-b.htm", 1},                  // '.' (0x2E) after '-' (0x2D): no word sort
        {"z", "\xC3\xA0", -1},                    // a grave (U+00C0 upper-cased) after Z
        {"\xC3\xA0", "\xC3\x80", 0},              // a grave and A grave are equal
        {"\xC3\xBF", "\xC5\xB8", 0},              // y diaeresis upper-cases to U+0178
        {"\xC5\xA1", "\xC5\xA0", 0},              // s caron
        {"\xEF\xBC\xA1", "\xF0\x9F\x98\x80", 1},  // U+FF21 after a surrogate pair (U+1F600)
        {"\xFF", "a", 1},                         // a byte that is not UTF-8 sorts as its value
        {"\xC2\xB5", "z", 1},                     // the micro sign keeps its own place...
        {"\xC2\xB5", "\xCE\xBC", -1},             // ...before the Greek mu (U+039C)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const int r = CompareNtfsOrder(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
        const int back = CompareNtfsOrder(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign);
    }
}

TEST_F(FolderTest, ListsInNtfsOrderWithKindAndHiddenFlags) {
    for (const char* f : {"b.htm", "A.html", "_notes.txt", "a-b.htm", "Z.gif", ".hidden", "a.htm"})
        Touch(f);
    Mkdir("img");
    Mkdir(".git");

    const std::vector<FolderEntry> entries = List();
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{".git", ".hidden", "a-b.htm", "a.htm", "A.html", "b.htm",
                                        "img", "Z.gif", "_notes.txt"}));
    for (const FolderEntry& e : entries) {
        SCOPED_TRACE(e.strName);
        EXPECT_EQ(e.bFolder, e.strName == "img" || e.strName == ".git");
        EXPECT_EQ(e.bHidden, e.strName[0] == '.');
        EXPECT_FALSE(e.bNoAnsiName);
    }
}

TEST_F(FolderTest, ConvertsNamesToWindows1252OrReportsThem) {
    Touch("caf\xC3\xA9.htm");               // e acute: Windows-1252 0xE9
    Touch("\xE2\x82\xAC.txt");              // euro sign: 0x80
    Touch("\xE6\x97\xA5\xE6\x9C\xAC.htm");  // two CJK characters: no Windows-1252 form
    Touch("a\\b.htm");  // fits the code page: the scan's name rule refuses the backslash
    Mkdir("\xC4\x81");  // a macron: no form; a folder

    std::vector<FolderEntry> entries = List();
    ASSERT_EQ(entries.size(), 5u);
    struct Expect {
        std::string name;
        bool noAnsi;
        std::string native;
    };
    // NTFS order of the Unicode names: "A\B", "CAFÉ", U+0100, U+20AC, CJK.
    const Expect expected[] = {
        {"a\\b.htm", false, "a\\b.htm"},
        {"caf\xE9.htm", false, "caf\xC3\xA9.htm"},
        {"?", true, "\xC4\x81"},
        {"\x80.txt", false, "\xE2\x82\xAC.txt"},
        {"??.htm", true, "\xE6\x97\xA5\xE6\x9C\xAC.htm"},
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(expected[i].native);
        EXPECT_EQ(entries[i].strName, expected[i].name);
        EXPECT_EQ(entries[i].bNoAnsiName, expected[i].noAnsi);
        EXPECT_EQ(entries[i].strNativeName, expected[i].native);
    }
    EXPECT_TRUE(entries[2].bFolder);
}

TEST_F(FolderTest, AcceptsTrailingBackslashAndWindows1252Path) {
    Mkdir("caf\xC3\xA9");
    Touch("caf\xC3\xA9/x.htm");
    // The ANSI path of the sub-folder, with backslashes as the scan forms it.
    const std::string ansi = root.string() + "\\caf\xE9\\";
    EXPECT_EQ(Names(List(ansi)), std::vector<std::string>{"x.htm"});
}

TEST_F(FolderTest, FolderThatCannotBeSearchedYieldsNothing) {
    Touch("file.txt");
    int calls = 0;
    auto count = [&](const FolderEntry&) { ++calls; };
    EXPECT_FALSE(EnumerateFolder((root / "missing").string(), count));
    EXPECT_FALSE(EnumerateFolder((root / "file.txt").string(), count));
    EXPECT_EQ(calls, 0);
    Mkdir("empty");
    EXPECT_TRUE(EnumerateFolder((root / "empty").string(), count));
    EXPECT_EQ(calls, 0);
}

TEST_F(FolderTest, FollowsLinksButNotBackUpTheTree) {
    Mkdir("sub/deeper");
    Touch("target.htm");
    fs::create_symlink(root, root / "sub" / "to-root");
    fs::create_symlink(root / "sub", root / "sub" / "deeper" / "to-sub");
    fs::create_symlink(root / "sub" / "deeper", root / "sub" / "to-deeper");
    fs::create_symlink(root / "target.htm", root / "sub" / "page.htm");
    fs::create_symlink(root / "gone.htm", root / "sub" / "dangling.htm");

    std::vector<FolderEntry> entries = List((root / "sub").string());
    // to-root leads to a parent; the link to a folder below is listed as a folder; links to
    // files (even a dangling one) are files.
    ASSERT_EQ(Names(entries),
              (std::vector<std::string>{"dangling.htm", "deeper", "page.htm", "to-deeper"}));
    EXPECT_FALSE(entries[0].bFolder);
    EXPECT_TRUE(entries[3].bFolder);
    EXPECT_TRUE(List((root / "sub" / "deeper").string()).empty());  // to-sub leads back up
}

TEST_F(FolderTest, LinksBetweenSiblingFoldersDoNotGoRoundInCircles) {
    // d1 and d2 each link twice to the other: followed blindly, every level doubles the tree.
    Mkdir("d1");
    Mkdir("d2");
    Touch("d1/a.htm");
    Touch("d2/b.htm");
    for (const char* from : {"d1", "d2"}) {
        const char* to = std::string(from) == "d1" ? "d2" : "d1";
        fs::create_symlink(root / to, root / from / "l1");
        fs::create_symlink(root / to, root / from / "l2");
    }
    size_t entries = 0;
    std::function<void(const std::string&, int)> walk = [&](const std::string& path, int depth) {
        ASSERT_LT(depth, 4) << path;
        EnumerateFolder(path, [&](const FolderEntry& e) {
            ++entries;
            if (e.bFolder)
                walk(path + "\\" + e.strName, depth + 1);
        });
    };
    walk(root.string(), 0);
    // d1, d2, their files, and one way across each link before the circle closes.
    EXPECT_EQ(entries, 2u + 2u * (1 + 2 + 2 * 1));
}
