// The viewer's book layer on e-books made with the store code: texts, settings, file table,
// lookup by name and URL, page data, page sequence, splash, and damaged or bare files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "icon_fake_pe.h"
#include "store_testutil.h"
#include "TestBook.h"
#include "book/Book.h"
#include "book/BookUrl.h"

namespace {

const std::string kStub = std::string("MZ stub bytes of the viewer\0\x01\x02", 30);

class ViewerBook : public ::testing::Test {
  protected:
    std::string Make(const CTestBook& book) {
        const std::string path = m_dir.File("book" + std::to_string(m_count++) + ".exe");
        book.Write(path, kStub);
        return path;
    }
    static CTestBook Sample() {
        CTestBook b;
        b.Page("index.htm", "<html><title>Home</title>Welcome</html>")
            .Page("sub/Chapter One.htm", "<p>One</p>")
            .Page("images/pic.png", std::string("\x89PNG\0\0\x01\0", 8), false, false)
            .Page("notes.htm", "notes", false, true)
            .Page("end.html", "The end");
        b.title = "The Title";
        b.author = "An Author";
        b.copyright = "(c) 2026";
        b.url = "www.example.org";
        b.email = "me@example.org";
        b.about = "Line one\nLine two";
        b.settings[kShowToolbar] = 1;
        b.settings[kHomeButton] = 1;
        b.settings[kExitButton] = 1;
        return b;
    }
    CTempFolder m_dir;
    int m_count = 0;
};

TEST_F(ViewerBook, ReadsTextsSettingsAndFileTable) {
    CBook book;
    ASSERT_TRUE(book.Open(Make(Sample()))) << book.GetErrorText();
    EXPECT_EQ(book.GetState(), CBook::State::open);
    EXPECT_EQ(book.GetText(kTitle), "The Title");
    EXPECT_EQ(book.GetText(kAuthor), "An Author");
    EXPECT_EQ(book.GetText(kCopyright), "(c) 2026");
    EXPECT_EQ(book.GetText(kUrl), "www.example.org");
    EXPECT_EQ(book.GetText(kEMail), "me@example.org");
    EXPECT_EQ(book.GetText(kAboutInfo), "Line one\nLine two");
    EXPECT_TRUE(book.GetSetting(kShowToolbar));
    EXPECT_TRUE(book.GetSetting(kHomeButton));
    EXPECT_TRUE(book.GetSetting(kExitButton));
    EXPECT_FALSE(book.GetSetting(kPrintButton));
    EXPECT_FALSE(book.GetSetting(-1));
    EXPECT_FALSE(book.GetSetting(kSettingCount));

    ASSERT_EQ(book.Files().size(), 5u);
    EXPECT_EQ(book.Files()[1].strName, "sub/Chapter One.htm");
    EXPECT_EQ(book.Files()[1].dwPage, 2u);
    EXPECT_FALSE(book.Files()[2].bInSequence);
    EXPECT_TRUE(book.Files()[3].bInSearch);
    EXPECT_FALSE(book.HasSplash());
}

TEST_F(ViewerBook, FindsFilesByNameAndUrl) {
    CBook book;
    ASSERT_TRUE(book.Open(Make(Sample())));
    const struct {
        const char* ref;
        bool url;
        const char* expected;  // nullptr: not found
    } cases[] = {
        {"index.htm", false, "index.htm"},
        {"INDEX.HTM", false, "index.htm"},
        {"sub\\chapter one.htm", false, "sub/Chapter One.htm"},
        {"/images/pic.png", false, "images/pic.png"},
        {"missing.htm", false, nullptr},
        {"e-book://index.htm", true, "index.htm"},
        {"e-book:///index.htm", true, "index.htm"},
        {"E-Book://Index.htm/", true, "index.htm"},
        {"e-book://sub/Chapter%20One.htm", true, "sub/Chapter One.htm"},
        {"e-book://sub/chapter%20one.htm?x=1#top", true, "sub/Chapter One.htm"},
        {"e-book://sub/../index.htm", true, "index.htm"},
        {"e-book://images\\pic.png", true, "images/pic.png"},
        // An encoded separator separates nothing: no file has such a name (the viewer's
        // answer for either engine is that the book holds no such page).
        {"e-book://images%5Cpic.png", true, nullptr},
        {"e-book://images%2Fpic.png", true, nullptr},
        {"e-book://sub/", true, nullptr},
        {"http://index.htm", true, nullptr},
        {"e-book://", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ref);
        const BookFile* f = c.url ? book.FindUrl(c.ref) : book.FindFile(c.ref);
        if (!c.expected) {
            EXPECT_EQ(f, nullptr);
        } else {
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->strName, c.expected);
        }
    }
}

