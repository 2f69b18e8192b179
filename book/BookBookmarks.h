// The reader's bookmarks of one e-book: places in it (a page and, when the reader was at one, a
// spot on the page), each with a label, in the order they were made.
//
// They are kept as one text beside the book's remembered place, and name the page by its file
// name, never by its position, so that a rebuilt book (pages added, removed, reordered) keeps
// them. A bookmark whose page the book no longer holds is not shown but kept, and comes back
// with the page. A stored text that is damaged loses only what cannot be read: a line that does
// not parse is dropped, a text without the header reads as no bookmarks at all.
//
// Stored form (ASCII, so that any code page holds it unchanged): the line "pagevane-bookmarks 1",
// then one line per bookmark, "<name>\t<fragment>\t<label>", each field percent-encoded
// (%, tab, line breaks, control characters and every byte above 0x7E; the label is UTF-8).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CBook;

struct Bookmark {
    std::string strName;      // the page's file-table name, as the book spells it
    std::string strFragment;  // the spot on the page (a URL's fragment, without '#'), or ""
    std::string strLabel;     // UTF-8
};

class CBookBookmarks {
  public:
    static constexpr size_t kMaxBookmarks = 1000;  // per book, shown or kept for later
    static constexpr size_t kMaxLabel = 200;       // bytes of UTF-8; longer labels are cut
    static constexpr size_t kMaxName = 1024;       // a stored name or fragment longer: damaged
    static constexpr size_t kMaxFragment = 1024;

    enum class AddResult { added, already, full, notInBook };

    // Replaces the bookmarks with those of stored, shown as far as book holds their pages.
    void Load(const std::string& stored, const CBook& book);
    // The stored form of every bookmark, the hidden ones included.
    std::string Save() const;

    // The bookmarks whose pages the book holds, in order: what the reader sees. Indices below
    // are into this list.
    std::vector<Bookmark> Shown() const;
    size_t ShownCount() const;

    // Adds the place an e-book URL names (its fragment included), labelled label (cut to
    // kMaxLabel at a character's end; control characters and direction overrides dropped; empty:
    // the page's name). *index receives the shown index of the new bookmark, or of the one
    // already there for that place (already). full: kMaxBookmarks are kept and none of them is
    // hidden; notInBook: the URL names no file of the book.
    AddResult Add(const std::string& url, const std::string& label, size_t* index = nullptr);
    // False for an index out of range or a label that is empty once cleaned.
    bool Rename(size_t index, const std::string& label);
    bool Remove(size_t index);
    // The URL that opens a shown bookmark ("" for an index out of range).
    std::string UrlOf(size_t index) const;
    // The shown index of the bookmark of the place a URL names, or -1.
    long Find(const std::string& url) const;

  private:
    struct Entry {
        Bookmark mark;
        bool bShown;
    };
    // The entry of a shown index (m_entries.size() when out of range).
    size_t EntryOf(size_t shown) const;

    std::vector<Entry> m_entries;
    const CBook* m_book = nullptr;
};

// A label as bookmarks keep it: hidden characters dropped, white space collapsed, cut to
// CBookBookmarks::kMaxLabel bytes at a character's end.
std::string CleanBookmarkLabel(const std::string& utf8);
