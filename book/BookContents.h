// The book's table of contents: its pages in the page sequence, under the folders they are in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CBook;
struct BookFile;

struct ContentsEntry {
    int nDepth = 0;            // 0 at the top; a page in "a/b/" is at 2, under its folder entries
    std::string strLabel;      // UTF-8: the page's <title>, its file name without one, or a folder
    long nFile = -1;           // index into Files() of a page, -1 for a folder
    bool bUnreadable = false;  // the page could not be read for its title (see BookContents)
};

// Reads a page's bytes as CBook::ReadFile does; may throw std::bad_alloc or std::length_error.
// A seam for tests.
using ContentsPageReader =
    std::function<bool(const BookFile& file, std::vector<uint8_t>* data, std::string* error)>;

// One entry per page of the sequence, in order, each preceded by the folders it enters. A
// sequence that leaves a folder and comes back gets the folder again, so the order stays the
// sequence's. A page that cannot be read, or whose bytes or text find no memory or exceed what a
// string holds (a page of hundreds of megabytes in the 32-bit viewer), is labelled with its file
// name and " (cannot be read)" and marked bUnreadable; the other pages are read as before. read
// defaults to book.ReadFile.
std::vector<ContentsEntry> BookContents(CBook& book, const ContentsPageReader& read = nullptr);

// Characters a title must not draw: C0 and C1 controls and DEL (white space excepted), which
// draw as boxes or not at all, and the bidirectional formatting characters, which would reorder
// what follows them ("Invoice \u202Efdp.exe" drawn as "Invoice exe.pdf").
bool IsHiddenInTitle(char32_t c);
// A UTF-8 title without those characters.
std::string WithoutHiddenTitleCharacters(const std::string& utf8);
