// The contents finder on generated pages of each shape the generators write: the tree, where it
// was found, its labels and targets, as `pagevane-cli list --contents` prints them.
#include <gtest/gtest.h>

#include <atomic>
#include <utility>

#include "TestBook.h"
#include "TempFolder.h"
#include "book/Book.h"
#include "book/BookContents.h"
#include "book/BookSearch.h"

namespace {

using Pages = std::vector<std::pair<std::string, std::string>>;

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html><html><head><meta charset=utf-8><title>" + title +
           "</title></head><body>" + body + "</body></html>";
}

// A list of links: each "target|label".
std::string Ul(const std::vector<std::string>& items, const std::string& attributes = "") {
    std::string ul = "<ul" + attributes + ">";
    for (const std::string& item : items) {
        const size_t bar = item.find('|');
        ul += "<li><a href=\"" + item.substr(0, bar) + "\">" + item.substr(bar + 1) + "</a></li>";
    }
    return ul + "</ul>";
}

class CBookFixture {
  public:
    explicit CBookFixture(const Pages& pages) {
        CTestBook b;
        // HTML files are pages of the sequence, as a folder's scan makes them.
        for (const auto& p : pages) {
            const bool html =
                p.first.size() > 5 && p.first.compare(p.first.size() - 5, 5, ".html") == 0;
            b.Page(p.first, p.second, html, html);
        }
        b.Write(m_dir.File("book.exe"), "viewer stub bytes");
        m_bOpen = m_book.Open(m_dir.File("book.exe"));
    }
    bool IsOpen() const { return m_bOpen; }
    CBook& Book() { return m_book; }

  private:
    CTempFolder m_dir;
    CBook m_book;
    bool m_bOpen = false;
};

