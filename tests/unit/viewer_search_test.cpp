// Full-text search: page text extraction (charsets, tags, scripts, entities), titles and hits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "store_testutil.h"
#include "TestBook.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookSearch.h"
#include "book/TextFold.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::string Text(const std::string& html) {
    return Utf8FromCodePoints(ExtractPageText(Bytes(html)).text);
}

TEST(ViewerSearchText, StripsMarkupAndDecodesEntities) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        {"<p>Hello <b>wor</b>ld</p>", "Hello wor ld"},
        {"a<br>b", "a b"},
        {"<script>var hidden = 'x';</script>shown", "shown"},
        {"<SCRIPT type=\"x\">if (a < b) hidden();</SCRIPT >shown", "shown"},
        {"<style>p { color: red }</style>shown", "shown"},
        {"<!-- hidden -->shown<!-- also -->", "shown"},
        {"<a href=\"x>y\">link</a>", "link"},
        {"&lt;tag&gt; &amp; &quot;q&quot; &#65;&#x42;&nbsp;x", "<tag> & \"q\" AB x"},
        {"caf&eacute; &copy; &euro;", "caf\xC3\xA9 \xC2\xA9 \xE2\x82\xAC"},
        {"&unknown; & alone &#xZZ;", "&unknown; & alone &#xZZ;"},
        {"1 < 2 and 3 > 2", "1 < 2 and 3 > 2"},
        {"  lots \r\n\t of   space  ", "lots of space"},
        {"<div>unterminated <b", "unterminated"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(Text(c.html), c.text);
    }
}

