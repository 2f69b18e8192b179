// The book's table of contents as its authors wrote it: nested, every label telling its page
// apart from its siblings. Nothing is stored in the e-book: the contents are found when the book
// is read, from the pages themselves.
//
// Every documentation generator writes its table of contents into the site as lists of links;
// the finder reads each page of the sequence once and applies one rule:
//  1. Pages: the pages of the sequence, in order. A page whose <meta http-equiv=refresh> sends
//     the reader to another page of the book is a redirect: it gets no entry, and arriving on it
//     selects its target's entry.
//  2. Where to look: the home page; the pages it links with rel=contents, toc or start; then the
//     other pages it links to, in document order, at most 100.
//  3. Candidates in a page: (a) marked: the outermost element (not html, body, main, article)
//     that is a <nav>, has role doc-toc, directory or navigation, epub:type toc, or a class or id
//     token (split on white space, '-' and '_') among toc, toctree, contents, sidebar, summary,
//     chapter, nav, navbar; all such elements of a page with the same tag and class form one
//     candidate. (b) unmarked: every other outermost ul, ol or dl.
//  4. Entries: each li or dt; lists in an li, or in the dd after a dt, are its children. Label:
//     the text of the item's first link outside its nested lists; target: its page and fragment.
//     External links, rel=next/prev links and items with neither target nor children are left
//     out; "#" or no link with children is a heading (opens nothing); an li with no link and no
//     text holding only a list gives its entries to the item before it. A candidate counts when
//     it names at least 3 other pages and at least 2/3 of its items are links.
//  5. Expansion (marked candidates): an entry naming a page, without fragment or children, takes
//     as children the entries of that page's candidate of the same tag and class that names the
//     most pages not yet in the tree (at least 2), keeping those naming new pages with their
//     nesting; to at most 12 levels. Each page appears once.
//  6. Choice: the candidate naming the most pages (the home page counts as named); one in the
//     home page wins within 90 % of the best. A marked candidate is taken as it is, unless it is
//     a navigation bar (overview, index, help: one level naming fewer than half the pages, at
//     least half of them pages that at least half the pages link to), which is neither expanded
//     nor taken. An unmarked one is taken only when it nests and names at least half the pages.
//     Candidates that are not taken leave the choice to the others; when none is left, the page
//     list (below).
//  7. Tidy: a heading whose first child has the same label becomes that child.
//  8. Pages the tree does not name: the home page first when it is not named; pages linked from
//     at least half the pages (index, search) at the top after the tree; then each remaining
//     page under the first entry (breadth first) whose page links to it; the rest under a last
//     entry "Other pages", in book order, under their folders.
//  9. An entry with a fragment opens page#fragment. The entry of a shown page is the first
//     naming it without a fragment, else the first naming it.
// 10. Labels: list entries use the list's text; other pages their <title>, else the first h1
//     or h2, else the file name; a suffix shared by at least 80 % of the titles (" - Python
//     3.11 documentation") is dropped. Siblings with the same label get " - " and the first of
//     the page's h1, its folder, its file name, its fragment that tells them all apart (all of
//     them when none does alone, then a number): no two siblings keep the same label.
// Links are matched as the viewer resolves them (BookUrl.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CBook;
struct BookFile;

// " – ": what joins a label to what tells it apart from another ("Notes – chapter2/notes.html").
extern const char kLabelJoin[];

struct ContentsEntry {
    std::string strLabel;      // UTF-8
    long nFile = -1;           // Files() index of the page it opens; -1: opens nothing
    std::string strFragment;   // UTF-8, as the link wrote it, without '#'; "" for none
    size_t nParent = 0;        // index of the parent entry, CContentsTree::npos at the top
    size_t nEnd = 0;           // the entry and everything below it are [index, nEnd)
    int nDepth = 0;            // 0 at the top
    bool bUnreadable = false;  // a page that could not be read: "name (cannot be read)"
};

