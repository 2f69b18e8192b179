// The reader's bookmarks: added, found, renamed and removed; the stored text read back whole, in
// another run and after the book was rebuilt with its pages moved; damaged stored text losing
// only what cannot be read; the limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBook.h"
#include "TempFolder.h"
#include "book/Book.h"
#include "book/BookBookmarks.h"

namespace {

class Bookmarks : public ::testing::Test {
  protected:
    // Writes a book of these pages (in this order) and opens it.
    CBook& OpenBook(const std::vector<std::string>& pages) {
        CTestBook b;
        for (const std::string& p : pages)
            b.Page(p, "<title>" + p + "</title>");
        const std::string path = m_dir.File("book" + std::to_string(m_books.size()) + ".exe");
        b.Write(path, "viewer stub");
        m_books.emplace_back(new CBook);
        EXPECT_TRUE(m_books.back()->Open(path));
        return *m_books.back();
    }
    static std::vector<std::string> Urls(const CBookBookmarks& marks) {
        std::vector<std::string> out;
        for (size_t i = 0; i < marks.ShownCount(); ++i)
            out.push_back(marks.UrlOf(i));
        return out;
    }
    static std::vector<std::string> Labels(const CBookBookmarks& marks) {
        std::vector<std::string> out;
        for (const Bookmark& m : marks.Shown())
            out.push_back(m.strLabel);
        return out;
    }
    CTempFolder m_dir;
    std::vector<std::unique_ptr<CBook>> m_books;
};

TEST_F(Bookmarks, AddFindRenameRemove) {
    CBook& book = OpenBook({"index.htm", "a/two.htm", "three.htm"});
    CBookBookmarks marks;
    marks.Load("", book);
    size_t at = 99;
    const struct {
        const char* url;
        const char* label;
        CBookBookmarks::AddResult result;
        size_t index;
    } adds[] = {
        {"e-book://a/two.htm", "Two", CBookBookmarks::AddResult::added, 0},
        {"e-book://three.htm#part-2", "Three, part 2", CBookBookmarks::AddResult::added, 1},
        // The same place, however the URL spells it.
        {"e-book:///A/TWO.HTM", "again", CBookBookmarks::AddResult::already, 0},
        {"e-book://a/two.htm#", "again", CBookBookmarks::AddResult::already, 0},
        // Another spot on a page is another place.
        {"e-book://three.htm", "", CBookBookmarks::AddResult::added, 2},
        {"e-book://gone.htm", "x", CBookBookmarks::AddResult::notInBook, 99},
        {"http://example.com/", "x", CBookBookmarks::AddResult::notInBook, 99},
        {"e-book://index.htm#a\nb", "x", CBookBookmarks::AddResult::notInBook, 99},
    };
    for (const auto& a : adds) {
        SCOPED_TRACE(a.url);
        at = 99;
        EXPECT_EQ(marks.Add(a.url, a.label, &at), a.result);
        EXPECT_EQ(at, a.index);
    }
    EXPECT_EQ(Urls(marks),
              std::vector<std::string>(
                  {"e-book://a/two.htm", "e-book://three.htm#part-2", "e-book://three.htm"}));
    // No label: the page's name.
    EXPECT_EQ(Labels(marks), std::vector<std::string>({"Two", "Three, part 2", "three.htm"}));
    EXPECT_EQ(marks.Find("e-book://three.htm#part-2"), 1);
    EXPECT_EQ(marks.Find("e-book://index.htm"), -1);

    EXPECT_TRUE(marks.Rename(2, "  The\tthird \n page  "));
    EXPECT_FALSE(marks.Rename(2, " \t "));  // nothing left: unchanged
    EXPECT_FALSE(marks.Rename(3, "no such"));
    EXPECT_TRUE(marks.Remove(0));
    EXPECT_FALSE(marks.Remove(2));
    EXPECT_EQ(Labels(marks), std::vector<std::string>({"Three, part 2", "The third page"}));
    EXPECT_EQ(marks.UrlOf(2), "");
}

TEST_F(Bookmarks, LabelsAreCleanedAndCut) {
    const struct {
        const char* name;
        std::string in;
        std::string out;
    } cases[] = {
        {"controls and overrides",
         "Invoice \xE2\x80\xAE"
         "fdp.exe\x01\x1B",
         "Invoice fdp.exe"},
        {"white space", "\n  a \t\t b  ", "a b"},
        {"UTF-8 kept", "Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"cut at a character's end", std::string(199, 'x') + "\xC3\xA9", std::string(199, 'x')},
        {"long", std::string(500, 'y'), std::string(200, 'y')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CleanBookmarkLabel(c.in), c.out);
    }
}

// What is stored comes back in the next run, and a rebuilt book keeps the bookmarks of the pages
// it still holds, wherever they moved; the others wait, unseen, for their page to come back.
TEST_F(Bookmarks, StoredBookmarksSurviveARestartAndARebuild) {
    CBook& first = OpenBook({"index.htm", "two.htm", "sub/three.htm", "four.htm"});
    CBookBookmarks marks;
    marks.Load("", first);
    marks.Add("e-book://sub/three.htm#s%C3%A9ction", "Trois \xE2\x80\x94 section");
    marks.Add("e-book://two.htm", "Two\ttabbed 100%");
    marks.Add("e-book://four.htm", "Four");
    const std::string stored = marks.Save();
    for (char c : stored)
        ASSERT_TRUE(c == '\n' || c == '\t' || (c >= 0x20 && c <= 0x7E)) << "not ASCII: " << c;

    CBookBookmarks again;
    again.Load(stored, first);
    EXPECT_EQ(Urls(again), Urls(marks));
    EXPECT_EQ(Labels(again),
              std::vector<std::string>({"Trois \xE2\x80\x94 section", "Two tabbed 100%", "Four"}));
    EXPECT_EQ(again.Save(), stored);

    // Rebuilt: pages added before, two.htm gone, names in another case.
    CBook& rebuilt = OpenBook({"new.htm", "INDEX.HTM", "Sub/Three.htm", "four.htm", "zz.htm"});
    CBookBookmarks later;
    later.Load(stored, rebuilt);
    EXPECT_EQ(Urls(later), std::vector<std::string>(
                               {"e-book://Sub/Three.htm#s%C3%A9ction", "e-book://four.htm"}));
    later.Remove(1);
    later.Add("e-book://zz.htm", "Zed");
    // two.htm's bookmark is kept while hidden, and shows again when the page is back.
    CBook& back = OpenBook({"index.htm", "two.htm", "sub/three.htm", "zz.htm"});
    CBookBookmarks restored;
    restored.Load(later.Save(), back);
    EXPECT_EQ(Labels(restored),
              std::vector<std::string>({"Trois \xE2\x80\x94 section", "Two tabbed 100%", "Zed"}));
}

TEST_F(Bookmarks, DamagedStoredTextLosesOnlyWhatCannotBeRead) {
    CBook& book = OpenBook({"index.htm", "two.htm"});
    const std::string good = "two.htm\t\tTwo\n";
    const struct {
        const char* name;
        std::string stored;
        std::vector<std::string> labels;
    } cases[] = {
        {"none", "", {}},
        {"no header", good, {}},
        {"another version", "pagevane-bookmarks 2\n" + good, {}},
        {"binary", std::string("\0\xFF\xFE\x01\n", 5) + good, {}},
        {"whole", "pagevane-bookmarks 1\r\n" + good + "index.htm\tx\tOne", {"Two", "One"}},
        {"a line of two fields", "pagevane-bookmarks 1\nindex.htm\tOne\n" + good, {"Two"}},
        {"a line of four fields", "pagevane-bookmarks 1\nindex.htm\t\tOne\tx\n" + good, {"Two"}},
        {"a broken escape", "pagevane-bookmarks 1\nindex%2.htm\t\tOne\n" + good, {"Two"}},
        {"an escape at the end", "pagevane-bookmarks 1\nindex.htm\t\tOne%4\n" + good, {"Two"}},
        {"a raw byte above ASCII", "pagevane-bookmarks 1\nindex.htm\t\tOn\xE9\n" + good, {"Two"}},
        {"a label not UTF-8", "pagevane-bookmarks 1\nindex.htm\t\tOn%E9\n" + good, {"Two"}},
        {"a control in the name", "pagevane-bookmarks 1\nindex%0A.htm\t\tOne\n" + good, {"Two"}},
        {"no name", "pagevane-bookmarks 1\n\t\tOne\n" + good, {"Two"}},
        {"a name too long",
         "pagevane-bookmarks 1\n" + std::string(2000, 'n') + "\t\tOne\n" + good,
         {"Two"}},
        {"a repeated place", "pagevane-bookmarks 1\n" + good + "TWO.HTM\t\tagain\n", {"Two"}},
        {"an empty label", "pagevane-bookmarks 1\nindex.htm\t\t%01 \n", {"index.htm"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CBookBookmarks marks;
        marks.Add("e-book://index.htm", "left over from before");  // Load replaces everything
        marks.Load(c.stored, book);
        EXPECT_EQ(Labels(marks), c.labels);
    }
}

TEST_F(Bookmarks, AThousandAtMostAndHiddenOnesMakeRoom) {
    std::vector<std::string> pages;
    for (int i = 0; i < 1001; ++i)
        pages.push_back("p" + std::to_string(i) + ".htm");
    CBook& book = OpenBook(pages);
    CBookBookmarks marks;
    marks.Load("", book);
    for (size_t i = 0; i < CBookBookmarks::kMaxBookmarks; ++i)
        ASSERT_EQ(marks.Add("e-book://" + pages[i], pages[i]), CBookBookmarks::AddResult::added);
    EXPECT_EQ(marks.Add("e-book://p1000.htm", "one more"), CBookBookmarks::AddResult::full);
    EXPECT_EQ(marks.ShownCount(), 1000u);

    // Stored text of more than the limit reads as the first thousand.
    std::string stored = marks.Save() + "p1000.htm\t\tbeyond\n";
    CBookBookmarks loaded;
    loaded.Load(stored, book);
    EXPECT_EQ(loaded.ShownCount(), 1000u);
    EXPECT_EQ(loaded.Find("e-book://p1000.htm"), -1);

    // In a book without p0.htm its bookmark is hidden: the oldest such gives way to a new one.
    pages.erase(pages.begin());
    CBook& fewer = OpenBook(pages);
    loaded.Load(marks.Save(), fewer);
    EXPECT_EQ(loaded.ShownCount(), 999u);
    EXPECT_EQ(loaded.Add("e-book://p1000.htm", "now"), CBookBookmarks::AddResult::added);
    EXPECT_EQ(loaded.ShownCount(), 1000u);
    EXPECT_EQ(loaded.Add("e-book://p999.htm#x", "no room"), CBookBookmarks::AddResult::full);
}

}  // namespace
