#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "TempFolder.h"
#include "build_store_decoder.h"
#include "cli/Cli.h"
#include "format/PackedBlock.h"
#include "compiler/ResourceUpdater.h"
#include "format/StoreReader.h"
#include "icon_fake_pe.h"
#include "platform/ContainedName.h"
#include "project/ProjectFile.h"
#include "ScriptedUi.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
  protected:
    CliTest() : viewer(fakepe::MakeViewer(0)), stub(viewer.data(), viewer.size()) {}

    void SetUp() override {
        book = dir / "book";
        fs::create_directories(book + "/sub");
        fakepe::WriteFile(book + "/index.html", "<html>home</html>");
        fakepe::WriteFile(book + "/about.htm", "<html>about</html>");
        fakepe::WriteFile(book + "/sub/page.html", "<html>sub page</html>");
        fakepe::WriteFile(book + "/sub/pic.gif", Bytes{'G', 'I', 'F', 0, 1, 2, 0xFF});
        fakepe::WriteFile(book + "/style.css", "body{}");
    }

    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunCli(args, stub, out, err);
    }

    CTempFolder dir;
    std::string book;
    Bytes viewer;
    CMemoryStubSource stub;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliTest, ReadRefusesWhatIsNoEBookAndServesNothing) {
    // A folder and a page are no e-books: read says so, names the file and returns at once.
    const std::string page = book + "/index.html";
    for (const std::string& what : {book, page, std::string(dir / "missing.exe")}) {
        SCOPED_TRACE(what);
        EXPECT_EQ(Run({"read", what, "--no-open"}), kExitFailure);
        EXPECT_NE(err.str().find("Cannot read file " + what), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");  // no address printed
    }
}

// Each wrong command line exits with 2 and ends its messages with its own reason and the way to
// the help; nothing is written to standard output or built.
TEST_F(CliTest, UsageErrorsExitWithTwoAndSayWhy) {
    const std::string jobs = "give a number of threads from 1 to 16.";
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{}, "no command given."},
        {{"frobnicate"}, "unknown command \"frobnicate\"."},
        {{"build"}, "build takes one SOURCE (a folder or a project file)."},
        {{"build", book}, "no output file: give -o OUT.exe."},
        {{"build", book, "-o"}, "-o needs a value."},
        {{"build", book, "-o", "x.exe", "--colour", "red"},
         "\"--colour\" is not an option of build."},
        {{"build", book, "-o", "x.exe", "--option", "Toolbar=1"},
         "--option Toolbar=1: unknown option \"Toolbar\"."},
        {{"build", book, "-o", "x.exe", "--option", "ShowToolbar=2"},
         "--option ShowToolbar=2: the value must be 0 or 1."},
        {{"list"}, "list takes one EBOOK.exe."},
        {{"list", "a.exe", "-d", "x"}, "\"-d\" is not an option of list."},
        {{"list", "--contents"}, "list takes one EBOOK.exe."},
        {{"extract", "a.exe", "-d", "x", "--contents"},
         "\"--contents\" is not an option of extract."},
        {{"extract", "a.exe"}, "no folder to extract to: give -d DIR."},
        {{"new", book}, "no project file: give -o PROJECT.ebp."},
        {{"new", book, "-o", "p.ebp", "extra"}, "new takes one FOLDER."},
        {{"build", book, "-o", "x.exe", "--title", "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"},
         "The value of --title holds characters that an e-book cannot hold unchanged (it keeps its "
         "texts and names in the ANSI code page): U+4E2D. Nothing was built or saved."},
        {{"build", book, "-o", "x.exe", "--jobs", "0"}, "--jobs 0: " + jobs},
        {{"build", book, "-o", "x.exe", "--jobs", "17"}, "--jobs 17: " + jobs},
        {{"build", book, "-o", "x.exe", "--jobs=4294967297"}, "--jobs 4294967297: " + jobs},
        {{"build", book, "-o", "x.exe", "--jobs", "2x"}, "--jobs 2x: " + jobs},
        {{"new", book, "-o", "p.ebp", "--jobs", "2"}, "\"--jobs\" is not an option of new."},
        // Values are checked before the source is looked at.
        {{"build", dir / "nonexistent", "--jobs", "abc"}, "--jobs abc: " + jobs},
        {{"build", dir / "nonexistent.ebp", "-o", "x.exe", "--jobs", "99"}, "--jobs 99: " + jobs},
        {{"read"}, "read takes one EBOOK.exe."},
        {{"read", "a.exe", "b.exe"}, "read takes one EBOOK.exe."},
        {{"read", "a.exe", "--port", "0"}, "--port 0: give a port number from 1 to 65535."},
        {{"read", "a.exe", "--port", "65536"}, "--port 65536: give a port number from 1 to 65535."},
        {{"read", "a.exe", "--port=80x"}, "--port 80x: give a port number from 1 to 65535."},
        {{"read", "a.exe", "--open"}, "\"--open\" is not an option of read."},
        {{"list", "a.exe", "--no-open"}, "\"--no-open\" is not an option of list."},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& w : c.args)
            joined += w + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(Run(c.args), kExitUsage);
        EXPECT_TRUE(out.str().empty());
        const std::string end = "pagevane-cli: " + c.reason + "\nTry 'pagevane-cli --help'.\n";
        const std::string said = err.str();
        EXPECT_TRUE(said.size() >= end.size() &&
                    said.compare(said.size() - end.size(), end.size(), end) == 0)
            << said;
    }
    EXPECT_FALSE(fs::exists("x.exe"));
}