TEST(ViewerSearchText, HonoursThePageCharset) {
    const struct {
        const char* name;
        std::string html;
        const char* text;
    } cases[] = {
        {"meta charset utf-8",
         "<meta charset=\"utf-8\">Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"http-equiv windows-1252",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
         "Gr\xFC\xDF"
         "e \x80",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC"},
        {"iso-8859-1", "<META CONTENT='text/html; CHARSET=ISO-8859-1'>caf\xE9", "caf\xC3\xA9"},
        {"no charset, valid UTF-8", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"no charset, not UTF-8", "caf\xE9", "caf\xC3\xA9"},
        {"UTF-8 byte-order mark",
         "\xEF\xBB\xBF"
         "caf\xC3\xA9",
         "caf\xC3\xA9"},
        {"UTF-16LE byte-order mark",
         std::string("\xFF\xFE"
                     "c\0a\0f\0\xE9\0",
                     10),
         "caf\xC3\xA9"},
        // As the browser shows it: the stray byte is a replacement character.
        {"charset utf-8 with a stray byte", "<meta charset=utf-8>a\xE9z", "a\xEF\xBF\xBDz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(c.html), c.text);
    }
    EXPECT_EQ(DeclaredCharset(Bytes("<meta charset='UTF-8'>")), "utf-8");
    EXPECT_EQ(DeclaredCharset(Bytes("<meta name=x><p>charset=no</p>")), "");
}

TEST(ViewerSearchText, FoldsCaseAndAccents) {
    // Each pair folds to the same word.
    const struct {
        const char32_t* a;
        const char32_t* b;
    } same[] = {
        {U"APPLE", U"apple"},
        {U"\u00C4pfel", U"apfel"},                                   // Ä
        {U"Stra\u00DFe", U"STRASSE"},                                // ß
        {U"\u039F\u0394\u039F\u03A3", U"\u03BF\u03B4\u03BF\u03C2"},  // ΟΔΟΣ, οδος (final sigma)
        {U"\u0386\u03B8\u03AE\u03BD\u03B1", U"\u03B1\u03B8\u03B7\u03BD\u03B1"},  // Άθήνα
        {U"\u0130stanbul", U"istanbul"},                             // İ (dotted capital I)
        {U"Vi\u1EC7t", U"viet"},                                     // Việt
        {U"\u0531\u0580\u0561\u0574", U"\u0561\u0580\u0561\u0574"},  // Armenian capital
        {U"caf\u00E9", U"cafe\u0301"},                               // é precomposed and combined
        {U"\uFB01le", U"file"},                                      // ﬁ ligature
        {U"\uFF21\uFF22", U"ab"},                                    // full-width
        {U"\u0416\u0401", U"\u0436\u0435"},                          // Ж, Ё
    };
    for (const auto& c : same) {
        std::u32string a, b;
        for (const char32_t* p = c.a; *p; ++p)
            AppendFolded(*p, &a);
        for (const char32_t* p = c.b; *p; ++p)
            AppendFolded(*p, &b);
        SCOPED_TRACE(Utf8FromCodePoints(c.a));
        EXPECT_EQ(a, b);
    }
    EXPECT_EQ(FoldCase(0xD7), 0xD7u);  // × is no letter and has no other form
    EXPECT_TRUE(IsWordChar(U'\u05D0') && IsWordChar(U'7') && IsWordChar(U'\u0301'));
    EXPECT_FALSE(IsWordChar(U'-') || IsWordChar(U'\u00A0') || IsWordChar(U'\u3002'));
}

// The index reads a page in one pass (tags without their attributes, text folded into words as
// it comes); it must find what ExtractPageText's text gives: the same text, title, words and
// offsets, on random pages of tags with tricky attributes, references, comments, raw text,
// white space and scripts without spaces.
TEST(ViewerSearchText, OnePassReadingMatchesTheExtractedText) {
    const std::string pieces[] = {"<p>",
                                  "</p>",
                                  "<b class=\"x\">",
                                  "</b>",
                                  "<a href='a>b' title=\"&quot;q&amp;\">",
                                  "<img alt=x&amp;y src=z/>",
                                  "<br/>",
                                  "<!-- c -->",
                                  "<!--",
                                  "<script>a<b</script>",
                                  "<style>p{}</style>",
                                  "<title>",
                                  "</title>",
                                  "<textarea>&lt;t</textarea>",
                                  "&amp;",
                                  "&eacute;",
                                  "&#x1F600;",
                                  "&notit;",
                                  "  ",
                                  "\r\n",
                                  "\t",
                                  "\xC2\xA0",
                                  "word",
                                  "Caf\xC3\xA9",
                                  "e\xCC\x81",
                                  "\xCC\x81",
                                  "\xE6\x97\xA5\xE6\x9C\xAC",
                                  "Stra\xC3\x9F"
                                  "e",
                                  "\xEF\xAC\x81le",
                                  "x1",
                                  "-",
                                  ".",
                                  "<",
                                  "a<b",
                                  "</>",
                                  "<?x?>",
                                  "<a b c=\"d\"e f='g'>",
                                  "<p x=\"unterminated",
                                  "<x y=1 y=2 z>",
                                  "\xFF",
                                  std::string("x\0y", 3),
                                  "a\rb",
                                  "&#0;",
                                  "<plaintext>"};
    uint32_t seed = 17;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int round = 0; round < 2000; ++round) {
        // Pages read in place as UTF-8, decoded from another charset, or after a byte-order mark.
        const char* const starts[] = {"", "<meta charset=utf-8>", "<meta charset=windows-1252>",
                                      "\xEF\xBB\xBF"};
        std::string html = starts[round % 4];
        const int count = static_cast<int>(next() % 40);
        for (int k = 0; k < count; ++k)
            html += pieces[next() % (sizeof pieces / sizeof pieces[0])];
        SCOPED_TRACE(html);
        const PageText text = ExtractPageText(Bytes(html));
        const CSearchIndex::PreparedPage expected = CSearchIndex::Prepare(text);
        CSearchIndex::PreparedPage read;
        std::string title;
        ASSERT_TRUE(ReadPageForIndex(Bytes(html), nullptr, &read, &title));
        EXPECT_EQ(title, WithoutHiddenTitleCharacters(Utf8FromCodePoints(text.title)));
        ASSERT_EQ(read.strText, expected.strText);
        ASSERT_EQ(read.offsets, expected.offsets);
        ASSERT_EQ(read.nTitleWords, expected.nTitleWords);
        ASSERT_EQ(read.words.size(), expected.words.size());
        for (size_t w = 0; w < read.words.size(); ++w)
            ASSERT_EQ(read.distinct.Word(read.words[w]), expected.distinct.Word(expected.words[w]));
    }
}

class ViewerSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        CTestBook b;
        b.Page("index.htm",
               "<html><head><title>Start Page</title></head><body>Welcome to "
               "the Book</body></html>")
            .Page("latin.htm",
                  "<meta charset=windows-1252><title>Stra\xDF"
                  "e</title><p>\xC4PFEL und "
                  "Birnen</p>")
            .Page("utf.htm", "<meta charset=utf-8><title>T\xC3\xADtulo</title><p>\xC3\x84pfel</p>")
            .Page("script.htm", "<title>Script</title><script>var apple=1;</script>nothing")
            .Page("hidden.htm", "<title>Hidden</title>Welcome apple", true, false)
            .Page("untitled.htm", "an apple a day")
            .Page("fruit.htm", "<title>Fruit</title>apple");
        m_path = m_dir.File("search.exe");
        b.Write(m_path, "viewer stub bytes");
        ASSERT_TRUE(m_book.Open(m_path)) << m_book.GetErrorText();
    }
    std::vector<std::string> Names(const std::string& query) {
        std::vector<std::string> names;
        for (const SearchHit& h : SearchBook(m_book, query).hits)
            names.push_back(h.strName + "|" + h.strTitle);
        return names;
    }
    CTempFolder m_dir;
    std::string m_path;
    CBook m_book;
};

