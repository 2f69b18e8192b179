// pagevane-cli's check command, build --check, the home page a folder gets, progress and -q.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "DeepFolders.h"
#include "TempFolder.h"
#include "build_store_decoder.h"
#include "cli/Cli.h"
#include "cli/CliCheck.h"
#include "cli/Progress.h"
#include "LinkCases.h"
#include "icon_fake_pe.h"

namespace {

namespace fs = std::filesystem;

class CliCheckTest : public ::testing::Test {
  protected:
    CliCheckTest() : viewer(fakepe::MakeViewer(0)), stub(viewer.data(), viewer.size()) {}

    int Run(const std::vector<std::string>& args, bool terminal = false) {
        out.str("");
        err.str("");
        return RunCli(args, stub, out, err, terminal);
    }
    void Write(const std::string& name, const std::string& text) {
        fs::create_directories(fs::path(dir / name).parent_path());
        fakepe::WriteFile(dir / name, text);
    }
    // The first name of a built e-book's file table: its home page.
    std::string HomeOf(const std::string& exe) {
        const auto store = storedec::Decode(fakepe::ReadFile(exe));
        return reinterpret_cast<const char*>(store.Find(350, 2)->data.data());
    }
    // The findings on standard output, each without the source's own prefix.
    std::vector<std::string> Findings(const std::string& prefix) {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
        return lines;
    }

