#include "book/BookSearch.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>

#include "book/BookContents.h"
#include "html/HtmlTokenizer.h"
#include "platform/InOrderPool.h"
#include "platform/Text.h"
#include "book/Book.h"

namespace {

// Text is handed to the index in pieces of about this many bytes, the cancel flag looked at
// between them: a page of one run of text a hundred megabytes long stops as soon as a page of
// many tags.
const size_t kCancelCheckChars = 1u << 20;

}  // namespace

bool ReadPageForIndex(std::vector<uint8_t>&& html, const std::atomic<bool>* cancel,
                      CSearchIndex::PreparedPage* page, std::string* title,
                      const std::function<void()>& afterPiece) {
    // A UTF-8 page is read where it stands; any other is decoded to UTF-8 first, and its bytes
    // let go then, so that a large page is held at most twice at a time.
    std::string decoded;
    const std::string_view src = DecodePageUtf8(html, &decoded);
    if (!decoded.empty())
        html = std::vector<uint8_t>();
    // What TextOfCodePoints reads, read into the index's form as the tokens come: the text is
    // never held as code points.
    CHtmlTokenizerUtf8 tokenizer(src);
    tokenizer.SetTextOnly(true);
    CSearchIndex::CPageReader reader;
    HtmlTokenUtf8 token;
    // Only text comes: a tag between two runs reads as a space ("<p>a</p><p>b</p>" reads "a b"),
    // a comment as nothing.
    while (tokenizer.Next(&token)) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        if (tokenizer.TagPassed())
            reader.AddBreak();
        const bool title = !token.container.empty() && token.container == "title";
        if (!token.container.empty() && !title &&
            (token.container == "script" || token.container == "style"))
            continue;  // program and style sheet text is not page text
        const std::string_view data = tokenizer.Text();
        for (size_t at = 0; at < data.size();) {
            if (at > 0 && cancel && cancel->load(std::memory_order_relaxed))
                return false;
            // Pieces end between characters.
            size_t n = std::min(kCancelCheckChars, data.size() - at);
            while (at + n < data.size() && n > 1 &&
                   (static_cast<unsigned char>(data[at + n]) & 0xC0) == 0x80)
                --n;
            if (title)
                reader.AddTitle(data.data() + at, n);
            else
                reader.AddText(data.data() + at, n);
            at += n;
            if (afterPiece)
                afterPiece();
        }
    }
    *title = WithoutHiddenTitleCharacters(reader.Title());
    *page = reader.Finish();
    return true;
}

namespace {

// Pages in flight per thread, and the bytes of prepared pages that may wait to be added.
const size_t kSearchWindowPerThread = 8;
const size_t kSearchWaitingBytes = 32u << 20;

// A page worked out by a pool thread, ready to be added.
struct ReadPage {
    bool bRead = false;  // false: the page could not be read, or the build was cancelled
    std::string strTitle;
    CSearchIndex::PreparedPage prepared;
};

}  // namespace

bool CBookSearch::Build(CBook& book, const std::atomic<bool>* cancel,
                        const std::function<void(size_t, size_t)>& progress, unsigned threads) {
    m_index = CSearchIndex();
    m_titles.assign(book.Files().size(), std::string());
    m_bBuilt = false;
    m_nUnsearched = 0;
    std::vector<size_t> pages;  // file-table indices of the pages to read
    for (size_t k = 0; k < book.Files().size(); ++k) {
        if (book.Files()[k].bInSearch)
            pages.push_back(k);
    }
    if (threads == 0)
        threads = std::thread::hardware_concurrency();
    threads = std::min(std::max(threads, 1u), kMaxSearchThreads);

    // The pool threads take turns at the book's file (a CBook reads through one file position)
    // and do the rest, unpacking included, on their own.
    std::mutex bookLock;
    auto work = [&](size_t n, unsigned) {
        ReadPage page;
        if (cancel && cancel->load())
            return page;
        const BookFile& file = book.Files()[pages[n]];
        std::vector<uint8_t> block;
        std::vector<uint8_t> data;
        std::string error;
        {
            std::lock_guard<std::mutex> lock(bookLock);
            if (!book.ReadPackedFile(file, &block, &error))
                return page;
        }
        if (!CBook::UnpackFile(file, block, &data, &error) || data.size() > m_nPageLimit)
            return page;
        block = std::vector<uint8_t>();
        if (!ReadPageForIndex(std::move(data), cancel, &page.prepared, &page.strTitle))
            return page;
        if (page.strTitle.empty())
            page.strTitle = Utf8FromAnsi(file.strName);
        page.bRead = true;
        return page;
    };
    CInOrderPool<ReadPage> pool(
        pages.size(), work, threads, kSearchWindowPerThread, kSearchWaitingBytes,
        [](const ReadPage& page) { return page.prepared.Bytes() + page.strTitle.size(); });

    for (size_t n = 0; n < pages.size(); ++n) {
        if (cancel && cancel->load()) {
            m_index = CSearchIndex();
            return false;
        }
        // A page too large for the memory left is passed over like an unreadable one.
        try {
            ReadPage page = pool.Next();
            if (page.bRead) {
                m_titles[pages[n]] = std::move(page.strTitle);
                m_index.AddPage(static_cast<uint32_t>(pages[n]), std::move(page.prepared));
            } else {
                ++m_nUnsearched;
            }
        } catch (const std::bad_alloc&) {
            ++m_nUnsearched;
        }
        if (progress)
            progress(n + 1, pages.size());
    }
    m_bBuilt = true;
    return true;
}

SearchResults CBookSearch::Search(const CBook& book, const std::string& queryUtf8, size_t maxHits,
                                  const CContentsTree* contents) const {
    SearchResults results;
    const IndexResult found = m_index.Query(queryUtf8, maxHits);
    results.nTotal = found.nTotal;
    results.nUnsearched = m_nUnsearched;
    results.terms = found.terms;
    for (const IndexHit& h : found.hits) {
        if (h.nPage >= book.Files().size() || h.nPage >= m_titles.size())
            continue;
        SearchHit hit;
        hit.strName = book.Files()[h.nPage].strName;
        hit.strTitle = contents ? contents->PageLabel(static_cast<long>(h.nPage)) : std::string();
        if (hit.strTitle.empty())
            hit.strTitle = m_titles[h.nPage];
        hit.strSnippet = h.strSnippet;
        results.hits.push_back(std::move(hit));
    }
    // Two pages that still read alike (pages the contents do not name) are told apart by name.
    std::unordered_map<std::string, size_t> count;
    for (const SearchHit& hit : results.hits)
        ++count[hit.strTitle];
    for (SearchHit& hit : results.hits) {
        if (count[hit.strTitle] > 1)
            hit.strTitle += kLabelJoin + Utf8FromAnsi(hit.strName);
    }
    return results;
}

SearchResults SearchBook(CBook& book, const std::string& queryUtf8, size_t maxHits) {
    CBookSearch search;
    search.Build(book);
    CContentsTree contents;
    const bool named = BuildBookContents(book, &contents);
    return search.Search(book, queryUtf8, maxHits, named ? &contents : nullptr);
}
