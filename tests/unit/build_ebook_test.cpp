#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <filesystem>
#include <random>

#include "TempFolder.h"
#include "ScriptedUi.h"
#include "build_store_decoder.h"
#include "compiler/BuildEBook.h"
#include "compiler/IconReplace.h"
#include "format/PackedBlock.h"
#include "icon_fake_pe.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Str(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

void Le32(Bytes& b, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// Inflates a packed block with zlib directly; checks the announced length.
Bytes Inflate(const Bytes& block) {
    EXPECT_GE(block.size(), 4u);
    const uLong n = block[0] | (block[1] << 8) | (block[2] << 16) | (uLong(block[3]) << 24);
    Bytes out(n + 1);
    uLongf outLen = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &outLen, block.data() + 4, block.size() - 4), Z_OK);
    EXPECT_EQ(outLen, n);
    out.resize(outLen);
    return out;
}

class BuildEBookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stubBytes = Str("MZ-this-stands-for-the-viewer");
        stubBytes.resize(333, 0xCC);
        fakepe::WriteFile(dir / "index.htm", "<html>home</html>");
        std::filesystem::create_directories(dir / "pics");
        std::filesystem::create_directories(dir / "sub");
        fakepe::WriteFile(dir / "pics/logo.gif", "GIF89a...");
        Bytes big;
        for (int k = 0; k < 50000; ++k)
            big.push_back(static_cast<uint8_t>((k * 7919) >> 3));
        fakepe::WriteFile(dir / "sub/page.htm", big);
        fakepe::WriteFile(dir / "empty.txt", Bytes());
        fakepe::WriteFile(dir / "splash.bmp", "BM splash bytes");
        project.m_strProjectDir = dir.Path();
        project.m_strEBookFile = dir / "out.exe";
        AddPage("index.htm", 1, 1, 1);
        AddPage("pics\\logo.gif", 0, 0, 0);
        AddPage("sub\\page.htm", 1, 1, 0);
        AddPage("empty.txt", 0, 1, 0);
        project.m_strTitle = "A Title";
        project.m_strAuthor = "Ann Author";
        project.m_strCopyright = "Copyright (C) 2026 Nobody";
        project.m_strUrl = "http://example.invalid/";
        project.m_strEMail = "ann@example.invalid";
        project.m_strAboutInfo = "About\r\nthis book \xE9";
    }
    void TearDown() override { ClearFileFaults(); }

    void AddPage(const std::string& name, int seq, int inProject, int search) {
        auto e = std::make_unique<CPieceElem>();
        e->m_strFile = name;
        e->m_bInSequence = seq;
        e->m_bInProject = inProject;
        e->m_bInSearch = search;
        project.AddPage(std::move(e));
    }
    int Build() {
        CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
        return BuildEBook(project, project.m_strEBookFile, ui, stub);
    }
    Bytes Output() const { return fakepe::ReadFile(project.m_strEBookFile); }
    bool OutputExists() const { return std::filesystem::exists(project.m_strEBookFile); }

  public:
    CTempFolder dir;
    CBookProject project;
    ScriptedUi ui;
    Bytes stubBytes;
};

