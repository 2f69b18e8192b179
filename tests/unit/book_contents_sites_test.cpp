// The contents finder on real documentation sites from Debian's documentation packages, one per
// generator (scripts/bootstrap.sh installs them): where the tree is found, how deep it is, the
// share of the pages it names, no two siblings with the same label, and its page order against
// the site's own rel=next chain. A site whose package is missing is skipped, saying which.
// PV_CONTENTS_SITES="name=folder[:home],..." reports the same figures for more sites (no checks).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>

#include "TestBook.h"
#include "TempFolder.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookUrl.h"
#include "book/ContentsPage.h"
#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"

namespace {

namespace fs = std::filesystem;

struct Site {
    const char* package;
    const char* generator;
    const char* folder;
    const char* home;
    const char* source;  // the first line of `list --contents`
    int minDepth;
    double minNamed;  // the share of the pages the tree names (outside "Other pages")
};

const Site kSites[] = {
    {"python-jinja2-doc", "Sphinx", "/usr/share/doc/python-jinja2-doc/html", "index.html",
     "contents from index.html (marked div.toctree-wrapper.compound)", 2, 0.85},
    {"maint-guide", "DocBook XSL", "/usr/share/doc/maint-guide/html", "index.en.html",
     "contents from index.en.html (marked div.toc)", 3, 1.0},
    {"m4-doc", "Texinfo", "/usr/share/doc/m4", "index.html",
     "contents from index.html (marked div.Contents_element)", 2, 1.0},
    {"mkdocs-doc", "MkDocs", "/usr/share/doc/mkdocs/html", "index.html",
     "contents from index.html (marked "
     "div.navbar.fixed-top.navbar-expand-lg.navbar-dark.bg-primary)",
     2, 0.9},
    // Doxygen writes its menu with a script: no list names the pages, the page list stands.
    {"libjsoncpp-doc", "Doxygen", "/usr/share/doc/libjsoncpp-doc", "index.html",
     "contents from the page list", 1, 1.0},
};

struct Figures {
    std::string source;
    size_t pages = 0, entries = 0, named = 0;
    int depth = 0;
    size_t duplicatesBefore = 0, duplicatesAfter = 0;
    double seconds = 0;
    std::vector<std::string> outOfOrder;  // rel=next steps the tree goes against
};

// The site's HTML files that can be read (a link whose package is missing is left out), the
// home page first, the rest by name.
std::vector<std::pair<std::string, std::string>> ReadSite(const std::string& folder,
                                                          const std::string& home) {
    std::vector<std::pair<std::string, std::string>> pages;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        const std::string ext = e.path().extension().string();
        if ((ext != ".html" && ext != ".htm") || !fs::is_regular_file(e.path()))
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        pages.emplace_back(fs::relative(e.path(), folder).generic_string(), std::move(bytes));
    }
    std::sort(pages.begin(), pages.end(), [&](const auto& a, const auto& b) {
        return (a.first == home) != (b.first == home) ? a.first == home : a.first < b.first;
    });
    return pages;
}

// The first rel=next link of a page (a or link), as a file of the book, or -1.
long NextPage(const CBook& book, size_t file, const std::string& html) {
    const std::vector<uint8_t> bytes(html.begin(), html.end());
    std::string storage;
    CHtmlTokenizerUtf8 tokenizer(DecodePageUtf8(bytes, &storage));
    HtmlTokenUtf8 token;
    while (tokenizer.Next(&token)) {
        if (token.kind != HtmlTokenKind::startTag || (token.name != "a" && token.name != "link"))
            continue;
        const HtmlAttributeUtf8* rel = token.Find("rel");
        const HtmlAttributeUtf8* href = token.Find("href");
        if (!rel || !href || (" " + rel->value + " ").find(" next ") == std::string::npos)
            continue;
        const LinkTarget target = ResolveLink(book.Files()[file].strName, nullptr, href->value);
        const BookFile* f = target.kind == LinkKind::inBook ? book.FindFile(target.name) : nullptr;
        return f ? static_cast<long>(f - book.Files().data()) : -1;
    }
    return -1;
}