TEST_F(ViewerBook, FindsNonAsciiNamesGivenInUtf8) {
    CTestBook b;
    b.Page("caf\xE9.htm", "x");  // Windows-1252 name in the table
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    ASSERT_NE(book.FindUrl("e-book://caf%C3%A9.htm"), nullptr);  // as browsers encode it
    ASSERT_NE(book.FindUrl("e-book://caf%E9.htm"), nullptr);
    EXPECT_NE(book.FindFile("CAF\xC9.HTM"), nullptr);
}

TEST_F(ViewerBook, ReadsExactBytesOfEveryFile) {
    const CTestBook sample = Sample();
    CBook book;
    ASSERT_TRUE(book.Open(Make(sample)));
    for (size_t i = 0; i < sample.pages.size(); ++i) {
        SCOPED_TRACE(sample.pages[i].strName);
        std::vector<uint8_t> data;
        std::string error;
        ASSERT_TRUE(book.ReadFile(book.Files()[i], &data, &error)) << error;
        EXPECT_EQ(std::string(data.begin(), data.end()), sample.pages[i].strData);
    }
}

TEST_F(ViewerBook, PageSequenceAndHome) {
    CBook book;
    ASSERT_TRUE(book.Open(Make(Sample())));
    ASSERT_EQ(book.Sequence().size(), 3u);
    EXPECT_EQ(book.Files()[book.Sequence()[1]].strName, "sub/Chapter One.htm");
    EXPECT_EQ(book.HomeUrl(), "e-book://index.htm");
    EXPECT_EQ(book.SequenceIndexOf("e-book://index.htm"), 0);
    EXPECT_EQ(book.SequenceIndexOf("e-book://sub/Chapter%20One.htm"), 1);
    EXPECT_EQ(book.SequenceIndexOf("e-book://end.html"), 2);
    EXPECT_EQ(book.SequenceIndexOf("e-book://notes.htm"), -1);  // not in the sequence
    EXPECT_EQ(book.SequenceIndexOf("e-book://nothing.htm"), -1);
}

TEST_F(ViewerBook, HomeSkipsPagesOutsideTheSequence) {
    CTestBook b;
    b.Page("style.css", "p{}", false, false).Page("start.htm", "s");
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    EXPECT_EQ(book.HomeUrl(), "e-book://start.htm");
}

TEST_F(ViewerBook, BookWithoutPagesOpensWithEmptySequence) {
    CBook book;
    ASSERT_TRUE(book.Open(Make(CTestBook())));
    EXPECT_TRUE(book.Files().empty());
    EXPECT_EQ(book.HomeUrl(), "");
}