// The source line, then "<indent><label>\t<target>" for each entry.
std::vector<std::string> Listing(const CBook& book, const CContentsTree& tree) {
    std::vector<std::string> lines{tree.SourceText(book)};
    for (size_t i = 0; i < tree.Size(); ++i) {
        const ContentsEntry& e = tree.Entries()[i];
        lines.push_back(std::string(2 * static_cast<size_t>(e.nDepth), ' ') + e.strLabel + "\t" +
                        tree.Target(book, i));
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

struct Case {
    const char* name;
    Pages pages;  // the first is the home page
    std::vector<std::string> expected;
};

const std::string kRelated =  // Sphinx's bar at the top of every page
    "<div class=\"related\" role=\"navigation\">" +
    Ul({"genindex.html|index", "search.html|search"}) + "</div>";
const std::string kSidebar = "<div class=\"sphinxsidebar\" role=\"navigation\">" +
                             Ul({"intro.html|Introduction", "api.html|API", "faq.html|FAQ"}) +
                             "</div>";
std::string Sphinx(const std::string& title, const std::string& body) {
    return Page(title + " &#8212; Demo 1.0 documentation", kRelated + body + kSidebar);
}

const std::string kMdBookSidebar =
    "<nav id=\"sidebar\" class=\"sidebar\" aria-label=\"Table of contents\">"
    "<div class=\"sidebar-scrollbox\"><ol class=\"chapter\">"
    "<li class=\"chapter-item expanded \"><a href=\"intro.html\"><strong aria-hidden=\"true\">1."
    "</strong> Introduction</a></li>"
    "<li><ol class=\"section\"><li class=\"chapter-item expanded \"><a href=\"intro/setup.html\">"
    "<strong aria-hidden=\"true\">1.1.</strong> Setup</a></li></ol></li>"
    "<li class=\"chapter-item expanded \"><a href=\"guide.html\"><strong aria-hidden=\"true\">2."
    "</strong> Guide</a></li><li class=\"spacer\"></li>"
    "<li class=\"chapter-item expanded affix \"><a href=\"appendix.html\">Appendix</a></li>"
    "</ol></div></nav>";

const std::string kMkDocsNavbar =
    "<div class=\"navbar fixed-top navbar-expand-lg\"><div class=\"container\">"
    "<a class=\"navbar-brand\" href=\"index.html\">Site</a><ul class=\"nav navbar-nav\">"
    "<li class=\"navitem\"><a href=\"index.html\" class=\"nav-link\">Home</a></li>"
    "<li class=\"dropdown\"><a href=\"#\" class=\"nav-link dropdown-toggle\">User Guide "
    "<b class=\"caret\"></b></a><ul class=\"dropdown-menu\">"
    "<li><a href=\"guide/index.html\" class=\"dropdown-item\">User Guide</a></li>"
    "<li><a href=\"guide/install.html\" class=\"dropdown-item\">Installation</a></li></ul></li>"
    "<li class=\"dropdown\"><a href=\"#\" class=\"nav-link dropdown-toggle\">About</a>"
    "<ul class=\"dropdown-menu\"><li><a href=\"about/license.html\">License</a></li>"
    "<li><a href=\"about/notes.html\">Release Notes</a></li></ul></li></ul>"
    "<ul class=\"nav navbar-nav ml-auto\"><li><a rel=\"next\" href=\"guide/index.html\">Next</a>"
    "</li><li><a href=\"https://example.org/\">Source</a></li></ul></div></div>";

const std::string kSiteNav =
    "<nav><ul><li><a href=\"index.html\">Home</a><li><a href=\"about.html\">About</a>"
    "<li><a href=\"contact.html\">Contact</a><li><a href=\"blog.html\">Blog</a></ul></nav>";

// The bar of a page with links of its own.
std::string PageNav(const std::string& page) {
    return "<nav><ul><li><a href=\"index.html\">Home</a><li><a href=\"about.html\">About</a>"
           "<li><a href=\"contact.html\">Contact</a><li><a href=\"blog.html\">Blog</a>"
           "<li><a href=\"" +
           page + "-print.html\">Print</a><li><a href=\"" + page +
           "-source.html\">Source</a></ul></nav>";
}

const Case kCases[] = {
    {"Sphinx toctree, expanded from the pages it names; index and search after the tree; a page "
     "only linked under the page linking it; an orphan under Other pages",
     {{"index.html",
       Sphinx("Manual",
              "<h1>Manual</h1><div class=\"toctree-wrapper compound\"><ul>"
              "<li class=\"toctree-l1\"><a class=\"reference internal\" href=\"intro.html\">"
              "Introduction</a><ul><li class=\"toctree-l2\"><a href=\"intro.html#install\">"
              "Installing</a></li></ul></li>"
              "<li class=\"toctree-l1\"><a href=\"api.html\">API</a></li>"
              "<li class=\"toctree-l1\"><a href=\"faq.html\">FAQ</a></li></ul></div>")},
      {"intro.html",
       Sphinx("Introduction", "<h1>Introduction</h1><p>See <a href=\"extra.html\">more</a>.")},
      {"api.html",
       Sphinx("API", "<h1>API</h1><div class=\"toctree-wrapper compound\">" +
                         Ul({"api/functions.html|Functions", "api/classes.html|Classes"}) +
                         "</div>")},
      {"api/functions.html", Sphinx("Functions", "<h1>Functions</h1>")},
      {"api/classes.html", Sphinx("Classes", "<h1>Classes</h1>")},
      {"faq.html", Sphinx("FAQ", "")},
      {"extra.html", Sphinx("Extra", "")},
      {"genindex.html", Sphinx("Index", "")},
      {"search.html", Sphinx("Search", "")},
      {"orphan/lost.html", Page("Lost", "")}},
     {"contents from index.html (marked div.toctree-wrapper.compound)", "Manual\tindex.html",
      "Introduction\tintro.html", "  Installing\tintro.html#install", "  Extra\textra.html",
      "API\tapi.html", "  Functions\tapi/functions.html", "  Classes\tapi/classes.html",
      "FAQ\tfaq.html", "Index\tgenindex.html", "Search\tsearch.html", "Other pages\t", "  orphan\t",
      "    Lost\torphan/lost.html"}},
    {"DocBook: dl, dt and dd; a chapter listed alone takes the sections its page lists",
     {{"index.html",
       Page(
           "The Guide",
           "<div class=\"navheader\"><table><tr><td><a accesskey=\"n\" href=\"ch01.html\">Next"
           "</a></td></tr></table></div><div class=\"toc\"><p><b>Table of Contents</b></p>"
           "<dl class=\"toc\"><dt><span class=\"chapter\"><a href=\"ch01.html\">1. Start</a>"
           "</span></dt><dd><dl><dt><span class=\"section\"><a href=\"ch01.html#s1\">1.1. "
           "First steps</a></span></dt></dl></dd><dt><span class=\"chapter\"><a href=\"ch02.html\">"
           "2. Use</a></span></dt><dt><span class=\"appendix\"><a href=\"apa.html\">A. Notes</a>"
           "</span></dt></dl></div>")},
      {"ch01.html", Page("Chapter 1. Start", "<h1>Start</h1>")},
      {"ch02.html",
       Page("Chapter 2. Use",
            "<div class=\"toc\"><dl class=\"toc\"><dt><span class=\"section\">"
            "<a href=\"ch02s01.html\">2.1. Installing</a></span></dt><dt><span class=\"section\">"
            "<a href=\"ch02s02.html\">2.2. Running</a></span></dt><dt><a href=\"index.html\">"
            "Home</a></dt></dl></div>")},
      {"ch02s01.html", Page("2.1. Installing", "")},
      {"ch02s02.html", Page("2.2. Running", "")},
      {"apa.html", Page("Appendix A. Notes", "")}},
     {"contents from index.html (marked div.toc)", "The Guide\tindex.html", "1. Start\tch01.html",
      "  1.1. First steps\tch01.html#s1", "2. Use\tch02.html", "  2.1. Installing\tch02s01.html",
      "  2.2. Running\tch02s02.html", "A. Notes\tapa.html"}},
    {"mdBook: a list in an li of its own belongs to the item before it; <base href> in a "
     "sub-folder",
     {{"index.html", Page("Introduction - My Book", kMdBookSidebar)},
      {"intro.html", Page("Introduction - My Book", kMdBookSidebar)},
      {"intro/setup.html", "<base href=\"../\">" + Page("Setup - My Book", kMdBookSidebar)},
      {"guide.html", Page("Guide - My Book", kMdBookSidebar)},
      {"appendix.html", Page("Appendix - My Book", kMdBookSidebar)}},
     {"contents from index.html (marked nav.sidebar)", "Introduction\tindex.html",
      "1. Introduction\tintro.html", "  1.1. Setup\tintro/setup.html", "2. Guide\tguide.html",
      "Appendix\tappendix.html"}},
    {"MkDocs: a navbar of dropdowns whose headings are \"#\" links; a heading repeated by its "
     "first child becomes it; next links and links outside left out",
     {{"index.html", Page("Site", kMkDocsNavbar)},
      {"guide/index.html", Page("User Guide - Site", kMkDocsNavbar)},
      {"guide/install.html", Page("Installation - Site", kMkDocsNavbar)},
      {"about/license.html", Page("License - Site", kMkDocsNavbar)},
      {"about/notes.html", Page("Release Notes - Site", kMkDocsNavbar)}},
     {"contents from index.html (marked div.navbar.fixed-top.navbar-expand-lg)", "Home\tindex.html",
      "User Guide\tguide/index.html", "  Installation\tguide/install.html", "About\t",
      "  License\tabout/license.html", "  Release Notes\tabout/notes.html"}},
    {"Texinfo: redirect stubs get no entry; titles lose the manual's name",
     {{"index.html",
       Page("Top (Demo Manual)",
            "<div class=\"contents\"><ul class=\"no-bullet\"><li><a href=\"Intro.html\">1 Intro"
            "</a></li><li><a href=\"Macros.html\">2 Macros</a><ul class=\"no-bullet\"><li>"
            "<a href=\"Define.html\">2.1 Define</a></li></ul></li><li><a "
            "href=\"Concept-Index.html\">"
            "Index</a></li></ul></div>")},
      {"Intro.html", Page("Intro (Demo Manual)", "")},
      {"Macros.html", Page("Macros (Demo Manual)", "")},
      {"Define.html", Page("Define (Demo Manual)", "")},
      {"Concept-Index.html",
       Page("Concept Index (Demo Manual)", "<a href=\"index-define.html\">define</a>")},
      {"Defining-Macros.html", "<meta http-equiv=\"Refresh\" content=\"0; url=Define.html\">Moved"},
      {"index-define.html",
       "<meta http-equiv=\"refresh\" content=\"0;URL='Define.html#index-define'\">"},
      {"Stray.html", Page("Stray (Demo Manual)", "")}},
     {"contents from index.html (marked div.contents)", "Top\tindex.html", "1 Intro\tIntro.html",
      "2 Macros\tMacros.html", "  2.1 Define\tDefine.html", "Index\tConcept-Index.html",
      "Other pages\t", "  Stray\tStray.html"}},
    {"HTML4: li without end tags; an unmarked list that nests and names most pages",
     {{"index.html",
       "<html><title>Book</title><h1>Book</h1><ul><li><a href=a.html>Part A</a><ul>"
       "<li><a href=a1.html>A one</a><li><a href=a2.html>A two</a></ul><li><a href=b.html>"
       "Part B</a></ul>"},
      {"a.html", "<title>A</title>"},
      {"a1.html", "<title>A1</title>"},
      {"a2.html", "<title>A2</title>"},
      {"b.html", "<title>B</title>"}},
     {"contents from index.html (unmarked ul)", "Book\tindex.html", "Part A\ta.html",
      "  A one\ta1.html", "  A two\ta2.html", "Part B\tb.html"}},
    {"pages whose lists name each other in a loop: each page once",
     {{"index.html", Page("Home", "<nav>" + Ul({"a.html|a", "b.html|b", "c.html|c"}) + "</nav>")},
      {"a.html", Page("a", "<nav>" + Ul({"b.html|b", "a1.html|a1", "a2.html|a2"}) + "</nav>")},
      {"b.html",
       Page("b", "<nav>" +
                     Ul({"a.html|a", "a1.html|a1", "b1.html|b1", "b2.html|b2", "index.html|home"}) +
                     "</nav>")},
      {"c.html", Page("c", "<nav>" + Ul({"a.html|a", "b.html|b", "c.html|c"}) + "</nav>")},
      {"a1.html", Page("a1", "<nav>" + Ul({"a.html|a", "b.html|b", "b1.html|b1"}) + "</nav>")},
      {"a2.html", Page("a2", "")},
      {"b1.html", Page("b1", "<nav>" + Ul({"a1.html|a1", "b.html|b", "b2.html|b2"}) + "</nav>")},
      {"b2.html", Page("b2", "")}},
     {"contents from index.html (marked nav)", "Home\tindex.html", "a\ta.html", "  a1\ta1.html",
      "  a2\ta2.html", "b\tb.html", "  b1\tb1.html", "  b2\tb2.html", "c\tc.html"}},
    {"a site whose only lists are its navigation bar: the page list",
     {{"index.html", Page("Home", kSiteNav + "<a href=\"blog.html\">Blog</a>")},
      {"about.html", Page("About", kSiteNav)},
      {"contact.html", Page("Contact", kSiteNav)},
      {"blog.html", Page("Blog", kSiteNav + "<p><a href=\"p1.html\">One</a> <a href=\"p2.html\">"
                                            "Two</a> <a href=\"p3.html\">Three</a>")},
      {"p1.html", Page("One", kSiteNav)},
      {"p2.html", Page("Two", kSiteNav)},
      {"p3.html", Page("Three", kSiteNav)},
      {"p4.html", Page("Four", kSiteNav)},
      {"p5.html", Page("Five", kSiteNav)}},
     {"contents from the page list", "Home\tindex.html", "About\tabout.html",
      "Contact\tcontact.html", "Blog\tblog.html", "One\tp1.html", "Two\tp2.html", "Three\tp3.html",
      "Four\tp4.html", "Five\tp5.html"}},
    {"a navigation bar naming a few pages of each page's own (its print and source forms), as "
     "Javadoc's: still a navigation bar",
     {{"index.html", Page("Home", kSiteNav + "<p><a href=\"p1.html\">One</a> <a href=\"p2.html\">"
                                             "Two</a> <a href=\"p3.html\">Three</a>")},
      {"about.html", Page("About", kSiteNav)},
      {"contact.html", Page("Contact", kSiteNav)},
      {"blog.html", Page("Blog", kSiteNav)},
      {"p1.html", Page("One", PageNav("p1"))},
      {"p2.html", Page("Two", PageNav("p2"))},
      {"p3.html", Page("Three", PageNav("p3"))},
      {"p1-print.html", Page("One, printed", kSiteNav)},
      {"p1-source.html", Page("One, source", kSiteNav)},
      {"p2-print.html", Page("Two, printed", kSiteNav)},
      {"p2-source.html", Page("Two, source", kSiteNav)},
      {"p4.html", Page("Four", kSiteNav)},
      {"p5.html", Page("Five", kSiteNav)},
      {"p6.html", Page("Six", kSiteNav)},
      {"p7.html", Page("Seven", kSiteNav)}},
     {"contents from the page list", "Home\tindex.html", "About\tabout.html",
      "Contact\tcontact.html", "Blog\tblog.html", "One\tp1.html", "Two\tp2.html", "Three\tp3.html",
      "One, printed\tp1-print.html", "One, source\tp1-source.html", "Two, printed\tp2-print.html",
      "Two, source\tp2-source.html", "Four\tp4.html", "Five\tp5.html", "Six\tp6.html",
      "Seven\tp7.html"}},
    {"siblings with the same label are told apart by h1, folder, file name or fragment",
     {{"index.html",
       Page("Home", "<nav>" +
                        Ul({"cats.html|Notes", "dogs.html|Notes", "x/setup.html|Setup",
                            "y/setup.html|Setup", "p.html#a|More", "p.html#b|More", "q.html|Same",
                            "q.html|Same"}) +
                        "</nav>")},
      {"cats.html", Page("Cats", "<h1>Notes on cats</h1>")},
      {"dogs.html", Page("Dogs", "<h1>Notes on dogs</h1>")},
      {"x/setup.html", Page("Setup", "<h1>Setup</h1>")},
      {"y/setup.html", Page("Setup", "<h1>Setup</h1>")},
      {"p.html", Page("P", "")},
      {"q.html", Page("Q", "")}},
     {"contents from index.html (marked nav)", "Home\tindex.html",
      "Notes \xE2\x80\x93 Notes on cats\tcats.html", "Notes \xE2\x80\x93 Notes on dogs\tdogs.html",
      "Setup \xE2\x80\x93 x\tx/setup.html", "Setup \xE2\x80\x93 y\ty/setup.html",
      "More \xE2\x80\x93 a\tp.html#a", "More \xE2\x80\x93 b\tp.html#b",
      "Same \xE2\x80\x93 q.html\tq.html", "Same \xE2\x80\x93 q.html (2)\tq.html"}},
    {"links are matched as the viewer opens them: an encoded slash names no file",
     {{"index.html",
       Page("Home", "<nav>" +
                        Ul({"a.html|A", "b.html|B", "c.html|C", "sub%2Fd.html|D", "sub/d.html|E"}) +
                        "</nav>")},
      {"a.html", Page("A", "")},
      {"b.html", Page("B", "")},
      {"c.html", Page("C", "")},
      {"sub/d.html", Page("D", "")}},
     {"contents from index.html (marked nav)", "Home\tindex.html", "A\ta.html", "B\tb.html",
      "C\tc.html", "E\tsub/d.html"}},
};

TEST(BookContents, FindsTheTreeOfEachGenerator) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        CBookFixture fixture(c.pages);
        ASSERT_TRUE(fixture.IsOpen());
        CContentsTree tree;
        ASSERT_TRUE(BuildBookContents(fixture.Book(), &tree));
        EXPECT_EQ(Joined(Listing(fixture.Book(), tree)), Joined(c.expected));
        // Every file the tree opens is a page of the book; a parent's subtree holds its
        // children's.
        for (size_t i = 0; i < tree.Size(); ++i) {
            const ContentsEntry& e = tree.Entries()[i];
            EXPECT_LT(e.nFile, static_cast<long>(fixture.Book().Files().size()));
            if (e.nParent != CContentsTree::npos) {
                EXPECT_LT(e.nParent, i);
                EXPECT_LE(e.nEnd, tree.Entries()[e.nParent].nEnd);
            }
        }
    }
}

