// The command line against a careless user and a hostile e-book: no user file is overwritten by a
// build or an extract that should not touch it, links already in place are never written through,
// and text taken from an e-book cannot steer the terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ScriptedUi.h"
#include "TempFolder.h"
#include "book/Book.h"
#include "cli/Cli.h"
#include "cli/ConsoleUi.h"
#include "format/BookLayout.h"
#include "format/PackedBlock.h"
#include "compiler/BuildEBook.h"
#include "compiler/ResourceUpdater.h"
#include "platform/ReplaceFile.h"
#include "icon_fake_pe.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

std::string Text(const std::string& path) {
    const Bytes bytes = fakepe::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

Bytes Packed(const std::string& text) {
    return PackBlock(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

class CliSafetyTest : public ::testing::Test {
  protected:
    CliSafetyTest() : viewer(fakepe::MakeViewer(0)), stub(viewer.data(), viewer.size()) {}

    void SetUp() override {
        site = dir / "site";
        fs::create_directories(site);
        fakepe::WriteFile(site + "/index.html", "<html>home</html>");
        fakepe::WriteFile(site + "/pic.bmp", "BM user's picture");
    }

    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunCli(args, stub, out, err);
    }

    // An e-book of the given records: each names a page item, whose packed bytes are given
    // (an empty block stands for a damaged one), and an optional title.
    std::string Craft(const std::vector<std::pair<std::string, uint32_t>>& records,
                      const std::vector<Bytes>& pages, const std::string& title = "") {
        const std::string exe = dir / "crafted.exe";
        fakepe::WriteFile(exe, viewer);
        CResourceUpdater updater;
        updater.Open(exe, false);
        for (size_t k = 0; k < pages.size(); ++k)
            updater.Update(kPageResourceType, static_cast<int>(k + 1), pages[k].data(),
                           static_cast<uint32_t>(pages[k].size()));
        Bytes table;
        for (const auto& r : records) {
            FileTableRecord record;
            record.strName = r.first;
            record.dwPage = r.second;
            AppendFileTableRecord(table, record);
        }
        updater.Update(kBookResourceType, kFileTableId, table.data(),
                       static_cast<uint32_t>(table.size()));
        if (!title.empty())
            updater.Update(kBookResourceType, kTitleId, title.c_str(),
                           static_cast<uint32_t>(title.size() + 1));
        updater.Commit();
        return exe;
    }

    CTempFolder dir;
    std::string site;
    Bytes viewer;
    CMemoryStubSource stub;
    std::ostringstream out;
    std::ostringstream err;
};

// Building onto one of the book's own inputs is refused before anything is written.
TEST_F(CliSafetyTest, BuildRefusesToOverwriteItsOwnInputs) {
    const std::string project = dir / "p.ebp";
    ASSERT_EQ(Run({"new", site, "-o", project}), kExitOk) << err.str();
    const Bytes projectBytes = fakepe::ReadFile(project);
    const std::vector<std::vector<std::string>> cases = {
        {"build", site, "-o", site + "/index.html"},
        {"build", site, "--splash", site + "/pic.bmp", "-o", site + "/pic.bmp"},
        {"build", project, "-o", project},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.back());
        EXPECT_EQ(Run(c), kExitFailure);
        EXPECT_NE(err.str().find("Cannot save E-Book file:\n"), std::string::npos) << err.str();
    }
    EXPECT_EQ(Text(site + "/index.html"), "<html>home</html>");
    EXPECT_EQ(Text(site + "/pic.bmp"), "BM user's picture");
    EXPECT_EQ(fakepe::ReadFile(project), projectBytes);
}

// A rebuild that fails keeps the good e-book; one saved inside its own site is left out of the
// next build, which therefore succeeds every time.
TEST_F(CliSafetyTest, RebuildsKeepTheGoodEBook) {
    const std::string exe = site + "/book.exe";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Run({"build", site, "-o", exe}), kExitOk) << err.str();
        ASSERT_EQ(Run({"list", exe}), kExitOk) << err.str();
        EXPECT_EQ(out.str().find("book.exe"), std::string::npos) << out.str();
        EXPECT_NE(out.str().find("Files:     2"), std::string::npos) << out.str();
    }
    const Bytes good = fakepe::ReadFile(exe);
    ASSERT_EQ(mkfifo((site + "/pipe").c_str(), 0600), 0);
    EXPECT_EQ(Run({"build", site, "-o", exe}), kExitFailure);
    EXPECT_EQ(fakepe::ReadFile(exe), good);
    for (const auto& e : fs::directory_iterator(site))
        EXPECT_FALSE(IsPrivateFolderName(e.path().filename().string())) << e.path();
}

