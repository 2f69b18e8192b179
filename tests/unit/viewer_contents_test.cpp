// The contents of a book whose pages hold no table of contents: the page sequence in order under
// the folders it passes through, with page titles (in their charset), file names where a page
// has no title or cannot be read.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "store_testutil.h"
#include "TestBook.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookSearch.h"

namespace {

// Each entry as "<indent><label>" with "*" for a folder.
std::vector<std::string> Listing(CBook& book) {
    std::vector<std::string> out;
    CContentsTree tree;
    EXPECT_TRUE(BuildBookContents(book, &tree));
    for (const ContentsEntry& e : tree.Entries()) {
        out.push_back(std::string(static_cast<size_t>(e.nDepth) * 2, ' ') + e.strLabel +
                      (e.nFile < 0 ? "*" : ""));
        if (e.nFile >= 0) {
            EXPECT_LT(static_cast<size_t>(e.nFile), book.Files().size());
        }
    }
    return out;
}

TEST(ViewerContents, ListsTheSequenceUnderItsFolders) {
    CTempFolder dir;
    CTestBook b;
    b.bBadPackedPage = true;  // the first page cannot be read: it shows its file name, marked
    b.Page("damaged.htm", "<title>Never seen</title>")
        .Page("index.htm", "<title> Start   here </title>body")
        .Page("style.css", "p{}", false, false)
        .Page("a/one.htm", "<meta charset=windows-1252><title>Caf\xE9</title>")
        .Page("a/b/two.htm", "no title")
        .Page("a\\b\\three.htm", "<title>Three</title>")
        .Page("c/four.htm", "<title>Four</title>")
        .Page("a/five.htm", "<title>Five</title>")
        .Page("six.htm", "<title></title>")
        .Page("seven.htm",
              "<meta charset=utf-8><title>Invoice \xE2\x80\xAE"
              "fdp.exe\x01\x1B[2J "
              "\xE2\x81\xA7x\xE2\x81\xA9\xC2\x85</title>");
    b.Write(dir.File("b.exe"), "viewer stub bytes");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("b.exe")));
    EXPECT_EQ(Listing(book), std::vector<std::string>({
                                 "damaged.htm (cannot be read)",
                                 "Start here",
                                 "a*",
                                 "  Caf\xC3\xA9",
                                 "  b*",
                                 "    two.htm",
                                 "    Three",
                                 "c*",
                                 "  Four",
                                 // The sequence comes back to a: its order is kept, and
                                 // the folder's second entry tells itself apart.
                                 "a (2)*",
                                 "  Five",
                                 "six.htm",
                                 // Controls dropped, bidirectional overrides neutralised.
                                 "Invoice fdp.exe[2J x",
                             }));
    // The search lists the same title without them too.
    const SearchResults found = SearchBook(book, "invoice");
    ASSERT_EQ(found.hits.size(), 1u);
    EXPECT_EQ(found.hits[0].strTitle.rfind("Invoice fdp.exe", 0), 0u) << found.hits[0].strTitle;
    EXPECT_EQ(found.hits[0].strTitle.find_first_of("\x01\x1B\xE2"), std::string::npos);
}

// A page whose bytes or text find no memory or no string long enough (the 32-bit viewer on a
// page of hundreds of megabytes), or whose read fails, is named as unreadable, with its file name,
// and the listing goes on.
TEST(ViewerContents, APageThatFindsNoMemoryIsNamedUnreadable) {
    CTempFolder dir;
    CTestBook b;
    b.Page("index.htm", "<title>Start</title>")
        .Page("big/huge.htm", "<title>Huge</title>")
        .Page("later.htm", "<title>Later</title>");
    b.Write(dir.File("b.exe"), "viewer stub bytes");
    CBook book;
    ASSERT_TRUE(book.Open(dir.File("b.exe")));
    for (const int failure : {0, 1, 2}) {
        SCOPED_TRACE(failure);
        int reads = 0;
        const auto read = [&](const BookFile& file, std::vector<uint8_t>* data,
                              std::string* error) {
            ++reads;
            if (file.strName == "big/huge.htm") {
                if (failure == 0)
                    throw std::bad_alloc();
                if (failure == 1)  // what a 32-bit string throws for 500 MB of code points
                    throw std::length_error("basic_string::_M_create");
                *error = "The e-book cannot be read.";
                return false;
            }
            return book.ReadFile(file, data, error);
        };
        CContentsTree tree;
        ASSERT_TRUE(BuildBookContents(book, &tree, nullptr, 1, read));
        const std::vector<ContentsEntry>& entries = tree.Entries();
        EXPECT_EQ(reads, 3);
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_EQ(entries[0].strLabel, "Start");
        EXPECT_EQ(entries[1].strLabel, "big");
        EXPECT_EQ(entries[2].strLabel, "huge.htm (cannot be read)");
        EXPECT_TRUE(entries[2].bUnreadable);
        EXPECT_EQ(entries[2].nFile, 1);
        EXPECT_EQ(entries[3].strLabel, "Later");
        EXPECT_FALSE(entries[3].bUnreadable);
    }
}

}  // namespace