// A text or name the code page cannot hold is refused, naming the flag or the word and each
// character once by number; nothing is built. Code page text passes unchanged.
TEST_F(CliTest, TextsTheCodePageCannotHoldNameTheFlagAndTheCharacters) {
    const std::string exe = dir / "x.exe";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"build", book, "-o", exe, "--title", "\xCE\xA9 \xE6\x97\xA5 \xCE\xA9 \xF0\x9F\x93\x96"},
         "The value of --title holds characters that an e-book cannot hold unchanged (it keeps "
         "its texts and names in the ANSI code page): U+03A9, U+65E5, U+1F4D6. Nothing was built "
         "or saved."},
        {{"build", book, "-o", exe, "--author=ab\xFF"},
         "The value of --author holds characters that an e-book cannot hold unchanged (it keeps "
         "its texts and names in the ANSI code page): bytes that are not UTF-8."},
        {{"build", book + "\xC4\x81", "-o", exe},
         "Argument 2 of the command line holds characters that an e-book cannot hold unchanged "
         "(it keeps its texts and names in the ANSI code page): U+0101."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(Run(c.args), kExitUsage);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(exe));
    }
    EXPECT_EQ(Run({"build", book, "-o", exe, "--title", "Caf\xC3\xA9 \xE2\x82\xAC"}), kExitOk)
        << err.str();
}