// Where the tree came from.
struct ContentsSource {
    enum class Kind { pageList, marked, unmarked };
    Kind kind = Kind::pageList;
    long nPage = -1;         // Files() index of the page holding the list
    std::string strElement;  // "nav", "div.toc", "ul": the tag and its class tokens
};

// The tree, its entries in document order (each entry followed by those below it).
class CContentsTree {
  public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    const std::vector<ContentsEntry>& Entries() const { return m_entries; }
    size_t Size() const { return m_entries.size(); }
    // The first entry below entry (npos: the first at the top), npos when there is none.
    size_t FirstChild(size_t entry) const;
    // The entry after entry with the same parent, npos after the last.
    size_t NextSibling(size_t entry) const;
    bool HasChildren(size_t entry) const { return FirstChild(entry) != npos; }

    const ContentsSource& Source() const { return m_source; }
    // The first line of `pagevane-cli list --contents`: "contents from index.html (marked
    // nav)", "contents from the page list" (UTF-8).
    std::string SourceText(const CBook& book) const;

    // The entry to select while the file is shown (a redirect's target's), npos for none.
    size_t EntryForFile(long file) const;
    // The same for the page an e-book URL addresses; a URL with a fragment selects the first
    // entry naming that page and fragment when there is one.
    size_t EntryForUrl(const CBook& book, const std::string& url) const;
    // What an entry opens: "path" or "path#fragment" in UTF-8, "" for a heading.
    std::string Target(const CBook& book, size_t entry) const;
    // The e-book URL an entry opens ("" for a heading), its fragment percent-encoded.
    std::string Url(const CBook& book, size_t entry) const;

    // A page's label as a list of pages shows it (search results): the label of its entry, made
    // unique among all pages' labels; "" for a file without one.
    const std::string& PageLabel(long file) const;

    // For the builders.
    std::vector<ContentsEntry>& MutableEntries() { return m_entries; }
    void SetSource(ContentsSource source) { m_source = std::move(source); }
    // Works out nParent and nEnd from the depths (which start at 0 and grow by at most one from
    // an entry to the next), the entry of each file and the page labels. redirects: for each
    // file, the file its redirect leads to, or -1 (may be empty).
    void Finish(const CBook& book, const std::vector<long>& redirects);

  private:
    std::vector<ContentsEntry> m_entries;
    ContentsSource m_source;
    std::vector<size_t> m_byFile;  // the entry of each file, npos for none
    std::vector<std::string> m_pageLabels;
};

// Reads a page's bytes as CBook::ReadFile does; may throw std::bad_alloc or std::length_error.
// A seam for tests.
using ContentsPageReader =
    std::function<bool(const BookFile& file, std::vector<uint8_t>* data, std::string* error)>;

// The list shown while the contents are found: the pages of the sequence in order under their
// folders, labelled with their file names. Reads no page. A sequence that leaves a folder and
// comes back gets the folder again, so the order stays the sequence's.
CContentsTree PageListContents(const CBook& book);

// Finds the book's contents by the rule above, reading every page of the sequence once on
// threads reading threads (0: one per processor, at most 4). A page that cannot be read, or is
// larger than the search reads, is labelled "name (cannot be read)" and marked bUnreadable.
// Returns false, leaving *tree as it was, when *cancel becomes true (looked at between pages
// and inside a page after every tag). read defaults to book.ReadPackedFile + UnpackFile.
bool BuildBookContents(CBook& book, CContentsTree* tree, const std::atomic<bool>* cancel = nullptr,
                       unsigned threads = 0, const ContentsPageReader& read = nullptr);

// Characters a title must not draw: C0 and C1 controls and DEL (white space excepted), which
// draw as boxes or not at all, and the bidirectional formatting characters, which would reorder
// what follows them ("Invoice \u202Efdp.exe" drawn as "Invoice exe.pdf").
bool IsHiddenInTitle(char32_t c);
// A UTF-8 title without those characters.
std::string WithoutHiddenTitleCharacters(const std::string& utf8);
