// E-book URLs: names from URLs, relative links, MIME types, and the reader's history.
#include <gtest/gtest.h>

#include "book/BookHistory.h"
#include "book/BookUrl.h"

namespace {

TEST(ViewerUrl, NameFromUrl) {
    const struct {
        const char* url;
        const char* name;  // nullptr: not an e-book URL
    } cases[] = {
        {"e-book://index.htm", "index.htm"},
        {"e-book:///index.htm", "index.htm"},
        {"e-book:index.htm", "index.htm"},
        {"E-BOOK://index.htm/", "index.htm"},
        {"e-book://a/b/c.htm", "a/b/c.htm"},
        {"e-book://a\\b.htm", "a/b.htm"},
        {"e-book://a/./b/../c.htm", "a/c.htm"},
        {"e-book://../../c.htm", "c.htm"},
        // An encoded slash or backslash separates no folders: it stays in its name, as a
        // backslash, and dots around it climb nothing.
        {"e-book://a%20b%2fc.htm", "a b\\c.htm"},
        {"e-book://sub/x%5C..%5Cc.htm", "sub/x\\..\\c.htm"},
        {"e-book://a/%2E%2e/b/%2e/c.htm", "b/c.htm"},
        {"e-book://100%.htm", "100%.htm"},
        {"e-book://x%zz.htm", "x%zz.htm"},
        {"e-book://page%41", "pageA"},  // an escape that ends the URL
        {"e-book://page%41#top", "pageA"},
        {"e-book://%41", "A"},
        {"e-book://page%4", "page%4"},  // cut short: kept as written
        {"e-book://page%", "page%"},
        {"e-book://p.htm?q=1", "p.htm"},
        {"e-book://p.htm#sec", "p.htm"},
        {"e-book://p.htm?a#b", "p.htm"},
        {"http://index.htm", nullptr},
        {"c:\\book\\index.htm", nullptr},
        {"index.htm", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        std::string name;
        EXPECT_EQ(NameFromUrl(c.url, &name), c.name != nullptr);
        if (c.name) {
            EXPECT_EQ(name, c.name);
        }
    }
}

TEST(ViewerUrl, UrlFromNameRoundTrips) {
    for (const char* name : {"index.htm", "sub/a b.htm", "100%#?.htm", "caf\xE9.htm"}) {
        SCOPED_TRACE(name);
        const std::string url = UrlFromName(name);
        EXPECT_EQ(url.find(' '), std::string::npos);
        std::string back;
        ASSERT_TRUE(NameFromUrl(url, &back));
        EXPECT_EQ(back, name);
    }
    EXPECT_EQ(UrlFromName("sub/a b.htm"), "e-book://sub/a%20b.htm");
    // A backslash within a name (an encoded separator) keeps its meaning: it names no file.
    EXPECT_EQ(UrlFromName("sub\\page.htm"), "e-book://sub%5Cpage.htm");
    EXPECT_TRUE(NameNamesNoFile("sub\\page.htm"));
    EXPECT_FALSE(NameNamesNoFile("sub/page.htm"));
}

TEST(ViewerUrl, CombinesRelativeLinks) {
    const struct {
        const char* base;
        const char* relative;
        const char* result;  // nullptr: left to the system
    } cases[] = {
        {"e-book://index.htm", "pic.png", "e-book://pic.png"},
        {"e-book://index.htm/", "pic.png", "e-book://pic.png"},  // host-style trailing slash
        {"e-book:///index.htm", "pic.png", "e-book://pic.png"},
        {"e-book://sub/page.htm", "pic.png", "e-book://sub/pic.png"},
        {"e-book://sub/page.htm", "../index.htm", "e-book://index.htm"},
        {"e-book://sub/deep/page.htm", "../../css/a.css", "e-book://css/a.css"},
        {"e-book://sub/page.htm", "/top.htm", "e-book://top.htm"},
        {"e-book://sub/page.htm", "./x/y.htm", "e-book://sub/x/y.htm"},
        {"e-book://sub/page.htm", "#part2", "e-book://sub/page.htm#part2"},
        {"e-book://sub/page.htm?q=1", "#part2", "e-book://sub/page.htm?q=1#part2"},
        {"e-book://sub/page.htm#old", "#new", "e-book://sub/page.htm#new"},
        {"e-book://sub/page.htm", "?x=2", "e-book://sub/page.htm?x=2"},
        {"e-book://sub/page.htm", "b.htm?x=1#y", "e-book://sub/b.htm?x=1#y"},
        {"e-book://sub/page.htm", "sub2\\c.htm", "e-book://sub/sub2/c.htm"},
        {"e-book://sub/page.htm", "", "e-book://sub/page.htm"},
        {"e-book://sub/page.htm", "e-book://other.htm", "e-book://other.htm"},
        {"e-book://sub/page.htm", "E-Book:///other.htm", "e-book://other.htm"},
        // Two slashes of either kind begin a host on the web.
        {"e-book://sub/page.htm", "//Cdn.Example.com/a/../x.js?v=1#t",
         "https://cdn.example.com/x.js?v=1#t"},
        {"e-book://sub/page.htm", "\\\\server\\share\\a.png", "https://server/share/a.png"},
        {"e-book://sub/page.htm", "\\/host", "https://host/"},
        {"e-book://sub/page.htm", "http://example.org/", nullptr},
        {"e-book://sub/page.htm", "mailto:a@b.c", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.relative);
        std::string result;
        EXPECT_EQ(CombineBookUrl(c.base, c.relative, &result), c.result != nullptr);
        if (c.result) {
            EXPECT_EQ(result, c.result);
        }
    }
}

TEST(ViewerUrl, Schemes) {
    EXPECT_EQ(UrlScheme("HTTP://x"), "http");
    EXPECT_EQ(UrlScheme("mailto:a@b"), "mailto");
    EXPECT_EQ(UrlScheme("c:\\x"), "");
    EXPECT_EQ(UrlScheme("a/b:c"), "");
    EXPECT_EQ(UrlScheme("page.htm"), "");
    EXPECT_TRUE(IsBookUrl("E-BOOK://x"));
    EXPECT_FALSE(IsBookUrl("e-books://x"));
}

TEST(ViewerUrl, MimeTypes) {
    const struct {
        const char* name;
        const char* mime;
    } cases[] = {
        {"a.htm", "text/html"},
        {"A.HTML", "text/html"},
        {"s/x.css", "text/css"},
        {"x.js", "text/javascript"},
        {"p.PNG", "image/png"},
        {"p.jpg", "image/jpeg"},
        {"p.jpeg", "image/jpeg"},
        {"p.gif", "image/gif"},
        {"i.svg", "image/svg+xml"},
        {"f.woff2", "font/woff2"},
        {"t.txt", "text/plain"},
        {"noext", "application/octet-stream"},
        {"dir.d/file", "application/octet-stream"},
        {"x.unknown", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(MimeTypeFromName(c.name), c.mime);
    }
}

TEST(ViewerHistory, BackForwardAndBranching) {
    CBookHistory h;
    EXPECT_FALSE(h.CanGoBack());
    EXPECT_FALSE(h.CanGoForward());
    EXPECT_EQ(h.GoBack(), "");
    EXPECT_EQ(h.Current(), "");
    h.Visit("a");
    h.Visit("b");
    h.Visit("b");  // the same page again is no new step
    h.Visit("c");
    EXPECT_EQ(h.Size(), 3u);
    EXPECT_EQ(h.GoBack(), "b");
    EXPECT_EQ(h.GoBack(), "a");
    EXPECT_FALSE(h.CanGoBack());
    EXPECT_EQ(h.GoForward(), "b");
    EXPECT_TRUE(h.CanGoForward());
    h.Visit("d");  // a new branch drops "c"
    EXPECT_FALSE(h.CanGoForward());
    EXPECT_EQ(h.Size(), 3u);
    EXPECT_EQ(h.GoBack(), "b");
    EXPECT_EQ(h.Current(), "b");
}

TEST(ViewerHistory, KeepsTheNewestEntries) {
    CBookHistory h;
    for (size_t i = 0; i < CBookHistory::kMaxEntries + 10; ++i)
        h.Visit("p" + std::to_string(i));
    EXPECT_EQ(h.Size(), CBookHistory::kMaxEntries);
    EXPECT_EQ(h.Current(), "p" + std::to_string(CBookHistory::kMaxEntries + 9));
    size_t steps = 0;
    while (h.CanGoBack()) {
        h.GoBack();
        ++steps;
    }
    EXPECT_EQ(steps, CBookHistory::kMaxEntries - 1);
    EXPECT_EQ(h.Current(), "p10");
}

}  // namespace
