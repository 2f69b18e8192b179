// The contents finder's rule over what was read from the pages (see BookContents.h): where to
// look, the expansion, the choice, the tidying, the pages the tree does not name, the labels.
// Internal to book/; BuildBookContents reads the pages and calls it.
#pragma once

#include <string>
#include <vector>

#include "book/BookContents.h"
#include "book/ContentsPage.h"

class CBook;

// What was read of the book: its pages (the sequence) and each one's facts, by position.
struct ContentsBookFacts {
    std::vector<long> pages;               // Files() indices of the sequence, in order
    std::vector<ContentsPageFacts> facts;  // by position in pages
    std::vector<uint8_t> unreadable;       // by position: the page could not be read
};

// Builds the tree from the facts (which it may consume).
void ApplyContentsRule(const CBook& book, ContentsBookFacts& facts, CContentsTree* tree);

// A node of a tree being put together, before it is laid out as entries.
struct ContentsNode {
    std::string strLabel;
    long nFile = -1;
    std::string strFragment;
    bool bUnreadable = false;
    std::vector<size_t> children;
};
struct ContentsNodes {
    std::vector<ContentsNode> nodes;
    std::vector<size_t> roots;
};

// The labels' last step: siblings with the same label get " – " and the first of the page's h1,
// its folder, its file name, its fragment that tells them all apart (all of them when none does,
// then a number). h1 gives a file's first h1 ("" when unknown).
void DisambiguateSiblings(const CBook& book, const std::vector<std::string>& h1, ContentsNodes* t);

// The suffix shared by at least 80 % of the titles (" — Python 3.11 documentation": from a space
// before a dash, bar, colon, middle dot, guillemet or parenthesis to the end), the longest such;
// "" when there is none.
std::string CommonTitleSuffix(const std::vector<const std::string*>& titles);

// Appends pages (nodes naming files, in order) under parent (npos: the top), each under folder
// nodes for the folders of its name. A sequence that leaves a folder and comes back gets the
// folder again, so the order stays the sequence's.
void AddPagesUnderFolders(const CBook& book, std::vector<ContentsNode> pages, size_t parent,
                          ContentsNodes* t);
// The last part of a file's name: what follows its last slash or backslash.
std::string BaseName(const std::string& name);

// Appends node under parent (npos: the top); returns its index.
size_t AddContentsNode(ContentsNodes* t, size_t parent, ContentsNode node);

// Lays the nodes out as the tree's entries (document order) and finishes the tree.
void LayOutContents(const CBook& book, const ContentsNodes& t, const std::vector<long>& redirects,
                    CContentsTree* tree);
