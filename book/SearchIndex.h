// The book's full-text index: built once from the pages' text, then asked any number of queries.
//
// A query is a list of words and "quoted phrases"; a page matches when it holds every word (in
// any order, anywhere in its title or text) and every phrase (its words one after another).
// Words compare in their folded form (see TextFold.h): without regard to case or accents. Hits
// are ranked: pages whose title holds more of the query first, then pages where the query's words
// occur more often, then file-table order. Each hit carries a snippet of the text around its
// first match. The index keeps each page's text in UTF-8 and one 32-bit word number and offset
// per word: about six bytes per byte of page text, whatever the query.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PageText;

struct IndexHit {
    uint32_t nPage = 0;      // the number the page was added with
    uint32_t nScore = 0;     // higher first
    std::string strSnippet;  // UTF-8, "..." where the text was cut
};

struct IndexResult {
    size_t nTotal = 0;               // every page that matches
    std::vector<IndexHit> hits;      // the best of them, at most the number asked for
    std::vector<std::string> terms;  // the query's words and phrases in UTF-8, for highlighting
};

// Numbers for words, 0, 1, 2... in the order they are first met: an open-addressed table over
// the words, kept end to end in one string (UTF-8), which costs no allocation per word and, with
// each word's hash kept, compares words only when their hashes agree.
class CWordNumbers {
  public:
    CWordNumbers();
    static uint32_t Hash(std::string_view word);
    // The same, a character at a time (FNV-1a, its high bits folded in at the end).
    static const uint32_t kHashStart = 2166136261u;
    static uint32_t HashStep(uint32_t h, char c) {
        return (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    static uint32_t HashEnd(uint32_t h) { return h ^ (h >> 15); }
    // The number of word, whose Hash is hash; a new word gets the next number (*added is set).
    uint32_t Number(std::string_view word, uint32_t hash, bool* added);
    // The number of word, or kNone.
    static const uint32_t kNone = 0xFFFFFFFFu;
    uint32_t Find(std::string_view word) const;

    size_t Count() const { return m_hashes.size(); }
    std::string_view Word(uint32_t number) const {
        return std::string_view(m_chars.data() + m_starts[number],
                                m_starts[number + 1] - m_starts[number]);
    }
    uint32_t HashOf(uint32_t number) const { return m_hashes[number]; }
    // Asks the processor to fetch the slot where a word of this hash is looked for first: a
    // look-up in a large table then finds it in the cache.
    void Prefetch(uint32_t hash) const {
        __builtin_prefetch(m_slots.data() + (hash & (m_slots.size() - 1)));
    }
    // The bytes it holds, about.
    size_t Bytes() const {
        return m_chars.size() + 4 * (m_starts.size() + m_hashes.size()) + 8 * m_slots.size();
    }

  private:
    void Grow();

    std::string m_chars;                // the words one after another
    std::vector<uint32_t> m_starts{0};  // where each word begins in m_chars, and the end
    std::vector<uint32_t> m_hashes;     // by number
    // A word's hash and its number + 1 (looked at only when the hashes agree), or 0 for a free
    // slot.
    static uint64_t Slot(uint32_t hash, uint32_t number) {
        return static_cast<uint64_t>(hash) << 32 | (number + 1);
    }
    std::vector<uint64_t> m_slots;
};

class CSearchIndex {
  public:
    // A page read into words apart from any index: its text and its words numbered in the order
    // they first occur in the page. Making one touches nothing shared, so pages can be prepared
    // on several threads at once; adding them in page order then gives the index that adding
    // the pages one by one gives.
    struct PreparedPage {
        std::string strText;            // the title, a line feed, the text (UTF-8)
        std::vector<uint32_t> words;    // page word numbers in reading order
        std::vector<uint32_t> offsets;  // where each word begins in strText
        uint32_t nTitleWords = 0;       // the first words are the title's
        CWordNumbers distinct;          // the folded words (UTF-8), by page word number
        std::vector<uint32_t> counts;   // occurrences of each page word number
        // The bytes it holds, about.
        size_t Bytes() const;
    };
    static PreparedPage Prepare(const PageText& text);

    // Makes a PreparedPage from text handed in pieces as a page is read, without keeping the
    // text in any other form: white space is collapsed to single spaces and trimmed, as in
    // PageText, and the words are found, folded and numbered as the characters come.
    class CPageReader {
      public:
        // UTF-8 text of the title, or of the body, handed in pieces that end between characters.
        void AddTitle(const char* p, size_t n) { Add(&m_title, p, n); }
        void AddText(const char* p, size_t n) { Add(&m_text, p, n); }
        // A tag in the body: it ends a word and reads as a space.
        void AddBreak() {
            if (!m_text.word.empty())
                EndWord(&m_text);
            m_text.bSpace = !m_text.utf8.empty();
        }
        // The title as read so far (UTF-8).
        const std::string& Title() const { return m_title.utf8; }
        PreparedPage Finish();

      private:
        struct Part {
            std::string utf8;               // collapsed; a space waits for the next character
            bool bSpace = false;            // a space is waiting
            std::string word;               // the word being read, folded
            uint32_t nWordStart = 0;        // where it begins in utf8
            std::vector<uint32_t> words;    // page word numbers
            std::vector<uint32_t> offsets;  // in utf8
        };
        void Add(Part* part, const char* p, size_t n);
        void EndWord(Part* part);
        void Emit(Part* part, std::string_view word, uint32_t hash, uint32_t offset);

        Part m_title;
        Part m_text;
        CWordNumbers m_distinct;
        std::vector<uint32_t> m_counts;
        std::u32string m_folded;  // one character folded
    };

    // Adds a page. Pages are numbered by the caller (for the viewer, the file-table index).
    void AddPage(uint32_t page, const PageText& text);
    void AddPage(uint32_t page, PreparedPage&& prepared);
    size_t PageCount() const { return m_pages.size(); }

    // Runs a query (UTF-8). A query without any word gives no hits.
    IndexResult Query(const std::string& queryUtf8, size_t maxHits) const;

  private:
    struct Page {
        uint32_t nPage = 0;
        std::string strText;            // the page's title, a line feed, its text (UTF-8)
        std::vector<uint32_t> words;    // word numbers in reading order
        std::vector<uint32_t> offsets;  // where each word begins in strText
        uint32_t nTitleWords = 0;       // the first words are the title's
    };
    struct Postings {
        std::vector<uint32_t> pages;   // indices into m_pages, each once, ascending
        std::vector<uint32_t> counts;  // occurrences in that page
    };

    std::string Snippet(const Page& page, size_t firstWord) const;

    std::vector<Page> m_pages;
    CWordNumbers m_words;
    std::vector<Postings> m_postings;  // by word number
};