// The entry selected for a shown page: the first naming it without a fragment, else the first
// naming it (an address with a fragment: the entry naming both, when there is one); a redirect
// selects its target's; a page without an entry selects nothing.
TEST(BookContents, SelectsTheEntryOfTheShownPage) {
    CBookFixture fixture({
        {"index.html", Page("Home", "<nav>" +
                                        Ul({"p.html#intro|Intro", "p.html|Page", "q.html#x|Q x",
                                            "q.html#y|Q y", "r.html|R"}) +
                                        "</nav>")},
        {"p.html", Page("P", "")},
        {"q.html", Page("Q", "")},
        {"r.html", Page("R", "")},
        {"old.html", "<meta http-equiv=refresh content=\"0; url=p.html\">"},
        {"loop1.html", "<meta http-equiv=refresh content=\"0; url=loop2.html\">"},
        {"loop2.html", "<meta http-equiv=refresh content=\"0; url=loop1.html\">"},
        {"style.css", "p{}"},
    });
    ASSERT_TRUE(fixture.IsOpen());
    CContentsTree tree;
    ASSERT_TRUE(BuildBookContents(fixture.Book(), &tree));
    const CBook& book = fixture.Book();
    auto labelFor = [&](const std::string& url) {
        const size_t entry = tree.EntryForUrl(book, url);
        return entry == CContentsTree::npos ? std::string("(none)")
                                            : tree.Entries()[entry].strLabel;
    };
    EXPECT_EQ(labelFor("e-book://p.html"), "Page");
    EXPECT_EQ(labelFor("e-book://P.HTML#intro"), "Intro");
    EXPECT_EQ(labelFor("e-book://p.html#elsewhere"), "Page");
    EXPECT_EQ(labelFor("e-book://q.html"), "Q x");
    EXPECT_EQ(labelFor("e-book://q.html#y"), "Q y");
    EXPECT_EQ(labelFor("e-book://old.html"), "Page");
    EXPECT_EQ(labelFor("e-book://style.css"), "(none)");
    // Two stubs sending the reader to each other redirect nowhere: they are pages of their own.
    EXPECT_EQ(labelFor("e-book://loop1.html"), "loop1.html");
    const size_t q = tree.EntryForUrl(book, "e-book://q.html");
    EXPECT_EQ(tree.Url(book, q), "e-book://q.html#x");
    EXPECT_EQ(tree.Target(book, q), "q.html#x");
    // The tree's navigation: the top level in order, then the children of an entry.
    std::vector<std::string> top;
    for (size_t e = tree.FirstChild(CContentsTree::npos); e != CContentsTree::npos;
         e = tree.NextSibling(e))
        top.push_back(tree.Entries()[e].strLabel);
    EXPECT_EQ(
        top, std::vector<std::string>({"Home", "Intro", "Page", "Q x", "Q y", "R", "Other pages"}));
    EXPECT_FALSE(tree.HasChildren(tree.EntryForUrl(book, "e-book://r.html")));
}