Figures Measure(const std::string& folder, const std::string& home, std::string* failure) {
    Figures f;
    const auto pages = ReadSite(folder, home);
    if (pages.empty() || pages.front().first != home) {
        *failure = "no home page " + home + " in " + folder;
        return f;
    }
    CTempFolder dir;
    CTestBook b;
    for (const auto& p : pages)
        b.Page(p.first, p.second);
    b.Write(dir.File("site.exe"), "viewer stub bytes");
    CBook book;
    if (!book.Open(dir.File("site.exe"))) {
        *failure = "the book does not open";
        return f;
    }
    CContentsTree tree;
    const auto start = std::chrono::steady_clock::now();
    BuildBookContents(book, &tree);
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.source = tree.SourceText(book);
    f.entries = tree.Size();

    // Depth, pages named outside "Other pages", equal labels among siblings.
    std::vector<bool> named(book.Files().size(), false);
    std::map<size_t, std::multiset<std::string>> siblings;
    size_t other = CContentsTree::npos;
    for (size_t i = 0; i < tree.Size(); ++i) {
        const ContentsEntry& e = tree.Entries()[i];
        f.depth = std::max(f.depth, e.nDepth + 1);
        if (e.nDepth == 0 && e.nFile < 0 && e.strLabel == "Other pages" && i + 1 < tree.Size())
            other = i;
        const bool underOther = other != CContentsTree::npos && i < tree.Entries()[other].nEnd;
        if (e.nFile >= 0 && !underOther)
            named[static_cast<size_t>(e.nFile)] = true;
        siblings[e.nParent].insert(e.strLabel);
    }
    f.named = static_cast<size_t>(std::count(named.begin(), named.end(), true));
    for (const auto& s : siblings) {
        for (auto it = s.second.begin(); it != s.second.end(); it = s.second.upper_bound(*it))
            f.duplicatesAfter += s.second.count(*it) - 1;
    }
    // Before: every page under its folders, labelled with its whole <title> (the file name
    // without one). Redirects (MkDocs keeps old addresses so) are no pages of their own.
    std::map<std::string, std::multiset<std::string>> byFolder;
    for (size_t k = 0; k < pages.size(); ++k) {
        ContentsPageFacts facts;
        ReadContentsPage(book, k, pages[k].second, nullptr, &facts);
        f.pages += facts.nRefresh >= 0 ? 0 : 1;
        const size_t slash = pages[k].first.rfind('/');
        const std::string folderName =
            slash == std::string::npos ? "" : pages[k].first.substr(0, slash);
        byFolder[folderName].insert(facts.strTitle.empty() ? pages[k].first : facts.strTitle);
    }
    for (const auto& s : byFolder) {
        for (auto it = s.second.begin(); it != s.second.end(); it = s.second.upper_bound(*it))
            f.duplicatesBefore += s.second.count(*it) - 1;
    }

    // The rel=next chain from the home page must visit the pages in the tree's order.
    std::unordered_map<long, size_t> order;  // file -> first entry naming it
    for (size_t i = 0; i < tree.Size(); ++i)
        order.emplace(tree.Entries()[i].nFile, i);
    std::set<long> visited;
    for (long at = 0; at >= 0 && visited.insert(at).second;) {
        const long next = NextPage(book, static_cast<size_t>(at), pages[at].second);
        if (next >= 0 && order.count(at) && order.count(next) && order[next] < order[at])
            f.outOfOrder.push_back(pages[at].first + " -> " + pages[next].first);
        at = next;
    }
    return f;
}

void Report(const std::string& name, const Figures& f) {
    std::printf(
        "%s: %s; %zu entries, depth %d, %zu of %zu pages named; sibling labels alike: %zu "
        "before, %zu after; %.3f s\n",
        name.c_str(), f.source.c_str(), f.entries, f.depth, f.named, f.pages, f.duplicatesBefore,
        f.duplicatesAfter, f.seconds);
}

TEST(BookContentsSites, FindsTheAuthorsContents) {
    std::string missing;
    for (const Site& site : kSites) {
        SCOPED_TRACE(std::string(site.package) + " (" + site.generator + ")");
        if (!fs::is_directory(site.folder)) {
            missing += std::string(" ") + site.package;
            continue;
        }
        std::string failure;
        const Figures f = Measure(site.folder, site.home, &failure);
        ASSERT_EQ(failure, "");
        Report(std::string(site.package) + " (" + site.generator + ")", f);
        EXPECT_EQ(f.source, site.source);
        EXPECT_GE(f.depth, site.minDepth);
        EXPECT_GE(static_cast<double>(f.named), site.minNamed * static_cast<double>(f.pages));
        EXPECT_EQ(f.duplicatesAfter, 0u);
        EXPECT_TRUE(f.outOfOrder.empty()) << f.outOfOrder.front();
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed (scripts/bootstrap.sh installs them):" << missing;
}

// More sites to report on, from the environment: "name=folder[:home],...".
TEST(BookContentsSites, ReportsOnMoreSites) {
    const char* more = std::getenv("PV_CONTENTS_SITES");
    if (!more || !*more)
        GTEST_SKIP() << "PV_CONTENTS_SITES names no more sites";
    std::string list = more;
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(start, end - start);
        start = end + 1;
        const size_t eq = item.find('=');
        const size_t colon = item.find(':', eq);
        const std::string name = item.substr(0, eq);
        const std::string folder =
            item.substr(eq + 1, colon == std::string::npos ? std::string::npos : colon - eq - 1);
        const std::string home = colon == std::string::npos ? "index.html" : item.substr(colon + 1);
        std::string failure;
        const Figures f = Measure(folder, home, &failure);
        if (!failure.empty()) {
            ADD_FAILURE() << name << ": " << failure;
            continue;
        }
        Report(name, f);
        for (const std::string& step : f.outOfOrder)
            std::printf("  rel=next against the tree: %s\n", step.c_str());
    }
}

}  // namespace