TEST_F(ViewerBook, ShortSettingsRecordLeavesMissingFieldsOff) {
    const struct {
        size_t bytes;
        bool toolbar;  // integer 3, bytes 12-15
        bool exit;     // integer 17, bytes 68-71
    } cases[] = {{0, false, false}, {15, false, false}, {16, true, false},
                 {71, true, false}, {72, true, true},   {100, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        CTestBook b = Sample();
        b.settings[kExitButton] = 1;
        b.bRawSettings = true;
        b.rawSettings = b.SettingsRecord();
        b.rawSettings.resize(c.bytes, '\x01');
        CBook book;
        ASSERT_TRUE(book.Open(Make(b))) << book.GetErrorText();
        EXPECT_EQ(book.GetSetting(kShowToolbar), c.toolbar);
        EXPECT_EQ(book.GetSetting(kExitButton), c.exit);
    }
}

TEST_F(ViewerBook, TextsStopAtTheirFirstZeroAndMissingTextsAreEmpty) {
    CTestBook b;
    b.title = std::string("Title\0garbage", 13);
    b.author = "";
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    EXPECT_EQ(book.GetText(kTitle), "Title");
    EXPECT_EQ(book.GetText(kAuthor), "");

    // A store without any text items at all.
    const std::string path = m_dir.File("notexts.exe");
    CTestBook::WriteFile(path, kStub);
    {
        CResourceUpdater u;
        u.Open(path, false);
        const std::string table = CTestBook::FileTableRecord("a.htm", 1, true, true);
        const std::vector<uint8_t> page = PackBlock(reinterpret_cast<const uint8_t*>("a"), 1);
        u.Update(349, 1, page.data(), static_cast<uint32_t>(page.size()));
        u.Update(350, 2, table.data(), static_cast<uint32_t>(table.size()));
        u.Commit();
    }
    CBook bare;
    ASSERT_TRUE(bare.Open(path)) << bare.GetErrorText();
    EXPECT_EQ(bare.GetText(kTitle), "");
    EXPECT_EQ(bare.GetText(kAboutInfo), "");
    EXPECT_FALSE(bare.GetSetting(kShowToolbar));
    EXPECT_EQ(bare.HomeUrl(), "e-book://a.htm");
}

TEST_F(ViewerBook, DamagedFileTablesAreReportedNotRead) {
    const std::string good = CTestBook::FileTableRecord("index.htm", 1, true, true);
    const struct {
        const char* name;
        std::string table;
        const char* says;
    } cases[] = {
        {"name without terminator", "index.htm", "cut off in record 1"},
        {"record cut in its numbers", good.substr(0, good.size() - 1), "cut off in record 1"},
        {"second record cut", good + good.substr(0, 12), "cut off in record 2"},
        {"empty name", good + std::string(17, '\0'), "Record 2 of its file table has no name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestBook b = Sample();
        b.bRawFileTable = true;
        b.rawFileTable = c.table;
        CBook book;
        EXPECT_FALSE(book.Open(Make(b)));
        EXPECT_EQ(book.GetState(), CBook::State::damaged);
        EXPECT_NE(book.GetErrorText().find("damaged"), std::string::npos) << book.GetErrorText();
        EXPECT_NE(book.GetErrorText().find(c.says), std::string::npos) << book.GetErrorText();
        EXPECT_TRUE(book.Files().empty());
    }
}

TEST_F(ViewerBook, BadPackedPageFailsOnlyThatPage) {
    CTestBook b = Sample();
    b.bBadPackedPage = true;
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    std::vector<uint8_t> data;
    std::string error;
    EXPECT_FALSE(book.ReadFile(book.Files()[0], &data, &error));
    EXPECT_NE(error.find("index.htm"), std::string::npos) << error;
    EXPECT_TRUE(book.ReadFile(book.Files()[1], &data, &error)) << error;
}

TEST_F(ViewerBook, RecordWithoutPageResourceFailsToRead) {
    CTestBook b = Sample();
    b.bRawFileTable = true;
    b.rawFileTable = CTestBook::FileTableRecord("ghost.htm", 77, true, true) +
                     CTestBook::FileTableRecord("huge.htm", 0x10001, true, true);
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    for (const BookFile& f : book.Files()) {
        SCOPED_TRACE(f.strName);
        std::vector<uint8_t> data;
        std::string error;
        EXPECT_FALSE(book.ReadFile(f, &data, &error));
        EXPECT_NE(error.find(f.strName), std::string::npos) << error;
    }
}

TEST_F(ViewerBook, BareStubAndForeignStoresAreNamed) {
    const std::string bare = m_dir.File("bare.exe");
    CTestBook::WriteFile(bare, kStub);
    CBook book;
    EXPECT_FALSE(book.Open(bare));
    EXPECT_EQ(book.GetState(), CBook::State::bare);
    EXPECT_EQ(book.GetProblem(), CBook::Problem::noStore);
    EXPECT_NE(book.GetErrorText().find("no e-book"), std::string::npos) << book.GetErrorText();
    EXPECT_NE(book.GetErrorText().find(bare), std::string::npos);

    // A store holding only items of other types is no book either.
    const std::string other = m_dir.File("other.exe");
    CTestBook::WriteFile(other, kStub);
    {
        CResourceUpdater u;
        u.Open(other, false);
        u.Update(7, 1, "x", 1);
        u.Commit();
    }
    EXPECT_FALSE(book.Open(other));
    EXPECT_EQ(book.GetState(), CBook::State::bare);
    EXPECT_EQ(book.GetProblem(), CBook::Problem::noBookItems);
}

// The viewer image followed by a trailer whose base is 0.
std::vector<uint8_t> IntoImage() {
    std::vector<uint8_t> bytes = fakepe::MakeViewer(0);
    for (uint8_t b : {0, 0, 0, 0, 0x4B, 0x47})
        bytes.push_back(b);
    return bytes;
}

TEST_F(ViewerBook, ProgramCutShortIsDamagedNotBare) {
    // A program image alone is the bare viewer; bytes after the image without a trailer are an
    // e-book whose end was lost, and the reader must not be told it is the viewer on its own.
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        CBook::State state;
        CBook::Problem problem;
        const char* says;
    } cases[] = {
        {"image only", fakepe::MakeViewer(0), CBook::State::bare, CBook::Problem::noStore,
         "no e-book"},
        {"image and cut book", fakepe::MakeViewer(300), CBook::State::damaged,
         CBook::Problem::cutShort, "cut short"},
        {"image and one byte", fakepe::MakeViewer(1), CBook::State::damaged,
         CBook::Problem::cutShort, "cut short"},
        {"not a program", std::vector<uint8_t>(kStub.begin(), kStub.end()), CBook::State::bare,
         CBook::Problem::noStore, "no e-book"},
        // A trailer that does not lead to a store after the program is damage, not an empty
        // book.
        {"trailer pointing into the image", IntoImage(), CBook::State::damaged,
         CBook::Problem::unreadable, "bad format"},
        {"nothing but a trailer",
         {0, 0, 0, 0, 0x4B, 0x47},
         CBook::State::damaged,
         CBook::Problem::unreadable,
         "bad format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File("cut.exe");
        fakepe::WriteFile(path, c.bytes);
        CBook book;
        EXPECT_FALSE(book.Open(path));
        EXPECT_EQ(book.GetState(), c.state);
        EXPECT_EQ(book.GetProblem(), c.problem);
        EXPECT_NE(book.GetErrorText().find(c.says), std::string::npos) << book.GetErrorText();
    }
    // A program whose section table claims more than the header holds is no evidence either way.
    std::vector<uint8_t> odd = fakepe::MakeViewer(16);
    fakepe::Put16(odd, fakepe::Layout::kLfanew + 6, 0xFFFF);
    const std::string path = m_dir.File("odd.exe");
    fakepe::WriteFile(path, odd);
    CBook book;
    EXPECT_FALSE(book.Open(path));
    EXPECT_EQ(book.GetState(), CBook::State::bare);
}

TEST_F(ViewerBook, DamagedStoresAndMissingFilesGiveAnError) {
    const std::string good = Make(Sample());
    const std::string bytes = CTestBook::ReadFile(good);
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"store cut in half", bytes.substr(0, kStub.size() + 40) + bytes.substr(bytes.size() - 6)},
        {"trailer points past the end", kStub + std::string("\xff\xff\x00\x00KG", 6)},
        {"shorter than a trailer", "KG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File("damaged.exe");
        CTestBook::WriteFile(path, c.content);
        CBook book;
        EXPECT_FALSE(book.Open(path));
        EXPECT_EQ(book.GetState(), CBook::State::damaged);
        EXPECT_NE(book.GetErrorText().find("damaged"), std::string::npos);
    }
    CBook book;
    EXPECT_FALSE(book.Open(m_dir.File("does-not-exist.exe")));
    EXPECT_NE(book.GetErrorText().find("does-not-exist.exe"), std::string::npos);
}

TEST_F(ViewerBook, SplashIsReadAndChecked) {
    CTestBook b = Sample();
    b.splash = CTestBook::Bitmap(5, 3, 255, 0, 0);
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    ASSERT_TRUE(book.HasSplash());
    SplashImage img;
    ASSERT_TRUE(book.ReadSplash(&img));
    EXPECT_EQ(img.nWidth, 5);
    EXPECT_EQ(img.nHeight, 3);
    EXPECT_EQ(img.dwBitsOffset, 40u);
    EXPECT_EQ(img.dib.size(), b.splash.size() - 14);
    EXPECT_EQ(img.dib[img.dwBitsOffset + 2], 255);  // red of the first pixel (BGR order)
}

TEST(ViewerSplash, RejectsBitmapsWhoseHeadersDoNotFitTheBytes) {
    const std::string good = CTestBook::Bitmap(4, 4, 1, 2, 3);
    SplashImage img;
    ASSERT_TRUE(ParseSplashBitmap(std::vector<uint8_t>(good.begin(), good.end()), &img));
    auto with = [&](size_t offset, uint32_t value, size_t width) {
        std::string s = good;
        for (size_t i = 0; i < width; ++i)
            s[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return s;
    };
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"not BM", with(0, 'X', 1)},
        {"too short", good.substr(0, 30)},
        {"pixels cut off", good.substr(0, good.size() - 1)},
        {"core header", with(14, 12, 4)},
        {"header larger than file", with(14, 0x7FFFFFFF, 4)},
        {"zero width", with(18, 0, 4)},
        {"huge width", with(18, 0x40000000, 4)},
        {"zero height", with(22, 0, 4)},
        {"two planes", with(26, 2, 2)},
        {"bit depth 7", with(28, 7, 2)},
        {"run-length", with(30, 1, 4)},
        {"bitfields at 24 bits", with(30, 3, 4)},
        {"too many colours", with(28, 8, 2)},  // 8 bits: 1024-byte table missing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParseSplashBitmap(std::vector<uint8_t>(c.file.begin(), c.file.end()), &img));
    }
    // Top-down rows (negative height) are fine.
    const std::string topDown = with(22, static_cast<uint32_t>(-4), 4);
    ASSERT_TRUE(ParseSplashBitmap(std::vector<uint8_t>(topDown.begin(), topDown.end()), &img));
    EXPECT_EQ(img.nHeight, 4);
}

