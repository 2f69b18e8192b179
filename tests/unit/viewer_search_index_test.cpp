// The search index: which pages a query finds, in which order, and what each hit shows.
#include <gtest/gtest.h>

#include "html/HtmlText.h"
#include "book/BookSearch.h"
#include "book/SearchIndex.h"

namespace {

std::u32string U32(const std::string& utf8) {
    return DecodeUtf8Lenient(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
}

class SearchIndexTest : public ::testing::Test {
  protected:
    void Add(const std::string& title, const std::string& text) {
        PageText page;
        page.title = U32(title);
        page.text = U32(text);
        index.AddPage(static_cast<uint32_t>(index.PageCount() + 10), page);
    }
    // The pages found, best first, as their numbers.
    std::vector<uint32_t> Pages(const std::string& query) const {
        std::vector<uint32_t> pages;
        for (const IndexHit& hit : index.Query(query, 100).hits)
            pages.push_back(hit.nPage);
        return pages;
    }
    CSearchIndex index;
};

TEST_F(SearchIndexTest, AllWordsInAnyOrderAndQuotedPhrases) {
    Add("Loops", "the event loop runs every event in turn");  // 10
    Add("Other", "a loop over lines; each event is logged");  // 11
    Add("Third", "nothing here but loop");                    // 12
    Add("Fourth", "event-loop, written with a hyphen");       // 13
    Add("Harbour Event", "Loop the rope twice.");             // 14: the title ends, the text begins
    Add("The Event Loop", "explained");                       // 15: a phrase in the title
    using V = std::vector<uint32_t>;
    const struct {
        const char* query;
        V pages;
    } cases[] = {
        {"event loop", V({10, 11, 13, 14, 15})},
        {"loop event", V({10, 11, 13, 14, 15})},  // any order
        {"\"event loop\"", V({10, 13, 15})},  // a phrase: one word after the other, never across
        {"\"loop event\"", V()},
        {"\"event loop\" turn", V({10})},
        {"\"harbour event loop\"", V()},
        {"\"loop the rope\"", V({14})},
        {"EVENT   Loop  logged", V({11})},
        {"loop missing", V()},  // every word must be there
        {"", V()},
        {"\" \"", V()},
        {"\"event loop", V({10, 13, 15})},  // an unclosed quote runs to the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        V found = Pages(c.query);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.pages);
    }
}

// A title holding the word or phrase ranks a page first, then how often the page holds it, then
// the book's order. The pages hold it in the title only, in the text only (first or later), or
// in both, so that a title looked for in the wrong words shows.
TEST_F(SearchIndexTest, RanksTitleHitsThenFrequencyThenBookOrder) {
    Add("A", "the beam of the lens");                 // 10: once, in the text
    Add("B", "lens, a lens and a lens");              // 11: three times, the text's first word
    Add("The lens", "about lighthouses");             // 12: in the title only
    Add("Lens room", "where the lens turns");         // 13: in the title and in the text
    Add("C", "one more lens");                        // 14: once, later in the book
    Add("The Lens Room", "keepers");                  // 15: the phrase in the title
    Add("D", "lens room first, then the lens room");  // 16: the phrase twice, first in the text
    using V = std::vector<uint32_t>;
    EXPECT_EQ(Pages("lens"), V({13, 12, 15, 11, 16, 10, 14}));
    EXPECT_EQ(Pages("\"lens room\""), V({13, 15, 16}));
    EXPECT_EQ(Pages("room lens"), V({13, 15, 16}));
    const IndexResult r = index.Query("lens", 2);
    EXPECT_EQ(r.nTotal, 7u);  // the count is honest when fewer hits are listed
    EXPECT_EQ(r.hits.size(), 2u);
}

TEST_F(SearchIndexTest, SnippetShowsTheFirstMatchInTheText) {
    std::string longText;
    for (int k = 0; k < 40; ++k)
        longText += "filler" + std::to_string(k) + " ";
    longText += "the Fresnel lens was built in 1823 ";
    for (int k = 0; k < 40; ++k)
        longText += "after" + std::to_string(k) + " ";
    Add("Fresnel", longText);
    Add("Short", "a caf\xC3\xA9 by the shore");
    const IndexResult r = index.Query("fresnel", 10);
    ASSERT_EQ(r.hits.size(), 1u);
    const std::string& snippet = r.hits[0].strSnippet;
    EXPECT_NE(snippet.find("the Fresnel lens was built in 1823"), std::string::npos) << snippet;
    EXPECT_EQ(snippet.rfind("...", 0), 0u) << snippet;     // cut before
    EXPECT_EQ(snippet.substr(snippet.size() - 3), "...");  // and after
    EXPECT_LT(snippet.size(), 260u);
    // Accent-insensitive, and a short text is shown whole.
    const IndexResult cafe = index.Query("CAFE", 10);
    ASSERT_EQ(cafe.hits.size(), 1u);
    EXPECT_EQ(cafe.hits[0].strSnippet, "a caf\xC3\xA9 by the shore");
    EXPECT_EQ(cafe.terms, std::vector<std::string>({"cafe"}));
}

TEST_F(SearchIndexTest, ScriptsWithoutSpacesMatchByCharacters) {
    Add("Tokyo", "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE7\x81\xAF\xE5\x8F\xB0");  // 東京の灯台
    Add("Kyoto", "\xE4\xBA\xAC\xE6\x9D\xB1");                                      // 京東
    EXPECT_EQ(Pages("\xE6\x9D\xB1\xE4\xBA\xAC"), std::vector<uint32_t>({10}));     // 東京
    EXPECT_EQ(Pages("\xE7\x81\xAF\xE5\x8F\xB0"), std::vector<uint32_t>({10}));     // 灯台
}

}  // namespace