TEST_F(ViewerSearch, FindsPagesMarkedForSearchByTheirTitles) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Names("welcome"), V({"index.htm|Start Page"}));  // hidden.htm is not searched
    EXPECT_EQ(Names("  WELCOME   TO  "), V({"index.htm|Start Page"}));
    EXPECT_EQ(Names("apple"), V({"untitled.htm|untitled.htm", "fruit.htm|Fruit"}));
    EXPECT_EQ(Names("\xC3\xA4pfel"),  // "äpfel" finds both charsets, either case
              V({"latin.htm|Stra\xC3\x9F"
                 "e",
                 "utf.htm|T\xC3\xADtulo"}));
    EXPECT_EQ(Names("var"), V());                                 // script text is not page text
    EXPECT_EQ(Names("title"), V());                               // nor are tag names
    EXPECT_EQ(Names("start page"), V({"index.htm|Start Page"}));  // titles count too
    EXPECT_EQ(Names(""), V());
    EXPECT_EQ(Names("   "), V());
}

TEST_F(ViewerSearch, ListsTheBestHitsAndCountsThemAll) {
    const SearchResults r = SearchBook(m_book, "apple", 1);
    EXPECT_EQ(r.hits.size(), 1u);
    EXPECT_EQ(r.nTotal, 2u);
}

TEST(ViewerSearchDamaged, UnreadablePagesArePassedOver) {
    CTempFolder dir;
    CTestBook b;
    b.Page("bad.htm", "apple").Page("good.htm", "apple");
    b.bBadPackedPage = true;
    b.Write(dir.File("b.exe"), "viewer stub bytes");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("b.exe")));
    const SearchResults results = SearchBook(book, "apple");
    ASSERT_EQ(results.hits.size(), 1u);
    EXPECT_EQ(results.hits[0].strName, "good.htm");
    EXPECT_EQ(results.nUnsearched, 1u);  // the answer says a page was left out
}

// A page over the page limit (as a page too large for the memory left) is left out and counted,
// whatever the threads; the pages around it are searched, and an answer of "no page" says how
// many pages were not searched.
TEST(ViewerSearchDamaged, PagesTooLargeToIndexAreCounted) {
    CTempFolder dir;
    CTestBook b;
    b.Page("a.htm", "apple")
        .Page("big.htm", "apple " + std::string(100000, 'x'))
        .Page("c.htm", "apple");
    b.Write(dir.File("b.exe"), "viewer stub bytes");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("b.exe")));
    for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        CBookSearch search;
        search.SetPageLimit(50000);
        ASSERT_TRUE(search.Build(book, nullptr, {}, threads));
        EXPECT_EQ(search.UnsearchedCount(), 1u);
        SearchResults r = search.Search(book, "apple");
        ASSERT_EQ(r.hits.size(), 2u);
        EXPECT_EQ(r.hits[0].strName + r.hits[1].strName, "a.htmc.htm");
        EXPECT_EQ(r.nUnsearched, 1u);
        EXPECT_EQ(search.Search(book, "nothing").nUnsearched, 1u);
        search.SetPageLimit(kSearchPageLimit);
        ASSERT_TRUE(search.Build(book, nullptr, {}, threads));
        EXPECT_EQ(search.Search(book, "apple").nTotal, 3u);
        EXPECT_EQ(search.UnsearchedCount(), 0u);
    }
}

