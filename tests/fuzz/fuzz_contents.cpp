// The contents finder on arbitrary bytes: a page read for its lists, links, title and refresh,
// then the rule over a book of three pages that all hold it (each linking the others and itself,
// refreshing to each other, expanding into each other).
//
// Every run must end; every item comes after its parent and names a file of the book; the tree
// laid out is well formed (each entry inside its parent's span, depths from its parent), names
// only files of the book, and every page has an entry (a redirect its target's).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "../support/TestBook.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/ContentsPage.h"
#include "book/ContentsRule.h"
#include "html/HtmlText.h"

namespace {

CBook* g_book = nullptr;

void WriteSeeds(const std::string& dir) {
    const char* const seeds[] = {
        "<title>T - Site</title><h1>H</h1><nav><ul><li><a href=b.html>B</a><ul><li>"
        "<a href=c.html#x>C</a></ul><li><a href=#>Head</a><ul><li><a href=a.html>A</a></ul>"
        "<li><ol><li><a href=c.html>C2</a></ol></ul></nav>",
        "<meta http-equiv=refresh content='0; url=b.html'><dl class=toc><dt><a href=c.html>1"
        "</a><dd><dl><dt><a href=a.html>1.1</a></dl><dt><a rel=next href=b.html>n</a></dl>",
        "<base href=sub/><div class=\"toctree-wrapper\"><ul><li><a href=../a.html>a<li>"
        "<a href=../b.html>b<li><a href=../c.html>c</ul></div><a href=x rel=contents>",
    };
    int n = 0;
    for (const char* s : seeds) {
        const std::string text = s;
        WriteBytes(dir + "/seed" + std::to_string(n++),
                   reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SeedEmptyCorpus(*argc, *argv, WriteSeeds);
    // A book of three pages and a style sheet, whose names the fuzzed page's links resolve to.
    char path[] = "/tmp/pv-fuzz-contents-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        std::abort();
    close(fd);
    CTestBook b;
    b.Page("a.html", "a").Page("b.html", "b").Page("c.html", "c").Page("s.css", "", false, false);
    b.Write(path, "viewer stub bytes");
    g_book = new CBook;
    if (!g_book->Open(path))
        std::abort();
    // The book reads its file by name: the file goes when the run ends.
    static std::string kept = path;
    std::atexit([] { unlink(kept.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    std::string storage;
    const std::string_view text = DecodePageUtf8(bytes, &storage);
    ContentsBookFacts all;
    for (long file = 0; file < 3; ++file) {
        ContentsPageFacts facts;
        Check(ReadContentsPage(*g_book, static_cast<size_t>(file), text, nullptr, &facts));
        for (const ContentsCandidate& c : facts.candidates) {
            for (size_t k = 0; k < c.items.size(); ++k) {
                const ContentsItem& item = c.items[k];
                Check(item.nParent < static_cast<int32_t>(k));
                Check(item.nFile < static_cast<int32_t>(g_book->Files().size()));
                Check((item.kind == ContentsItem::Kind::page) == (item.nFile >= 0));
            }
        }
        all.pages.push_back(file);
        all.facts.push_back(std::move(facts));
        all.unreadable.push_back(0);
    }
    CContentsTree tree;
    ApplyContentsRule(*g_book, all, &tree);
    for (size_t i = 0; i < tree.Size(); ++i) {
        const ContentsEntry& e = tree.Entries()[i];
        Check(e.nEnd > i && e.nEnd <= tree.Size());
        Check(e.nFile < static_cast<long>(g_book->Files().size()));
        if (e.nParent == CContentsTree::npos) {
            Check(e.nDepth == 0);
        } else {
            const ContentsEntry& p = tree.Entries()[e.nParent];
            Check(e.nParent < i && e.nEnd <= p.nEnd && e.nDepth == p.nDepth + 1);
        }
    }
    // A page has its entry; a redirect (to another of the three) its target's.
    for (long file = 0; file < 3; ++file)
        Check(tree.EntryForFile(file) != CContentsTree::npos);
    return 0;
}