// A splash picture larger than the build packs (from a book made before the limit) is no
// splash, and the book opens: wider or higher than kMaxSplashSide pixels, or longer than
// kMaxSplashBytes (refused by the length its block announces, before it is unpacked).
TEST_F(ViewerBook, ASplashLargerThanTheBuildPacksIsNoSplash) {
    const std::string padded = CTestBook::Bitmap(1, 1, 0, 0, 0);
    const struct {
        std::string file;
        bool shown;
    } cases[] = {
        {CTestBook::Bitmap(static_cast<int>(kMaxSplashSide), 1, 1, 2, 3), true},
        {CTestBook::Bitmap(static_cast<int>(kMaxSplashSide) + 1, 1, 1, 2, 3), false},
        {CTestBook::Bitmap(1, static_cast<int>(kMaxSplashSide) + 1, 1, 2, 3), false},
        {padded + std::string(kMaxSplashBytes - padded.size(), '\0'), true},
        {padded + std::string(kMaxSplashBytes - padded.size() + 1, '\0'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.size());
        CTestBook b = Sample();
        b.splash = c.file;
        CBook book;
        ASSERT_TRUE(book.Open(Make(b)));
        SplashImage img;
        EXPECT_EQ(book.ReadSplash(&img), c.shown);
        EXPECT_EQ(book.GetState(), CBook::State::open);
    }
}

TEST_F(ViewerBook, DamagedSplashIsNoSplash) {
    CTestBook b = Sample();
    b.splash = "BM not really a bitmap";
    CBook book;
    ASSERT_TRUE(book.Open(Make(b)));
    EXPECT_TRUE(book.HasSplash());
    SplashImage img;
    EXPECT_FALSE(book.ReadSplash(&img));
}

}  // namespace
