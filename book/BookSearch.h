// Full-text search over the pages of a book that are marked for search.
//
// A page's bytes are decoded with its own charset (see DecodePage in html/HtmlText.h) and read
// by the HTML tokenizer: its tags, comments, scripts and style sheets are dropped, character
// references are decoded and white space is collapsed. The words of all pages go into one index
// (SearchIndex.h), built once per book.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "html/HtmlText.h"
#include "book/SearchIndex.h"

class CBook;

// The most threads that read pages for the index at once: each holds a page in several forms
// while it reads it, and a 32-bit viewer keeps its address space for the pages.
const unsigned kMaxSearchThreads = 4;

// The largest page read for the index: 128 MiB in a 32-bit process, 1 GiB otherwise.
const size_t kSearchPageLimit = sizeof(void*) == 4 ? size_t(128) << 20 : size_t(1) << 30;

class CContentsTree;

struct SearchHit {
    std::string strName;     // file-table name of the page
    std::string strTitle;    // UTF-8: the page's label in the contents, else its <title>, else
                             // its name; no two hits of different pages have the same
    std::string strSnippet;  // UTF-8 text around the first match
};

struct SearchResults {
    size_t nTotal = 0;               // every page that matches, also past the hits listed
    size_t nUnsearched = 0;          // pages marked for search that could not be indexed
    std::vector<SearchHit> hits;     // best first
    std::vector<std::string> terms;  // the query's words and phrases (UTF-8, folded)
};

// The search over one open book: the index is built once (Build), then every query is answered
// from it. Query rules and ranking: see SearchIndex.h.
class CBookSearch {
  public:
    // Reads every page marked for search into the index, calling progress(done, total) after
    // each. Pages that cannot be read (damaged, over the page limit, or too large for the memory
    // left) are passed over and counted (UnsearchedCount). Returns false, leaving no index, when
    // *cancel becomes true (it is looked at between pages, and inside a page after every tag and
    // every megabyte of text, so that even a huge page stops soon).
    // threads: how many threads unpack and read the pages (0: one per processor, at most
    // kMaxSearchThreads); the calling thread reads the book's file and adds the pages to the
    // index in file-table order, so the index is the same for any number.
    bool Build(CBook& book, const std::atomic<bool>* cancel = nullptr,
               const std::function<void(size_t, size_t)>& progress = {}, unsigned threads = 0);
    bool IsBuilt() const { return m_bBuilt; }
    // The pages of the last Build that could not be indexed.
    size_t UnsearchedCount() const { return m_nUnsearched; }

    // Pages larger than this when unpacked are not read for the index (they count as not
    // indexed): reading a page takes several times its size at once, which a 32-bit viewer
    // does not find for a page of a few hundred megabytes, and trying would leave the rest of
    // the program short of memory. The default is kSearchPageLimit.
    void SetPageLimit(size_t bytes) { m_nPageLimit = bytes; }

    // Answers a query (UTF-8) from the index; at most maxHits hits are listed. contents, when
    // given, names the pages (CContentsTree::PageLabel) as the contents pane does.
    SearchResults Search(const CBook& book, const std::string& queryUtf8, size_t maxHits = 500,
                         const CContentsTree* contents = nullptr) const;

  private:
    CSearchIndex m_index;
    std::vector<std::string> m_titles;  // UTF-8 title of each file, by file-table index
    bool m_bBuilt = false;
    size_t m_nUnsearched = 0;
    size_t m_nPageLimit = kSearchPageLimit;
};

// A one-off search: builds the index and the contents and answers one query.
SearchResults SearchBook(CBook& book, const std::string& queryUtf8, size_t maxHits = 500);

// The readable content of an HTML page, as Unicode code points.
struct PageText {
    std::u32string text;   // body text, white space collapsed, tags removed
    std::u32string title;  // text of <title>
};
PageText ExtractPageText(const std::vector<uint8_t>& html);
// The same, letting go of the page's bytes as soon as they are decoded.
PageText ExtractPageText(std::vector<uint8_t>&& html);

// The page read straight into the index's form: the page Prepare makes of ExtractPageText's
// result, and the title in UTF-8 ("" when it has none). Returns false, with *page unspecified,
// when *cancel becomes true (it is looked at after every tag and every piece of a long run of
// text). afterPiece, when given, is called after each piece of text is taken in (a test cancels
// from it, part way through a page).
bool ReadPageForIndex(std::vector<uint8_t>&& html, const std::atomic<bool>* cancel,
                      CSearchIndex::PreparedPage* page, std::string* title,
                      const std::function<void()>& afterPiece = nullptr);