// The report of files left out names them as they are on disk, not with "?" for the characters
// the code page cannot write; the rest of the book is built.
TEST_F(CliTest, LeftOutNamesArePrintedAsThemselves) {
    const std::string exe = dir / "x.exe";
    fakepe::WriteFile(book + "/sub/\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.htm", "<html></html>");
    EXPECT_EQ(Run({"build", book, "-o", exe}), kExitOk) << err.str();
    EXPECT_NE(err.str().find("left out because their names cannot be written"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("\nsub\\\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.htm\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find('?'), std::string::npos) << err.str();
    EXPECT_TRUE(fs::exists(exe));
}

TEST_F(CliTest, HelpGoesToStandardOutput) {
    EXPECT_EQ(Run({"--help"}), kExitOk);
    EXPECT_NE(out.str().find("pagevane-cli build SOURCE"), std::string::npos);
    EXPECT_NE(out.str().find("FontSizeButton"), std::string::npos);
    EXPECT_NE(out.str().find("--jobs N"), std::string::npos);
    EXPECT_TRUE(err.str().empty());
}

// A stream that refuses every write, as standard output does on a full disk or when closed.
class CFullStreamBuf : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(CliTest, AnOutputThatCannotBeWrittenFailsTheCommand) {
    const std::string exe = dir / "out.exe";
    ASSERT_EQ(Run({"build", book, "-o", exe}), kExitOk) << err.str();
    ASSERT_EQ(Run({"check", book}), kExitOk) << err.str();
    const std::vector<std::vector<std::string>> cases = {
        {"list", exe}, {"--help"}, {"--version"}, {"check", book}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        CFullStreamBuf full;
        std::ostream broken(&full);
        err.str("");
        // check of a clean book prints nothing; a broken reference makes it print.
        if (c[0] == "check")
            fakepe::WriteFile(book + "/index.html", "<a href=missing.html>x</a>");
        EXPECT_EQ(RunCli(c, stub, broken, err), kExitFailure);
        EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos)
            << err.str();
    }
}

TEST_F(CliTest, BuildsAFolderWithFirstRunTextsAndFlags) {
    const std::string exe = dir / "out.exe";
    ASSERT_EQ(Run({"build", book, "-o", exe, "--title", "Caf\xC3\xA9", "--option", "SearchButton=1",
                   "--option=ExitButton=0", "--home", "sub/page.html"}),
              kExitOk)
        << err.str();
    EXPECT_TRUE(out.str().empty());
    EXPECT_TRUE(err.str().empty()) << err.str();

    const Bytes file = fakepe::ReadFile(exe);
    ASSERT_TRUE(std::equal(viewer.begin(), viewer.end(), file.begin()));
    const storedec::Store store = storedec::Decode(file);
    auto text = [&](uint16_t id) {
        const Bytes& d = store.Find(350, id)->data;
        return std::string(d.begin(), d.end() - 1);
    };
    EXPECT_EQ(text(6), "Caf\xE9");  // the title in Windows-1252
    EXPECT_EQ(text(7), "*Your Name*");
    EXPECT_EQ(text(8), "Copyright (C) " + std::to_string(CurrentYear()) + " *your company name*");
    const Bytes& settings = store.Find(350, 3)->data;
    EXPECT_EQ(fakepe::Get32(settings, 48), 1u);  // search button
    EXPECT_EQ(fakepe::Get32(settings, 68), 0u);  // exit button
    // The home page went first; the rest in the folder's order.
    const Bytes& table = store.Find(350, 2)->data;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(table.data())), "sub/page.html");
}

TEST_F(CliTest, AProjectFileBuildsTheSameBytesAsItsFolder) {
    const std::string project = dir / "book.ebp";
    const std::string fromFolder = dir / "a.exe";
    const std::string fromProject = dir / "b.exe";
    const std::vector<std::string> flags = {"--author",     "Ann",      "--about",
                                            "Two\r\nlines", "--option", "ShowAboutAtStart=1"};
    std::vector<std::string> args = {"new", book, "-o", project, "--ebook", fromProject};
    args.insert(args.end(), flags.begin(), flags.end());
    ASSERT_EQ(Run(args), kExitOk) << err.str();
    EXPECT_TRUE(fs::exists(project));

    args = {"build", book, "-o", fromFolder};
    args.insert(args.end(), flags.begin(), flags.end());
    ASSERT_EQ(Run(args), kExitOk) << err.str();
    // -o left out: the project names its e-book.
    ASSERT_EQ(Run({"build", project}), kExitOk) << err.str();
    EXPECT_EQ(fakepe::ReadFile(fromFolder), fakepe::ReadFile(fromProject));

    // A lone line feed in the About text becomes CR LF, as the publisher's box writes it.
    ASSERT_EQ(Run({"build", book, "-o", fromFolder, "--about", "a\nb\r\nc"}), kExitOk);
    const Bytes about = storedec::Decode(fakepe::ReadFile(fromFolder)).Find(350, 12)->data;
    EXPECT_EQ(std::string(about.begin(), about.end()), std::string("a\r\nb\r\nc", 8));

    // Flags override what the project holds.
    ASSERT_EQ(Run({"build", project, "--author", "Bob"}), kExitOk) << err.str();
    const storedec::Store store = storedec::Decode(fakepe::ReadFile(fromProject));
    EXPECT_EQ(store.Find(350, 7)->data, (Bytes{'B', 'o', 'b', 0}));
}