// A book of one page, a book of none, a page too deeply nested to be real: no crash, no
// recursion as deep as the page, a tree that still names every page.
TEST(BookContents, HostileAndEmptyBooks) {
    std::string deep = "<title>Deep</title><nav>";
    for (int k = 0; k < 20000; ++k)
        deep += "<ul><li><a href=\"p" + std::to_string(k % 4) + ".html\">x</a>";
    const Pages shapes[] = {
        {},
        {{"only.html", "<title>Only</title>"}},
        {{"index.html", deep}, {"p0.html", ""}, {"p1.html", ""}, {"p2.html", ""}, {"p3.html", ""}},
    };
    for (const Pages& pages : shapes) {
        SCOPED_TRACE(pages.size());
        CBookFixture fixture(pages);
        ASSERT_TRUE(fixture.IsOpen());
        CContentsTree tree;
        ASSERT_TRUE(BuildBookContents(fixture.Book(), &tree));
        std::vector<bool> named(fixture.Book().Files().size(), false);
        for (const ContentsEntry& e : tree.Entries()) {
            EXPECT_LE(e.nDepth, 80);
            if (e.nFile >= 0)
                named[static_cast<size_t>(e.nFile)] = true;
        }
        for (size_t f = 0; f < named.size(); ++f)
            EXPECT_TRUE(named[f]) << fixture.Book().Files()[f].strName;
    }
}