// Cancelling stops inside a page, not at its end: the flag set once the first piece of text is
// taken in (a page of many tags: the first tag's text; a page of one run of text five megabytes
// long: its first megabyte) leaves the rest of the page unread; not set, the page is read whole.
TEST(ViewerSearchDamaged, CancelStopsInsideAPage) {
    std::string tags;
    for (int k = 0; k < 100000; ++k)
        tags += "<p>apple</p>";
    const std::string run(5u << 20, 'a');
    const struct {
        const char* name;
        const std::string& html;
        size_t pieces;  // read whole
    } cases[] = {{"many tags", tags, 100000}, {"one long run", run, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> cancel{false};
        size_t pieces = 0;
        CSearchIndex::PreparedPage page;
        std::string title;
        EXPECT_FALSE(ReadPageForIndex(Bytes(c.html), &cancel, &page, &title, [&] {
            ++pieces;
            cancel = true;
        }));
        EXPECT_EQ(pieces, 1u);
        cancel = false;
        pieces = 0;
        EXPECT_TRUE(ReadPageForIndex(Bytes(c.html), &cancel, &page, &title, [&] { ++pieces; }));
        EXPECT_EQ(pieces, c.pieces);
        EXPECT_GE(page.words.size(), 1u);
    }
}

// Pages read on several threads make the index that one thread makes: every word and phrase of
// the book finds the same hits in the same order, with the same titles and snippets. Also when
// the build is cancelled part way: no index, whatever the threads.
TEST(ViewerSearchThreads, SameIndexWithAnyNumberOfThreads) {
    const char* const vocabulary[] = {"apple",
                                      "Birne",
                                      "caf\xC3\xA9",
                                      "CAFE",
                                      "pear",
                                      "\xE6\x97\xA5\xE6\x9C\xAC",
                                      "zebra",
                                      "x1",
                                      "quince",
                                      "Stra\xC3\x9F"
                                      "e",
                                      "strasse",
                                      "kiwi"};
    const size_t words = sizeof vocabulary / sizeof vocabulary[0];
    CTestBook b;
    uint32_t seed = 5;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int p = 0; p < 300; ++p) {
        std::string html = "<meta charset=utf-8>";
        if (p % 4 != 0)
            html += std::string("<title>") + vocabulary[next() % words] + "</title>";
        const int length = p % 50 == 0 ? 3000 : static_cast<int>(next() % 60);
        for (int w = 0; w < length; ++w)
            html += std::string(w % 9 ? " " : "<p>") + vocabulary[next() % words];
        b.Page("p" + std::to_string(p) + ".htm", html, true, p % 7 != 3);
    }
    b.bBadPackedPage = true;
    CTempFolder dir;
    b.Write(dir.File("b.exe"), "viewer stub bytes");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("b.exe")));

    std::vector<std::string> queries = {"\"apple pear\"", "apple pear", "\"zebra zebra\"", "none"};
    for (const char* w : vocabulary)
        queries.push_back(w);
    auto listing = [&](unsigned threads) {
        CBookSearch search;
        EXPECT_TRUE(search.Build(book, nullptr, {}, threads));
        std::string all;
        for (const std::string& q : queries) {
            const SearchResults r = search.Search(book, q);
            all += q + ": " + std::to_string(r.nTotal) + "\n";
            for (const SearchHit& h : r.hits)
                all += h.strName + "|" + h.strTitle + "|" + h.strSnippet + "\n";
        }
        return all;
    };
    const std::string one = listing(1);
    // Hits at all, and none from the page that does not unpack (p0) or from those not searched.
    EXPECT_GT(std::count(one.begin(), one.end(), '\n'), 1000);
    EXPECT_EQ(one.find("p0.htm|"), std::string::npos);
    EXPECT_EQ(one.find("p3.htm|"), std::string::npos);
    EXPECT_NE(one.find("p4.htm|p4.htm|"), std::string::npos);  // untitled: named by its file
    for (unsigned threads : {2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(listing(threads), one);

        std::atomic<bool> cancel{false};
        CBookSearch search;
        EXPECT_FALSE(search.Build(
            book, &cancel,
            [&](size_t done, size_t) {
                if (done == 100)
                    cancel = true;
            },
            threads));
        EXPECT_FALSE(search.IsBuilt());
        EXPECT_EQ(search.Search(book, "apple").nTotal, 0u);
    }
}

}  // namespace