TEST_F(CliTest, FailuresPrintThePublishersMessage) {
    const std::string exe = dir / "out.exe";
    // A page that disappears between the scan and the build cannot be simulated from here; a
    // missing splash file takes the same path.
    EXPECT_EQ(Run({"build", book, "-o", exe, "--splash", dir / "none.bmp"}), kExitFailure);
    const std::string p = dir / "none.bmp";
    // The folder's own index.html became the home page, which build says first.
    EXPECT_EQ(err.str(),
              "Home page: index.html\nCannot read file " + p + "\n" + p + " was not found.\n");
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(fs::exists(exe));

    EXPECT_EQ(Run({"build", dir / "missing.ebp", "-o", exe}), kExitFailure);
    EXPECT_EQ(err.str().rfind("Cannot open E-Book Project\n", 0), 0u) << err.str();
    // A missing source that is not named as a project file is reported as a missing folder.
    const std::string gone = dir / "gone";
    EXPECT_EQ(Run({"build", gone, "-o", exe}), kExitFailure);
    EXPECT_EQ(err.str(), "Cannot read folder " + gone + "\n" + gone + " was not found.\n");

    EXPECT_EQ(Run({"build", book, "-o", exe, "--home", "nothere.html"}), kExitFailure);
    EXPECT_NE(err.str().find("nothere.html"), std::string::npos);

    const std::string icons = std::string(PV_SOURCE_DIR) + "/tests/unit/icon_data/";
    EXPECT_EQ(Run({"build", book, "-o", exe, "--icon", icons + "only256.ico"}), kExitFailure);
    EXPECT_EQ(err.str(),
              "Home page: index.html\nInvalid or unsuitable .ico file. The icon file must "
              "contain 32x32 16-color image.\n");
    EXPECT_EQ(Run({"build", book, "-o", exe, "--icon", icons + "mixed.ico"}), kExitOk);

    fakepe::WriteFile(dir / "plain.exe", "no store here");
    EXPECT_EQ(Run({"list", dir / "plain.exe"}), kExitFailure);
    EXPECT_NE(err.str().find("is not an e-book"), std::string::npos);
}

TEST_F(CliTest, AProjectNamingAFileOutsideItsFolderBuildsAndChecksNothing) {
    // A project file received from someone else, listing a file beside the project folder.
    fakepe::WriteFile(dir / "secret.txt", "private");
    const std::string project = dir / "evil.ebp";
    const std::string exe = dir / "evil.exe";
    ASSERT_EQ(Run({"new", book, "-o", project}), kExitOk) << err.str();
    {
        CBookProject p;
        ScriptedUi ui;
        p.m_strProjectFile = project;
        ASSERT_EQ(LoadProject(p, ui), 1);
        std::unique_ptr<CPieceElem> e(new CPieceElem);
        e->m_strFile = "..\\secret.txt";
        p.AddPage(std::move(e));
        p.m_bProjectLoaded = 1;
        ASSERT_EQ(SaveProject(p, ui), 1);
    }
    const std::string refusal =
        "Cannot open E-Book Project\n" + project +
        " lists the page \"..\\secret.txt\", which is not a file inside the project folder";
    EXPECT_EQ(Run({"build", project, "-o", exe}), kExitFailure);
    EXPECT_EQ(err.str().rfind(refusal, 0), 0u) << err.str();
    EXPECT_FALSE(fs::exists(exe));
    EXPECT_EQ(Run({"check", project}), kExitFailure);
    EXPECT_EQ(err.str().rfind(refusal, 0), 0u) << err.str();
}