// Links already in the target folder are never followed: a link to a folder is refused, a link
// in a file's place is replaced by the file; nothing outside the folder changes.
TEST_F(CliSafetyTest, ExtractNeverWritesThroughALinkAlreadyThere) {
    const std::string exe = Craft({{"index.html", 1}, {"sub/page.html", 2}},
                                  {Packed("<p>from the book</p>"), Packed("<p>page</p>")});
    const std::string to = dir / "to";
    fs::create_directories(to);
    fs::create_directories(dir / "elsewhere");
    fakepe::WriteFile(dir / "victim.txt", "victim");
    fs::create_directory_symlink(dir / "elsewhere", to + "/sub");
    fs::create_symlink("../victim.txt", to + "/index.html");

    EXPECT_EQ(Run({"extract", exe, "-d", to}), kExitFailure);
    EXPECT_NE(err.str().find(to + "/sub is a link"), std::string::npos) << err.str();
    EXPECT_EQ(Text(dir / "victim.txt"), "victim");
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_FALSE(fs::is_symlink(to + "/index.html"));
    EXPECT_EQ(Text(to + "/index.html"), "<p>from the book</p>");
}

// A page that does not unpack leaves the file already there, and a good first copy of a name
// survives a damaged second one.
TEST_F(CliSafetyTest, ExtractReplacesAFileOnlyWithACompleteOne) {
    Bytes damaged = Packed("<p>this page is long enough to be cut</p>");
    damaged.resize(damaged.size() - 6);
    const std::string exe = Craft({{"mine.html", 1}, {"twice.html", 2}, {"twice.html", 3}},
                                  {damaged, Packed("<p>good</p>"), damaged});
    const std::string to = dir / "to";
    fs::create_directories(to);
    fakepe::WriteFile(to + "/mine.html", "my own work");
    chmod((to + "/mine.html").c_str(), 0600);

    EXPECT_EQ(Run({"extract", exe, "-d", to}), kExitFailure);
    EXPECT_EQ(Text(to + "/mine.html"), "my own work");
    EXPECT_EQ(Text(to + "/twice.html"), "<p>good</p>");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(to))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"mine.html", "twice.html"}));
}