    CTempFolder dir;
    std::vector<uint8_t> viewer;
    CMemoryStubSource stub;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliCheckTest, AFolderGetsItsOwnIndexPageAsHome) {
    const struct {
        const char* name;
        std::vector<const char*> files;
        std::vector<std::string> flags;
        const char* home;
    } cases[] = {
        {"index.htm only", {"a.html", "index.htm", "z.html"}, {}, "index.htm"},
        {"any case", {"a.html", "Index.HTML"}, {}, "index.html"},
        {"index before default", {"default.htm", "index.htm"}, {}, "index.htm"},
        {"default.htm before default.html",
         {"a.htm", "default.html", "default.htm"},
         {},
         "default.htm"},
        {"none: folder order", {"b.html", "a.html"}, {}, "a.html"},
        {"only in a sub-folder", {"a.html", "sub/index.html"}, {}, "a.html"},
        {"--home wins", {"a.html", "index.html"}, {"--home", "a.html"}, "a.html"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir / ("site" + std::to_string(++n));
        for (const char* f : c.files)
            Write("site" + std::to_string(n) + "/" + f, "<p>page</p>");
        std::vector<std::string> args = {"build", folder, "-o", dir / "out.exe"};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        ASSERT_EQ(Run(args), kExitOk) << err.str();
        EXPECT_EQ(HomeOf(dir / "out.exe"), c.home);
        const bool chosen = c.flags.empty() &&
                            std::string(c.name).find("none") == std::string::npos &&
                            std::string(c.name).find("sub-folder") == std::string::npos;
        EXPECT_EQ(err.str(), chosen ? std::string("Home page: ") + c.home + "\n" : "");
    }

    // A project file keeps the order it holds, whatever the folder has.
    Write("proj/a.html", "a");
    Write("proj/index.html", "i");
    const std::string project = dir / "p.ebp";
    ASSERT_EQ(Run({"new", dir / "proj", "-o", project, "--home", "a.html"}), kExitOk);
    ASSERT_EQ(Run({"build", project, "-o", dir / "p.exe"}), kExitOk) << err.str();
    EXPECT_EQ(HomeOf(dir / "p.exe"), "a.html");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CliCheckTest, ProgressOnlyOnATerminalAndQuietMeansErrorsOnly) {
    Write("s/index.html", "<p>home</p>");
    Write("s/b.html", "<p>b</p>");
    ASSERT_EQ(Run({"build", dir / "s", "-o", dir / "s.exe"}), kExitOk);
    EXPECT_EQ(err.str().find('\r'), std::string::npos);
    ASSERT_EQ(Run({"extract", dir / "s.exe", "-d", dir / "x"}), kExitOk);
    EXPECT_EQ(err.str(), "");
    ASSERT_EQ(Run({"build", dir / "s", "-o", dir / "s.exe", "-q"}, true), kExitOk);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(Run({"build", dir / "s", "-o", dir / "s.exe", "--splash", dir / "no.bmp", "-q"}),
              kExitFailure);
    EXPECT_EQ(err.str().rfind("Cannot read file ", 0), 0u) << err.str();

    // The line itself: a quarter of a second before the first drawing and between two, the
    // previous line blanked, nothing left behind.
    double now = 0;
    std::ostringstream line;
    {
        CProgressLine progress(line, [&] { return now; });
        const struct {
            double t;
            size_t done;
            uint64_t bytes;
        } steps[] = {{0.1, 1, 0}, {0.3, 9, 5u << 20}, {0.4, 10, 6u << 20}, {0.6, 11, 1u << 20}};
        for (const auto& s : steps) {
            now = s.t;
            progress.Update(s.done, 20, s.bytes);
        }
    }
    EXPECT_EQ(line.str(),
              "\r  9 of 20 files, 5.0 MB\r  11 of 20 files, 1.0 MB\r                        \r");
}

TEST_F(CliCheckTest, ResolvesReferencesAsTheViewerDoes) {
    for (const LinkCase& c : kLinkCases) {
        SCOPED_TRACE(std::string(c.page) + " + " + (c.base ? c.base : "(no base)") + " + " + c.url);
        const std::string base = c.base ? c.base : "";
        const LinkTarget target = ResolveLink(c.page, c.base ? &base : nullptr, c.url);
        EXPECT_EQ(static_cast<int>(target.kind), static_cast<int>(c.kind));
        if (c.kind == LinkKind::inBook) {
            EXPECT_EQ(target.name, c.target);
            EXPECT_EQ(target.fragment, c.fragment ? c.fragment : "");
        } else if (c.kind == LinkKind::outside) {
            EXPECT_EQ(target.url, c.target);
        }
    }

    // The whole check on the same table: a finding exactly where the viewer would look for a
    // file the book does not hold, or would refuse a file: address.
    std::string findingsExpected;
    int n = 0;
    for (const LinkCase& c : kLinkCases) {
        ++n;
        const std::string page = "t" + std::to_string(n) + "/" + c.page;
        std::string html = "<html><head>";
        if (c.base)
            html += std::string("<base href=\"") + c.base + "\">";
        html += std::string("</head><body><a href=\"") + c.url + "\">x</a></body></html>";
        Write("table/" + page, html);
    }
    ASSERT_EQ(Run({"check", dir / "table", "-q"}), kExitFailure);
    const std::string text = out.str();
    n = 0;
    for (const LinkCase& c : kLinkCases) {
        ++n;
        SCOPED_TRACE(c.url);
        const std::string page = "t" + std::to_string(n) + "/" + c.page;
        const std::string at = dir / "table" + "/" + page + ":1: a href ";
        const bool missing = c.kind == LinkKind::inBook && std::string(c.target) != c.page;
        const bool reported = text.find(at) != std::string::npos;
        EXPECT_EQ(reported, missing || c.kind == LinkKind::blocked) << text;
    }
}

TEST_F(CliCheckTest, FindsBrokenReferencesAndUnreachedPagesInEverySource) {
    Write("book/index.html",
          "<html><head><link rel=stylesheet href=\"style.css\"></head><body>\n"
          "<a href=\"ABOUT.HTML\">about</a> <a href=\"missing.html\">gone</a>\n"
          "<a href=\"#top\">top</a> <a href=\"mailto:a@b.c\">mail</a> "
          "<a href=\"http://example.com/x.html\">web</a>\n"
          "<a href=\"sub/page.html#part\">sub</a> <img src=\"pic%20one.png\">\n"
          "<!-- <a href=\"commented.html\"> --><script>var s='<a href=\"script.html\">';</script>"
          "</body></html>");
    Write("book/about.html", "<a href=index.html>back</a>");
    Write("book/style.css", "body {\n  background: url('images/only-by-css.html') }\n");
    Write("book/images/only-by-css.html", "<p>reached through the style sheet</p>");
    Write("book/pic one.png", "png");
    Write("book/sub/page.html",
          "<img src=\"../missing.png\">\n<a href=\"../../outside.html\">out</a>\n"
          "<img srcset=\"gone.gif 1x, ../pic%20one.png 2x\">");
    Write("book/orphan.html", "<p>nobody links here</p>");
    const std::vector<std::string> expected = {
        "index.html:2: a href \"missing.html\": the book holds no file \"missing.html\"",
        "sub/page.html:1: img src \"../missing.png\": the book holds no file \"missing.png\"",
        "sub/page.html:2: a href \"../../outside.html\": the book holds no file \"outside.html\"",
        "sub/page.html:3: img srcset \"gone.gif\": the book holds no file \"sub/gone.gif\"",
        "orphan.html: no link from the home page reaches this page",
    };
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };

    // The folder, a project file of it and the e-book built from it give the same findings.
    const std::string folder = dir / "book";
    EXPECT_EQ(Run({"check", folder}), kExitFailure);
    EXPECT_EQ(sorted(Findings(folder + "/")), sorted(expected)) << out.str();
    EXPECT_NE(err.str().find("4 broken, 1 pages not reached"), std::string::npos) << err.str();

    ASSERT_EQ(Run({"new", folder, "-o", dir / "book.ebp"}), kExitOk);
    EXPECT_EQ(Run({"check", dir / "book.ebp"}), kExitFailure);
    EXPECT_EQ(sorted(Findings(fs::absolute(folder).lexically_normal().string() + "/")),
              sorted(expected));

    // build --check stops at a broken reference and builds nothing.
    EXPECT_EQ(Run({"build", folder, "-o", dir / "book.exe", "--check"}), kExitFailure);
    EXPECT_FALSE(fs::exists(dir / "book.exe"));
    EXPECT_NE(err.str().find("missing.html"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("The e-book was not built"), std::string::npos);

    ASSERT_EQ(Run({"build", folder, "-o", dir / "book.exe"}), kExitOk);
    EXPECT_EQ(Run({"check", dir / "book.exe", "-q"}), kExitFailure);
    EXPECT_EQ(sorted(Findings("")), sorted(expected));
    EXPECT_EQ(err.str(), "");

    // Mended, the same book passes both.
    Write("book/missing.html", "<a href=orphan.html>");
    Write("book/missing.png", "png");
    Write("book/sub/page.html", "<img src=\"../missing.png\">");
    EXPECT_EQ(Run({"check", folder}), kExitOk) << out.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(Run({"build", folder, "-o", dir / "book.exe", "--check"}), kExitOk) << err.str();
}

TEST_F(CliCheckTest, NamesTheEBookCannotHoldAreFindingsButNotFailures) {
    Write("odd/index.html", "<a href=\"A.html\">a</a>");
    Write("odd/A.html", "upper");
    Write("odd/a.html", "lower");
    Write("odd/\xE6\x97\xA5\xE6\x9C\xAC.html", "not in Windows-1252");
    EXPECT_EQ(Run({"check", dir / "odd"}), kExitOk) << out.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("/\xE6\x97\xA5\xE6\x9C\xAC.html: the e-book cannot hold this name "
                        "(characters outside"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find('?'), std::string::npos) << text;
    EXPECT_NE(text.find("differs from it only in case"), std::string::npos) << text;
}

TEST_F(CliCheckTest, NonAsciiNamesReadTheSameInEveryReport) {
    // A page in Windows-1252 and one in UTF-8 name the same file; a broken one shows in UTF-8 on
    // this console, from check and from build --check alike.
    Write("u/index.html", "<meta charset=windows-1252><a href=\"caf\xE9.html\">1</a>");
    Write("u/caf\xC3\xA9.html", "<a href=\"na\xC3\xAFve.html\">2</a>");
    const std::string finding =
        "caf\xC3\xA9.html:1: a href \"na\xC3\xAFve.html\": the book holds no file "
        "\"na\xC3\xAFve.html\"\n";
    EXPECT_EQ(Run({"check", dir / "u", "-q"}), kExitFailure);
    EXPECT_EQ(out.str(), dir / "u" + "/" + finding);
    EXPECT_EQ(Run({"build", dir / "u", "-o", dir / "u.exe", "--check", "-q"}), kExitFailure);
    EXPECT_EQ(err.str().rfind(dir / "u" + "/" + finding, 0), 0u) << err.str();
}

TEST_F(CliCheckTest, ReportsRefreshesFileLinksEscapesAndBrokenBytesAsTheViewerReadsThem) {
    Write("v/index.html",
          "<meta charset=utf-8><meta http-equiv=refresh content=\"3; url=gone.html\">\n"
          "<a href=\"file:///c:/private/notes.txt\">notes</a>\n"
          "<a href=\"caf\xE9.html\">stray byte</a> <a href=\"caf\xC3\xA9.html\">good</a>\n"
          "<a href=\"../index.html\">root</a>\n"
          "<style>p { background: url(\\69mg.png) } q { background: url(\\6dissing.png) }</style>");
    Write("v/caf\xC3\xA9.html", "<p>caf\xC3\xA9</p>");
    Write("v/img.png", "png");
    EXPECT_EQ(Run({"check", dir / "v", "-q"}), kExitFailure);
    const std::string prefix = dir / "v" + "/index.html:";
    EXPECT_EQ(Findings(prefix),
              (std::vector<std::string>{
                  "1: meta refresh \"gone.html\": the book holds no file \"gone.html\"",
                  "2: a href \"file:///c:/private/notes.txt\" names a file of the reader's own "
                  "disk, which the viewer never opens",
                  "3: a href \"caf\xEF\xBF\xBD.html\": the book holds no file "
                  "\"caf\xEF\xBF\xBD.html\"",
                  "5: url() \"missing.png\": the book holds no file \"missing.png\""}))
        << out.str();
}

// A page longer than the viewer reads is left out of the book with one message, as a page whose
// path is too long to open is: build goes on with the rest (exit 0), and check names it and the
// references to it that the book cannot follow (the file is sparse: nothing is written).
TEST_F(CliCheckTest, APageLongerThanTheViewerReadsIsLeftOutWithOneMessage) {
    Write("big/index.html", "<a href=huge.html>x</a>");
    Write("big/huge.html", "");
    fs::resize_file(dir / "big/huge.html", 0x80000000ull);
    {
        // With a folder too deep to open beside it, build says both in the one message.
        CDeepFolders deep(dir / "big", std::string(250, 'd'), 17, {});
        ASSERT_TRUE(deep.ok());
        EXPECT_EQ(Run({"build", dir / "big", "-o", dir / "big.exe"}), kExitOk) << err.str();
        EXPECT_NE(err.str().find("left out because their full path is longer"), std::string::npos)
            << err.str();
        EXPECT_NE(err.str().find("left out because they are longer than"), std::string::npos)
            << err.str();
        EXPECT_EQ(err.str().find("Cannot read"), std::string::npos) << err.str();
    }
    EXPECT_EQ(Run({"check", dir / "big", "-q"}), kExitFailure);
    EXPECT_EQ(out.str(), dir / "big" +
                             "/huge.html: left out, it holds 2147483648 bytes; the viewer reads at "
                             "most 2147483647 bytes (2 GiB less one) of a file\n" +
                             dir / "big" +
                             "/index.html:1: a href \"huge.html\": the book holds no file "
                             "\"huge.html\"\n");
    EXPECT_EQ(Run({"build", dir / "big", "-o", dir / "big.exe"}), kExitOk) << err.str();
    EXPECT_EQ(err.str().find("Cannot read file"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("left out because they are longer than the 2147483647 bytes"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("\nhuge.html (2147483648 bytes)"), std::string::npos) << err.str();
    ASSERT_TRUE(fs::exists(dir / "big.exe"));
    const auto store = storedec::Decode(fakepe::ReadFile(dir / "big.exe"));
    EXPECT_EQ(store.Find(350, 2)->data.size(), std::string("index.html").size() + 17);
}

TEST_F(CliCheckTest, TheSampleBookIsClean) {
    EXPECT_EQ(Run({"check", std::string(PV_SOURCE_DIR) + "/examples/lighthouses"}), kExitOk);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("nothing to report"), std::string::npos) << err.str();
}

TEST_F(CliCheckTest, VersionNamesTheProgram) {
    EXPECT_EQ(Run({"--version"}), kExitOk);
    EXPECT_EQ(out.str(), "pagevane-cli (Pagevane) 1.0\n");
}

}  // namespace
