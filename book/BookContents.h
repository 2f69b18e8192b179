// The book's table of contents: its pages in the page sequence, under the folders they are in.
#pragma once

#include <string>
#include <vector>

class CBook;

struct ContentsEntry {
    int nDepth = 0;        // 0 at the top; a page in "a/b/" is at 2, under its folder entries
    std::string strLabel;  // UTF-8: the page's <title>, its file name without one, or a folder
    long nFile = -1;       // index into Files() of a page, -1 for a folder
};

// One entry per page of the sequence, in order, each preceded by the folders it enters. A
// sequence that leaves a folder and comes back gets the folder again, so the order stays the
// sequence's.
std::vector<ContentsEntry> BookContents(CBook& book);