// One page named many times would be unpacked, indexed and checked once per name: every reader
// refuses such a table whole, with the same words.
TEST_F(CliSafetyTest, EveryReaderRefusesATableThatNamesOnePageTwice) {
    std::vector<std::pair<std::string, uint32_t>> records;
    for (int k = 0; k < 8; ++k)
        records.push_back({"copy" + std::to_string(k) + ".html", 1});
    const std::string exe = Craft(records, {Packed(std::string(100000, 'x'))});
    const std::string problem = "Its file table names page 1 more than once (again in record 2).";
    const std::string to = dir / "to";
    EXPECT_EQ(Run({"extract", exe, "-d", to}), kExitFailure);
    EXPECT_NE(err.str().find(problem), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(to));
    for (const char* command : {"list", "check"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Run({command, exe}), kExitFailure);
        EXPECT_NE(err.str().find(problem), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    // The viewer's reader, which its search index and contents read through.
    CBook book;
    EXPECT_FALSE(book.Open(exe));
    EXPECT_NE(book.GetErrorText().find(problem), std::string::npos) << book.GetErrorText();
}

// Control characters from an e-book reach the terminal written out, never as commands.
TEST_F(CliSafetyTest, ListShowsControlCharactersEscaped) {
    const std::string exe =
        Craft({{"a\x1B[2J.html", 1}}, {Packed("x")}, "T\x1B]52;c;SGk=\x07 \rX\x7F\x9B\x9D\tend");
    ASSERT_EQ(Run({"list", exe}), kExitOk) << err.str();
    const std::string listing = out.str();
    EXPECT_NE(listing.find("Title:     T\\x1B]52;c;SGk=\\x07 \\rX\\x7F\\x9B\\x9D\tend\n"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("a\\x1B[2J.html"), std::string::npos) << listing;
    for (char c : listing) {
        const unsigned char u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 || c == '\n' || c == '\t') << static_cast<int>(u);
    }
    EXPECT_EQ(EscapeControls(std::string("\x01\x1F ~\x80\xE9", 6)), "\\x01\\x1F ~\x80\xE9");
    // Addresses read from pages are UTF-8: the C1 controls are two bytes there.
    EXPECT_EQ(EscapeUtf8Controls("a\x1B\xC2\x9B\xC3\xA9\r"), "a\\x1B\\x9B\xC3\xA9\\r");
}

// A trailer that points into the viewer program, or a file that is nothing but a trailer, is a
// damaged e-book, not an empty one.
TEST_F(CliSafetyTest, TrailersOutsideTheirStoreAreDamaged) {
    Bytes intoViewer = viewer;
    for (uint8_t b : {0, 0, 0, 0, 0x4B, 0x47})
        intoViewer.push_back(b);
    const std::pair<const char*, Bytes> cases[] = {
        {"into the viewer", intoViewer},
        {"only a trailer", Bytes{0, 0, 0, 0, 0x4B, 0x47}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string exe = dir / "damaged.exe";
        fakepe::WriteFile(exe, c.second);
        EXPECT_EQ(Run({"list", exe}), kExitFailure);
        EXPECT_NE(err.str().find("has a bad format"), std::string::npos) << err.str();
        EXPECT_EQ(Run({"extract", exe, "-d", dir / "to"}), kExitFailure);
    }
}

// Files of the author's whose names look like temporary files of earlier versions are written by
// extract and packed by a build into their own folder, and never deleted by the saves around
// them.
TEST_F(CliSafetyTest, FilesNamedLikeTemporaryFilesAreTheAuthorsLikeAnyOther) {
    const std::string exe = Craft(
        {{"~pv0123abcd.tmp", 1}, {"page.html", 2}, {"sub/~pv00000001.tmp", 3}, {"sub/b.html", 4}},
        {Packed("first"), Packed("second"), Packed("third"), Packed("fourth")});
    const std::string to = dir / "to";
    ASSERT_EQ(Run({"extract", exe, "-d", to}), kExitOk) << err.str();
    EXPECT_EQ(Text(to + "/~pv0123abcd.tmp"), "first");
    EXPECT_EQ(Text(to + "/page.html"), "second");
    EXPECT_EQ(Text(to + "/sub/~pv00000001.tmp"), "third");
    EXPECT_EQ(Text(to + "/sub/b.html"), "fourth");

    fakepe::WriteFile(site + "/~pv0123abcd.tmp", "the author's");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Run({"build", site, "-o", site + "/book.exe"}), kExitOk) << err.str();
        EXPECT_EQ(Text(site + "/~pv0123abcd.tmp"), "the author's");
        ASSERT_EQ(Run({"list", site + "/book.exe"}), kExitOk) << err.str();
        EXPECT_NE(out.str().find("Files:     3\n"), std::string::npos) << out.str();
        EXPECT_NE(out.str().find("~pv0123abcd.tmp"), std::string::npos) << out.str();
    }
}

// Extracting many files into one folder opens that folder itself no more than once in all: a save
// that looked through its whole folder for each file made extract quadratic in the files of a
// folder.
TEST_F(CliSafetyTest, ExtractLooksAtAFolderOnceAtMost) {
    const int kFiles = 200;
    std::vector<std::pair<std::string, uint32_t>> records;
    std::vector<Bytes> pages;
    for (int k = 0; k < kFiles; ++k) {
        records.push_back({"sub/f" + std::to_string(k) + ".html", static_cast<uint32_t>(k + 1)});
        pages.push_back(Packed("<p>" + std::to_string(k) + "</p>"));
    }
    const std::string exe = Craft(records, pages);
    const std::string to = dir / "to";
    fs::create_directories(to + "/sub");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // The files arriving are watched too: the kernel merges identical events that follow each
    // other, and a file moved in between keeps the folder's openings apart.
    ASSERT_GE(inotify_add_watch(watch, (to + "/sub").c_str(), IN_OPEN | IN_MOVED_TO), 0);
    ASSERT_EQ(Run({"extract", exe, "-d", to}), kExitOk) << err.str();
    // Events about the watched folder itself carry no name; IN_ISDIR says it was opened as a
    // folder (listed).
    int listings = 0;
    int arrivals = 0;
    alignas(inotify_event) char buffer[65536];
    ssize_t n = 0;
    while ((n = read(watch, buffer, sizeof buffer)) > 0) {
        for (char* p = buffer; p < buffer + n;) {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(p);
            if ((e->mask & IN_OPEN) && (e->mask & IN_ISDIR) && e->len == 0)
                ++listings;
            if (e->mask & IN_MOVED_TO)
                ++arrivals;
            p += sizeof(inotify_event) + e->len;
        }
    }
    close(watch);
    EXPECT_LE(listings, 1);
    EXPECT_EQ(arrivals, kFiles);
    EXPECT_EQ(Text(to + "/sub/f" + std::to_string(kFiles - 1) + ".html"),
              "<p>" + std::to_string(kFiles - 1) + "</p>");
}

// A build into the book's own folder killed outright (kill -9, here while it files its pages)
// leaves a hidden private folder, which the next builds neither read as pages nor trip over.
TEST_F(CliSafetyTest, ABuildKilledOutrightDoesNotBreakTheNext) {
    const std::string exe = site + "/book.exe";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        // Stops for good at the first page it files, once the e-book's file exists.
        struct StoppingUi : ScriptedUi {
            int fd = -1;
            void ShowProgress(size_t, size_t, uint64_t) override {
                if (write(fd, "p", 1) != 1)
                    _exit(1);
                for (;;)
                    pause();
            }
        } stopping;
        stopping.fd = ready[1];
        CBookProject project;
        project.m_strProjectDir = site;
        for (const char* name : {"index.html", "pic.bmp"}) {
            auto page = std::make_unique<CPieceElem>();
            page->m_strFile = name;
            project.AddPage(std::move(page));
        }
        BuildEBook(project, exe, stopping, stub, {kMaxEBookSize, 1});
        _exit(1);
    }
    close(ready[1]);
    char c = 0;
    const bool stopped = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(stopped) << "the build ended before it filed a page";
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(site)) {
        if (IsPrivateFolderName(e.path().filename().string()))
            left.push_back(e.path().filename().string());
    }
    ASSERT_EQ(left.size(), 1u);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Run({"build", site, "-o", exe}), kExitOk) << err.str();
        ASSERT_EQ(Run({"list", exe}), kExitOk) << err.str();
        EXPECT_NE(out.str().find("Files:     2\n"), std::string::npos) << out.str();
        EXPECT_EQ(out.str().find(".pv"), std::string::npos) << out.str();
    }
    EXPECT_TRUE(fs::exists(site + "/" + left[0]));
}

}  // namespace