// Cancelling returns false at once and leaves the tree as it was; so does a read that cancels
// from inside a page.
TEST(BookContents, CancelLeavesTheTreeAlone) {
    Pages pages;
    for (int k = 0; k < 40; ++k)
        pages.push_back({"p" + std::to_string(k) + ".html", Page("P", "text")});
    CBookFixture fixture(pages);
    ASSERT_TRUE(fixture.IsOpen());
    CContentsTree tree = PageListContents(fixture.Book());
    const size_t before = tree.Size();
    std::atomic<bool> cancel{false};
    int reads = 0;
    const auto read = [&](const BookFile& file, std::vector<uint8_t>* data, std::string* error) {
        if (++reads == 3)
            cancel = true;
        return fixture.Book().ReadFile(file, data, error);
    };
    EXPECT_FALSE(BuildBookContents(fixture.Book(), &tree, &cancel, 1, read));
    EXPECT_LT(reads, 40);
    EXPECT_EQ(tree.Size(), before);
    EXPECT_EQ(tree.Entries()[0].strLabel, "p0.html");
}

// Search results carry the tree's labels, unique among the pages.
TEST(BookContents, SearchResultsUseTheTreesLabels) {
    CBookFixture fixture({
        {"index.html",
         Page("Home", "<nav>" +
                          Ul({"a/notes.html|Notes", "b/notes.html|Notes", "c.html|Chapter C"}) +
                          "</nav>")},
        {"a/notes.html", Page("Notes - Site", "<h1>Cats</h1>apple")},
        {"b/notes.html", Page("Notes - Site", "<h1>Dogs</h1>apple")},
        {"c.html", Page("C - Site", "<h1>C</h1>apple")},
        {"d.html", Page("Chapter C - Site", "apple")},
    });
    ASSERT_TRUE(fixture.IsOpen());
    CContentsTree tree;
    ASSERT_TRUE(BuildBookContents(fixture.Book(), &tree));
    CBookSearch search;
    ASSERT_TRUE(search.Build(fixture.Book()));
    std::vector<std::string> titles;
    for (const SearchHit& hit : search.Search(fixture.Book(), "apple", 500, &tree).hits)
        titles.push_back(hit.strName + "|" + hit.strTitle);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, std::vector<std::string>({
                          "a/notes.html|Notes \xE2\x80\x93 Cats",
                          "b/notes.html|Notes \xE2\x80\x93 Dogs",
                          "c.html|Chapter C",
                          "d.html|Chapter C \xE2\x80\x93 Other pages",
                      }));
}

}  // namespace