TEST_F(BuildEBookTest, WritesEveryItemInOrder) {
    project.m_strSplashFile = dir / "splash.bmp";
    project.m_bSearchButton = 1;
    project.m_bExitButton = 0;
    ASSERT_EQ(Build(), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_GT(ui.waitCalls, 0);

    const Bytes file = Output();
    ASSERT_TRUE(std::equal(stubBytes.begin(), stubBytes.end(), file.begin()));
    const storedec::Store store = storedec::Decode(file);
    EXPECT_EQ(store.base, stubBytes.size());

    std::vector<std::pair<int, int>> order;
    for (const auto& i : store.items)
        order.emplace_back(i.type, i.id);
    const std::vector<std::pair<int, int>> expected = {
        {349, 1}, {349, 3}, {349, 4}, {350, 2},  {350, 15}, {350, 3}, {350, 6},
        {350, 7}, {350, 8}, {350, 9}, {350, 10}, {350, 12}, {350, 14}};
    EXPECT_EQ(order, expected);

    // Packed pages inflate to the files; the excluded entry left a gap.
    EXPECT_EQ(Inflate(store.Find(349, 1)->data), Str("<html>home</html>"));
    EXPECT_EQ(Inflate(store.Find(349, 3)->data), fakepe::ReadFile(dir / "sub/page.htm"));
    EXPECT_EQ(Inflate(store.Find(349, 4)->data), Bytes());
    EXPECT_EQ(Inflate(store.Find(350, 15)->data), Str("BM splash bytes"));

    Bytes table;
    auto record = [&](const std::string& name, uint32_t number, uint32_t seq, uint32_t search) {
        table.insert(table.end(), name.begin(), name.end());
        table.push_back(0);
        Le32(table, number);
        Le32(table, seq);
        Le32(table, 0);
        Le32(table, search);
    };
    record("index.htm", 1, 1, 1);
    record("sub/page.htm", 3, 1, 0);
    record("empty.txt", 4, 0, 0);
    EXPECT_EQ(store.Find(350, 2)->data, table);
    EXPECT_EQ(table.size(), 26u + 29u + 26u);

    const Bytes settings = store.Find(350, 3)->data;
    ASSERT_EQ(settings.size(), 76u);
    const uint32_t expectSettings[19] = {0, 1, 0, 1, 0, 0, 0, 0, 1, 1, 1, 0, 1, 1, 0, 1, 1, 0, 0};
    for (int k = 0; k < 19; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(fakepe::Get32(settings, 4 * k), expectSettings[k]);
    }

    auto text = [](const std::string& s) {
        Bytes b = Str(s);
        b.push_back(0);
        return b;
    };
    EXPECT_EQ(store.Find(350, 6)->data, text("A Title"));
    EXPECT_EQ(store.Find(350, 7)->data, text("Ann Author"));
    EXPECT_EQ(store.Find(350, 8)->data, text("Copyright (C) 2026 Nobody"));
    EXPECT_EQ(store.Find(350, 9)->data, text("http://example.invalid/"));
    EXPECT_EQ(store.Find(350, 10)->data, text("ann@example.invalid"));
    EXPECT_EQ(store.Find(350, 12)->data, text("About\r\nthis book \xE9"));
    EXPECT_EQ(store.Find(350, 14)->data, Str(std::string("EBOOK", 6)));
}

TEST_F(BuildEBookTest, NoIncludedPageAndEmptyTexts) {
    for (auto& page : project.m_arrPages)
        page->m_bInProject = 0;
    project.m_strTitle.clear();
    project.m_strAuthor.clear();
    project.m_strCopyright.clear();
    project.m_strUrl.clear();
    project.m_strEMail.clear();
    project.m_strAboutInfo.clear();
    ASSERT_EQ(Build(), 1);
    const storedec::Store store = storedec::Decode(Output());
    std::vector<int> ids;
    for (const auto& i : store.items) {
        EXPECT_EQ(i.type, 350);
        ids.push_back(i.id);
        if (i.id >= 6 && i.id <= 12) {
            EXPECT_EQ(i.data, Bytes{0});
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{3, 6, 7, 8, 9, 10, 12, 14}));
}

TEST_F(BuildEBookTest, RebuildingOverAnOldEBookStartsFromTheStub) {
    project.m_strSplashFile = dir / "splash.bmp";
    ASSERT_EQ(Build(), 1);
    const Bytes first = Output();
    // A smaller book onto the same path: nothing of the old store survives.
    project.m_strSplashFile.clear();
    project.m_arrPages[2]->m_bInProject = 0;
    ASSERT_EQ(Build(), 1);
    const Bytes second = Output();
    EXPECT_LT(second.size(), first.size());
    const storedec::Store store = storedec::Decode(second);
    EXPECT_EQ(store.base, stubBytes.size());
    EXPECT_EQ(store.Find(350, 15), nullptr);
    EXPECT_EQ(store.Find(349, 3), nullptr);
    // And the same project gives the same bytes.
    ASSERT_EQ(Build(), 1);
    EXPECT_EQ(Output(), second);
}

// Failures: the right prefix, file and cause; the half-built e-book is gone, except when the
// output itself could not be written.
TEST_F(BuildEBookTest, FailuresNameTheFileAndCleanUp) {
    struct Case {
        const char* name;
        std::function<void(BuildEBookTest&)> arrange;
        std::string (*expected)(const BuildEBookTest&);
        bool outputRemains;
    };
    const Case cases[] = {
        {"missing page", [](BuildEBookTest& t) { std::filesystem::remove(t.dir / "sub/page.htm"); },
         [](const BuildEBookTest& t) {
             const std::string p = t.dir.Path() + "\\sub\\page.htm";
             return "Cannot read file " + p + "\n" + p + " was not found.";
         },
         false},
        {"missing splash",
         [](BuildEBookTest& t) { t.project.m_strSplashFile = t.dir / "nosplash.bmp"; },
         [](const BuildEBookTest& t) {
             const std::string p = t.dir / "nosplash.bmp";
             return "Cannot read file " + p + "\n" + p + " was not found.";
         },
         false},
        // The first failure in the order the build reads its files: the pages, then the splash.
        {"missing page and missing splash",
         [](BuildEBookTest& t) {
             std::filesystem::remove(t.dir / "sub/page.htm");
             t.project.m_strSplashFile = t.dir / "nosplash.bmp";
         },
         [](const BuildEBookTest& t) {
             const std::string p = t.dir.Path() + "\\sub\\page.htm";
             return "Cannot read file " + p + "\n" + p + " was not found.";
         },
         false},
        {"the output is one of the pages",
         [](BuildEBookTest& t) { t.project.m_strEBookFile = t.dir / "index.htm"; },
         [](const BuildEBookTest& t) {
             return "Cannot save E-Book file:\n" + t.project.m_strEBookFile + " is the file " +
                    t.dir.Path() + "\\index.htm of the book; the e-book would overwrite it. " +
                    "Choose another name for the e-book.";
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuildEBookTest& t = *this;
        ui.messages.clear();
        project.m_strSplashFile.clear();
        project.m_strEBookFile = dir / "out.exe";
        fakepe::WriteFile(dir / "sub/page.htm", "<p>page</p>");
        std::filesystem::remove(project.m_strEBookFile);
        c.arrange(t);
        EXPECT_EQ(Build(), 0);
        ClearFileFaults();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.expected(t));
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
        EXPECT_EQ(ui.waitDepth, 0);
        if (!c.outputRemains) {
            EXPECT_FALSE(OutputExists());
        }
        EXPECT_EQ(fakepe::ReadFile(dir / "index.htm"), Str("<html>home</html>"));
        // Every file was closed: an exclusive open of the page and the output succeeds.
        if (!std::filesystem::exists(dir / "index.htm"))
            fakepe::WriteFile(dir / "index.htm", "<html>home</html>");
        CFile check;
        EXPECT_NO_THROW(check.Open(dir / "index.htm", CFile::modeReadWrite));
    }
}

// Every open, read and write of a build made to fail in turn: the message names the file whose
// operation failed (in the prefix and in the description alike), and only a failure while writing
// the viewer leaves the output behind.
TEST_F(BuildEBookTest, EveryFileOperationCanFail) {
    project.m_strSplashFile = dir / "splash.bmp";
    const std::pair<FileFaultOp, CFileException::Cause> kinds[] = {
        {FileFaultOp::open, CFileException::accessDenied},
        {FileFaultOp::read, CFileException::hardIO},
        {FileFaultOp::write, CFileException::diskFull},
    };
    for (const auto& kind : kinds) {
        int failures = 0;
        for (int n = 1; n < 200; ++n) {
            SCOPED_TRACE(testing::Message()
                         << "operation " << static_cast<int>(kind.first) << " number " << n);
            ui.messages.clear();
            std::filesystem::remove(project.m_strEBookFile);
            SetFileFault(kind.first, n, kind.second);
            const int result = Build();
            ClearFileFaults();
            if (result == 1) {
                EXPECT_TRUE(ui.messages.empty());
                break;
            }
            ++failures;
            ASSERT_EQ(ui.messages.size(), 1u);
            const std::string& text = ui.messages[0].text;
            const CFileException expected(kind.second, "");
            if (text.rfind("Cannot save E-Book file:\n", 0) == 0) {
                EXPECT_EQ(
                    text,
                    "Cannot save E-Book file:\n" +
                        CFileException(kind.second, project.m_strEBookFile).GetErrorMessage());
                continue;
            }
            ASSERT_EQ(text.rfind("Cannot read file ", 0), 0u) << text;
            const size_t lf = text.find('\n');
            ASSERT_NE(lf, std::string::npos);
            const std::string path = text.substr(17, lf - 17);
            EXPECT_EQ(text.substr(lf + 1), CFileException(kind.second, path).GetErrorMessage());
            EXPECT_FALSE(OutputExists()) << text;
        }
        EXPECT_GT(failures, 2);
    }
}

// The scan keeps names in lower case; on a file system that tells cases apart the page must still
// be found, as Windows finds it.
TEST_F(BuildEBookTest, FindsPagesWhoseNamesDifferInCase) {
    std::filesystem::rename(dir / "sub", dir / "Sub");
    std::filesystem::rename(dir / "Sub/page.htm", dir / "Sub/Page.HTM");
    ASSERT_EQ(Build(), 1) << (ui.messages.empty() ? "" : ui.messages[0].text);
    const storedec::Store store = storedec::Decode(Output());
    EXPECT_EQ(Inflate(store.Find(349, 3)->data), fakepe::ReadFile(dir / "Sub/Page.HTM"));
}

TEST_F(BuildEBookTest, RefusesMorePagesThanIdsBeforeWritingAnything) {
    while (project.GetPageCount() <= kMaxPageEntries)
        AddPage("x.htm", 1, 0, 0);
    EXPECT_EQ(Build(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("65536"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("65535"), std::string::npos);
    EXPECT_FALSE(OutputExists());
    // 65,535 entries are fine.
    project.RemovePage(project.GetPageCount() - 1);
    ui.messages.clear();
    EXPECT_EQ(Build(), 1);
    EXPECT_TRUE(ui.messages.empty());
}

// The viewer reads at most 2 GiB less one byte of a file: a longer page is refused, named with
// its length and the limit, before it is read (the files are sparse: nothing is written).
TEST_F(BuildEBookTest, RefusesAPageLongerThanTheViewerReads) {
    for (const uint64_t length : {0x80000000ull, 0xC0000000ull, 0x100000000ull}) {
        SCOPED_TRACE(length);
        {
            CFile huge;
            huge.Open(dir / "sub/page.htm", CFile::modeCreate | CFile::modeWrite);
            huge.SetLength(length);
        }
        ui.messages.clear();
        EXPECT_EQ(Build(), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        const std::string p = dir.Path() + "\\sub\\page.htm";
        EXPECT_EQ(ui.messages[0].text, "Cannot read file " + p + "\n" + p + " holds " +
                                           std::to_string(length) +
                                           " bytes; the viewer reads at most 2147483647 bytes "
                                           "(2 GiB less one) of a file.");
        EXPECT_FALSE(OutputExists());
    }
}

// A page longer than the streaming length is packed in chunks as it is read, one of exactly that
// length whole (the length set small here, as a test can set it): both make the block the
// whole-page packing makes, byte for byte, with one packing thread or several.
TEST_F(BuildEBookTest, ALongPageStreamsToTheSameBlock) {
    const uint64_t streamLength = 3u << 19;  // one and a half of the packer's 1 MiB chunks
    for (const uint64_t length : {streamLength, streamLength + 1}) {
        Bytes page(static_cast<size_t>(length));
        std::mt19937 gen(11);
        for (size_t i = 0; i < page.size(); ++i)
            page[i] =
                i % 5 ? static_cast<uint8_t>("a long page "[i % 12]) : static_cast<uint8_t>(gen());
        fakepe::WriteFile(dir / "sub/page.htm", page);
        const Bytes expected = PackBlock(page.data(), page.size());
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(length) + " bytes, " + std::to_string(threads) +
                         " threads");
            CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
            std::atomic<size_t> streamed{0};
            ASSERT_EQ(BuildEBook(project, project.m_strEBookFile, ui, stub,
                                 {kMaxEBookSize, threads, streamLength, &streamed}),
                      1);
            EXPECT_EQ(streamed.load(), length > streamLength ? 1u : 0u);
            const storedec::Store store = storedec::Decode(Output());
            ASSERT_NE(store.Find(349, 3), nullptr);
            EXPECT_TRUE(store.Find(349, 3)->data == expected);
        }
    }
}

// A splash picture larger than the viewer shows is refused before it is packed, naming the file,
// its size and the limit: one whose header claims 16384 x 16384 pixels (a few bytes
// only) and one whose file is longer than the limit (sparse). The largest allowed are built.
TEST_F(BuildEBookTest, RefusesASplashLargerThanTheViewerShows) {
    auto header = [](uint32_t width, int32_t height) {
        std::string h = "BM";
        for (uint32_t v : {54u, 0u, 54u, 40u, width, static_cast<uint32_t>(height)})
            for (int i = 0; i < 4; ++i)
                h += static_cast<char>((v >> (8 * i)) & 0xFF);
        return h + std::string("\x01\x00\x18\x00", 4);
    };
    const std::string p = dir / "big.bmp";
    project.m_strSplashFile = p;
    const struct {
        std::string head;
        uint64_t length;
        std::string expected;  // "" when built
    } cases[] = {
        {header(16384, 16384), 30,
         p + " is a picture of 16384 x 16384 pixels; a splash picture may be at most 4096 x 4096 "
             "pixels."},
        {header(4097, 1), 30,
         p + " is a picture of 4097 x 1 pixels; a splash picture may be at most 4096 x 4096 "
             "pixels."},
        {header(1, -4097), 30,
         p + " is a picture of 1 x 4097 pixels; a splash picture may be at most 4096 x 4096 "
             "pixels."},
        {header(1, 1), kMaxSplashBytes + 1,
         p + " holds 67112961 bytes; a splash picture may hold at most 67112960 bytes (4096 x "
             "4096 pixels of 32 bits)."},
        {header(4096, -4096), 30, ""},
        {"not a bitmap at all", 30, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        {
            CFile f;
            f.Open(p, CFile::modeCreate | CFile::modeWrite);
            f.Write(c.head.data(), static_cast<uint32_t>(c.head.size()));
            f.SetLength(c.length);
        }
        ui.messages.clear();
        std::filesystem::remove(project.m_strEBookFile);
        if (c.expected.empty()) {
            EXPECT_EQ(Build(), 1);
            continue;
        }
        EXPECT_EQ(Build(), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Cannot read file " + p + "\n" + c.expected);
        EXPECT_FALSE(OutputExists());
    }
}

// The size guard, with a small limit in place of 2 GiB: the page that would cross it is named,
// and nothing is left behind.
TEST_F(BuildEBookTest, RefusesAnEBookThatWouldReachTheSizeLimit) {
    CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
    ASSERT_EQ(BuildEBook(project, project.m_strEBookFile, ui, stub, {1u << 20}),
              1);  // the book is about 1 KiB
    const Bytes previous = Output();
    std::mt19937 gen(5);
    Bytes noise(200000);
    for (auto& b : noise)
        b = static_cast<uint8_t>(gen());
    fakepe::WriteFile(dir / "sub/page.htm", noise);  // packs to more than the limit
    EXPECT_EQ(BuildEBook(project, project.m_strEBookFile, ui, stub, {100000}), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string p = dir.Path() + "\\sub\\page.htm";
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot read file " + p + "\n", 0), 0u)
        << ui.messages[0].text;
    EXPECT_NE(ui.messages[0].text.find("2 GiB"), std::string::npos);
    EXPECT_EQ(Output(), previous);
}

TEST_F(BuildEBookTest, MissingStubIsReported) {
    CMemoryStubSource none(nullptr, 0);
    EXPECT_EQ(BuildEBook(project, project.m_strEBookFile, ui, none), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot save E-Book file:\n", 0), 0u);
    EXPECT_FALSE(OutputExists());
}

// The private folders of safe saves in the test folder: what a build may leave behind.
std::vector<std::string> TempFiles(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (IsPrivateFolderName(name))
            found.push_back(name);
    }
    return found;
}

// A failed rebuild, whatever stops it, leaves the previous e-book as it was and no temporary file.
TEST_F(BuildEBookTest, AFailedRebuildKeepsThePreviousEBook) {
    ASSERT_EQ(Build(), 1);
    const Bytes good = Output();
    struct Failure {
        const char* name;
        std::function<void()> arrange;
        uint64_t maxSize;
    };
    const Failure failures[] = {
        {"a page is missing", [&] { std::filesystem::remove(dir / "sub/page.htm"); },
         kMaxEBookSize},
        {"the disk fills while the viewer is written",
         [&] { SetFileFault(FileFaultOp::write, 1, CFileException::diskFull); }, kMaxEBookSize},
        {"the disk fills while the store is written",
         [&] { SetFileFault(FileFaultOp::write, 3, CFileException::diskFull); }, kMaxEBookSize},
        {"the e-book would grow too large", [] {}, 400},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        fakepe::WriteFile(dir / "sub/page.htm", "<p>page</p>");
        f.arrange();
        CMemoryStubSource source(stubBytes.data(), stubBytes.size());
        EXPECT_EQ(BuildEBook(project, project.m_strEBookFile, ui, source, {f.maxSize}), 0);
        ClearFileFaults();
        EXPECT_EQ(Output(), good);
        EXPECT_TRUE(TempFiles(dir.Path()).empty());
    }
}

// An output that is one of the build's own inputs, under any name, is refused before anything is
// written; the input keeps its bytes.
TEST_F(BuildEBookTest, RefusesAnOutputThatIsOneOfItsInputs) {
    fakepe::WriteFile(dir / "book.ebp", "project bytes");
    fakepe::WriteFile(dir / "pic.ico", "icon bytes");
    std::filesystem::create_hard_link(dir / "index.htm", dir / "hardlink.exe");
    struct Case {
        const char* name;
        std::string input;  // the file that must survive
        std::function<void()> arrange;
        const char* says;
    };
    const Case cases[] = {
        {"the project file", dir / "book.ebp",
         [&] {
             project.m_strProjectFile = dir / "book.ebp";
             project.m_strEBookFile = dir / "book.ebp";
         },
         " is the project file of the book"},
        {"the splash picture", dir / "splash.bmp",
         [&] {
             project.m_strSplashFile = dir / "splash.bmp";
             project.m_strEBookFile = dir.Path() + "/pics/../splash.bmp";
         },
         " is the splash picture of the book"},
        {"the icon", dir / "pic.ico",
         [&] {
             project.m_strIconFile = dir / "pic.ico";
             project.m_strEBookFile = dir / "pic.ico";
         },
         " is the icon file of the book"},
        {"a page under another name", dir / "index.htm",
         [&] { project.m_strEBookFile = dir / "hardlink.exe"; }, " is the file "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        project.m_strProjectFile.clear();
        project.m_strSplashFile.clear();
        project.m_strIconFile.clear();
        const Bytes before = fakepe::ReadFile(c.input);
        c.arrange();
        EXPECT_EQ(Build(), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text.rfind("Cannot save E-Book file:\n", 0), 0u);
        EXPECT_NE(ui.messages[0].text.find(c.says), std::string::npos) << ui.messages[0].text;
        EXPECT_EQ(fakepe::ReadFile(c.input), before);
        EXPECT_TRUE(TempFiles(dir.Path()).empty());
    }
}

// An e-book saved inside its own folder is found by the next scan; the rebuild leaves it out
// instead of packing the old e-book into the new one, every time.
TEST_F(BuildEBookTest, AnEBookInsideItsOwnFolderLeavesItselfOut) {
    ASSERT_EQ(Build(), 1);
    AddPage("out.exe", 0, 1, 0);  // what the next scan of the folder finds
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Build(), 1) << (ui.messages.empty() ? "" : ui.messages[0].text);
        EXPECT_EQ(project.m_arrPages.back()->m_bInProject, 1);
        const storedec::Store store = storedec::Decode(Output());
        EXPECT_EQ(store.Find(349, 5), nullptr);
        const Bytes table = store.Find(350, 2)->data;
        EXPECT_EQ(std::string(table.begin(), table.end()).find("out.exe"), std::string::npos);
    }
}

// The output is the path given: the project's own e-book path is neither written nor changed, and
// the same project built to two paths gives the same bytes.
TEST_F(BuildEBookTest, WritesThePathItIsGivenAndLeavesTheProjectAlone) {
    ASSERT_EQ(Build(), 1);
    const Bytes first = Output();
    const std::string other = dir / "other.exe";
    project.m_strEBookFile = dir / "never.exe";
    CMemoryStubSource stub(stubBytes.data(), stubBytes.size());
    ASSERT_EQ(BuildEBook(project, other, ui, stub), 1);
    EXPECT_EQ(project.m_strEBookFile, dir / "never.exe");
    EXPECT_FALSE(std::filesystem::exists(dir / "never.exe"));
    EXPECT_EQ(fakepe::ReadFile(other), first);
}

// A link at the output's path stays a link: the file it leads to receives the e-book.
TEST_F(BuildEBookTest, AnOutputThatIsALinkKeepsTheLink) {
    fakepe::WriteFile(dir / "real.exe", "old");
    std::filesystem::create_symlink("real.exe", dir / "out.exe");
    ASSERT_EQ(Build(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "out.exe"));
    EXPECT_NO_THROW(storedec::Decode(fakepe::ReadFile(dir / "real.exe")));
}

TEST_F(BuildEBookTest, CustomIconIsTheLastStep) {
    stubBytes = fakepe::MakeViewer(0);
    const std::string icons = std::string(PV_SOURCE_DIR) + "/tests/unit/icon_data/";
    project.m_strIconFile = icons + "mixed.ico";
    ASSERT_EQ(Build(), 1);
    const Bytes file = Output();
    const storedec::Store store = storedec::Decode(file);  // the store is intact
    EXPECT_EQ(store.base, stubBytes.size());
    const Bytes ico = fakepe::ReadFile(project.m_strIconFile);
    const uint32_t offset = fakepe::Get32(ico, 6 + 16 + 12);
    EXPECT_TRUE(std::equal(ico.begin() + offset, ico.begin() + offset + 744,
                           file.begin() + fakepe::Layout::kRsrc + fakepe::Layout::kImage));

    // An unsuitable icon fails the build but leaves the e-book with the viewer's icon.
    project.m_strIconFile = icons + "only256.ico";
    EXPECT_EQ(Build(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kInvalidIconMessage);
    const Bytes kept = Output();
    EXPECT_TRUE(std::equal(stubBytes.begin(), stubBytes.end(), kept.begin()));
    EXPECT_NO_THROW(storedec::Decode(kept));
}

}  // namespace