TEST_F(CliTest, ListAndExtractRoundTrip) {
    const std::string exe = dir / "out.exe";
    ASSERT_EQ(Run({"build", book, "-o", exe, "--title", "T\xC3\xAEtle"}), kExitOk);
    ASSERT_EQ(Run({"list", exe}), kExitOk) << err.str();
    const std::string listing = out.str();
    EXPECT_NE(listing.find("Title:     T\xC3\xAEtle\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("sub/pic.gif"), std::string::npos);
    EXPECT_NE(listing.find("ShowToolbar=1"), std::string::npos);
    EXPECT_NE(listing.find("Files:     5"), std::string::npos);

    const std::string to = dir / "extracted";
    ASSERT_EQ(Run({"extract", exe, "-d", to}), kExitOk) << err.str();
    EXPECT_TRUE(out.str().empty());
    for (const char* name :
         {"index.html", "about.htm", "sub/page.html", "sub/pic.gif", "style.css"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fakepe::ReadFile(to + "/" + name), fakepe::ReadFile(book + "/" + name));
    }
}

// list --contents: where the contents were found, then one entry a line, two spaces a level,
// the label, a tab, the target (nothing for a heading).
TEST_F(CliTest, ListContentsPrintsTheTree) {
    fakepe::WriteFile(book + "/index.html",
                      "<title>Home</title><nav><ul><li><a href=\"about.htm\">About us</a>"
                      "<li>Part<ul><li><a href=\"sub/page.html#x\">A page</a>"
                      "<li><a href=\"sub/page.html\">Whole</a></ul>"
                      "<li><a href=\"extra.html\">Extra</a></ul></nav>");
    fakepe::WriteFile(book + "/extra.html", "<title>Extra</title>");
    const std::string exe = dir / "out.exe";
    ASSERT_EQ(Run({"build", book, "-o", exe}), kExitOk) << err.str();
    ASSERT_EQ(Run({"list", "--contents", exe}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "contents from index.html (marked nav)\n"
              "Home\tindex.html\n"
              "About us\tabout.htm\n"
              "Part\t\n"
              "  A page\tsub/page.html#x\n"
              "  Whole\tsub/page.html\n"
              "Extra\textra.html\n");
    EXPECT_EQ(Run({"list", "--contents", dir / "none.exe"}), kExitFailure);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CliTest, ExtractStreamsLargePagesAndRefusesDamagedOnes) {
    // Random bytes (packed larger than one read piece) and a long compressible run (unpacked
    // larger than one write piece).
    Bytes large;
    std::mt19937 gen(7);
    for (uint32_t k = 0; k < 200000; ++k)
        large.push_back(static_cast<uint8_t>(gen()));
    large.resize(1500000, 'z');
    fakepe::WriteFile(book + "/sub/large.bin", large);
    const std::string exe = dir / "out.exe";
    ASSERT_EQ(Run({"build", book, "-o", exe}), kExitOk) << err.str();
    const std::string to = dir / "x";
    ASSERT_EQ(Run({"extract", exe, "-d", to}), kExitOk) << err.str();
    EXPECT_EQ(fakepe::ReadFile(to + "/sub/large.bin"), large);

    // Damage the middle of the large page's packed stream.
    uint64_t at = 0;
    {
        CStoreReader store;
        store.Open(exe);
        uint32_t largest = 0;
        for (const auto& item : store.Items()) {
            if (item.wType == 349 && item.dwSize > largest) {
                largest = item.dwSize;
                at = item.qwOffset + item.dwSize / 2;
            }
        }
        ASSERT_GT(largest, 64u * 1024);  // more than one piece of the streamed read
    }
    ASSERT_NE(at, 0u);
    Bytes file = fakepe::ReadFile(exe);
    file[at] ^= 0x55;
    fakepe::WriteFile(exe, file);
    fs::remove_all(to);
    EXPECT_EQ(Run({"extract", exe, "-d", to}), kExitFailure);
    EXPECT_NE(err.str().find("Cannot extract sub/large.bin\n"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(to + "/sub/large.bin"));  // no half-written file
    EXPECT_EQ(fakepe::ReadFile(to + "/index.html"), fakepe::ReadFile(book + "/index.html"));
}

TEST(CliExtractName, OnlyNamesBelowTheFolderAreSafe) {
    const std::pair<const char*, bool> cases[] = {
        {"index.html", true},   {"sub/page.htm", true},  {"a/b/c.d", true},
        {"..hidden", true},     {"a..b/c", true},        {"", false},
        {"..", false},          {"../x", false},         {"a/../../x", false},
        {"a/..", false},        {"/etc/passwd", false},  {"\\x", false},
        {"C:x", false},         {"c:/windows/x", false}, {"a/./b", false},
        {"a//b", false},        {"a/", false},           {"..\\x", false},
        {"a/.. /b", false},     {"a/.../b", false},      {"file.txt:stream", false},
        {"nul", false},         {"sub/CON.txt", false},  {"com1", false},
        {"line\nbreak", false}, {"console.txt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(RelativeNameProblem(c.first).empty(), c.second);
    }
}

TEST_F(CliTest, ExtractRefusesNamesOutsideTheFolder) {
    // An e-book whose file table was crafted to climb out of the extraction folder.
    const std::string exe = dir / "evil.exe";
    fakepe::WriteFile(exe, "stub bytes");
    const std::vector<std::string> names = {"../escape.txt", "/tmp/abs.txt", "C:evil.txt",
                                            "ok/../../up.txt", "fine.txt"};
    Bytes table;
    {
        CResourceUpdater updater;
        updater.Open(exe, false);
        for (size_t k = 0; k < names.size(); ++k) {
            const std::string body = "file " + std::to_string(k);
            const Bytes block =
                PackBlock(reinterpret_cast<const uint8_t*>(body.data()), body.size());
            updater.Update(349, static_cast<int>(k + 1), block.data(),
                           static_cast<uint32_t>(block.size()));
            table.insert(table.end(), names[k].begin(), names[k].end());
            table.push_back(0);
            const uint32_t fields[4] = {static_cast<uint32_t>(k + 1), 0, 0, 0};
            for (uint32_t f : fields)
                for (int s = 0; s < 32; s += 8)
                    table.push_back(static_cast<uint8_t>(f >> s));
        }
        updater.Update(350, 2, table.data(), static_cast<uint32_t>(table.size()));
        updater.Commit();
    }
    const std::string to = dir / "inner/out";
    fs::create_directories(dir / "inner");
    EXPECT_EQ(Run({"extract", exe, "-d", to}), kExitFailure);
    for (size_t k = 0; k + 1 < names.size(); ++k)
        EXPECT_NE(err.str().find("Refused to extract \"" + names[k] + "\""), std::string::npos)
            << err.str();
    EXPECT_EQ(fakepe::ReadFile(to + "/fine.txt"), (Bytes{'f', 'i', 'l', 'e', ' ', '4'}));
    EXPECT_FALSE(fs::exists(dir / "inner/escape.txt"));
    EXPECT_FALSE(fs::exists(dir / "up.txt"));
    EXPECT_FALSE(fs::exists(dir / "inner/up.txt"));
    EXPECT_FALSE(fs::exists("/tmp/abs.txt"));
    // Everything written lies below the folder.
    for (const auto& e : fs::recursive_directory_iterator(dir.Path())) {
        const std::string p = e.path().string();
        EXPECT_TRUE(p.rfind(to, 0) == 0 || p == dir / "evil.exe" || p == dir / "inner" ||
                    p.rfind(book, 0) == 0)
            << p;
    }
}

}  // namespace
