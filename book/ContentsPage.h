// What the contents finder needs of one page, read in one pass of the tokenizer: its title and
// first headings, where a refresh sends the reader, the pages it links to, and the lists that
// may be a table of contents (see BookContents.h for the rule they feed).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CBook;

// One item (li or dt) of a candidate list, in document order; its children follow it.
struct ContentsItem {
    enum class Kind : uint8_t {
        page,     // a link to a file of the book (nFile), perhaps with a fragment
        heading,  // no link, href="#" or a link to nowhere in the book, with children
    };
    Kind kind = Kind::page;
    int32_t nParent = -1;  // index of the parent item in the candidate, -1 at the top
    int32_t nFile = -1;    // Files() index of the target (page); -1 for a heading
    std::string strLabel;  // UTF-8: the link's text, or the item's own text for a heading
    std::string strFragment;
};

// A list, or the lists of the marked elements of one kind, that may be the book's contents.
struct ContentsCandidate {
    bool bMarked = false;
    std::string strElement;  // the tag and its class tokens, "div.toc", "nav", "ul"
    std::vector<ContentsItem> items;
};

struct ContentsPageFacts {
    bool bRead = false;          // false: the page could not be read (or the read was cancelled)
    std::string strTitle;        // UTF-8, white space collapsed, hidden characters dropped
    std::string strH1;           // the first h1's text, the same way
    std::string strH2;           // the first h2's text
    int32_t nRefresh = -1;       // the file a <meta http-equiv=refresh> sends the reader to
    std::vector<int32_t> links;  // files linked by a and area, each once, in order
    std::vector<int32_t> contentsLinks;  // files linked with rel=contents, toc or start
    std::vector<ContentsCandidate> candidates;
    // The bytes it holds, about (for the reading pool's bound).
    size_t Bytes() const;
};

// Reads a page (its text in UTF-8) of the file nFile of book. A candidate is kept only when at
// least two thirds of its items are links and it names at least three pages of the book other
// than this one (a marked candidate two). Links are resolved as the viewer resolves them
// (ResolveLink, then the book's case-insensitive names, also in the book's 8-bit form). Returns
// false when *cancel becomes true (looked at after every tag and run of text).
bool ReadContentsPage(const CBook& book, size_t nFile, std::string_view html,
                      const std::atomic<bool>* cancel, ContentsPageFacts* facts);
