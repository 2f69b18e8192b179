// The book's pages under the web origin the WebView2 engine loads them from: addresses both
// ways, the answer to each request (status, type, bytes) straight from the store, and the search
// marking script's quoting of the words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store_testutil.h"
#include "TestBook.h"
#include "book/Book.h"
#include "book/BookWeb.h"

namespace {

TEST(ViewerWeb, AddressesBothWays) {
    const struct {
        const char* book;
        const char* web;
    } pairs[] = {
        {"e-book://index.htm", "https://book.pagevane.invalid/index.htm"},
        {"e-book://sub/Chapter%20One.htm#part-2",
         "https://book.pagevane.invalid/sub/Chapter%20One.htm#part-2"},
        {"e-book://find.htm?q=a#top", "https://book.pagevane.invalid/find.htm?q=a#top"},
        {"e-book://", "https://book.pagevane.invalid/"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.book);
        EXPECT_EQ(WebUrlFromBookUrl(p.book), p.web);
        std::string back;
        ASSERT_TRUE(BookUrlFromWebUrl(p.web, &back));
        EXPECT_EQ(back, p.book);
    }
    // Every spelling of a book URL becomes the one address; other URLs pass unchanged.
    EXPECT_EQ(WebUrlFromBookUrl("E-BOOK:///sub\\Chapter One.htm"),
              "https://book.pagevane.invalid/sub/Chapter%20One.htm");
    EXPECT_EQ(WebUrlFromBookUrl("https://example.com/a"), "https://example.com/a");

    const struct {
        const char* web;
        const char* book;  // nullptr: not the book's
    } reads[] = {
        {"HTTPS://Book.PageVane.Invalid/two.htm", "e-book://two.htm"},
        {"https://book.pagevane.invalid", "e-book://"},
        {"https://book.pagevane.invalid#x", "e-book://#x"},
        {"https://book.pagevane.invalid.example.com/two.htm", nullptr},
        {"https://book.pagevane.invalidx/two.htm", nullptr},
        {"http://book.pagevane.invalid/two.htm", nullptr},
        {"file:///C:/book.pagevane.invalid/two.htm", nullptr},
        {"about:blank", nullptr},
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.web);
        std::string book = "unchanged";
        EXPECT_EQ(BookUrlFromWebUrl(r.web, &book), r.book != nullptr);
        EXPECT_EQ(book, r.book ? r.book : "unchanged");
    }
}

class ViewerWebAnswers : public ::testing::Test {
  protected:
    void SetUp() override {
        CTestBook b;
        b.Page("index.htm", "<title>Home</title>Welcome")
            .Page("sub/Chapter One.htm", "<p>One</p>")
            .Page("css/site.css", ":root{--accent:#036}", false, false)
            .Page("fonts/body.woff2", std::string("wOF2\0\x01", 6), false, false)
            .Page("data.unknownext", "raw", false, false)
            .Page("images/pic.png", std::string("\x89PNG\r\n\x1a\n", 8), false, false);
        const std::string path = m_dir.File("book.exe");
        b.Write(path, std::string("MZ stub", 7));
        ASSERT_TRUE(m_book.Open(path)) << m_book.GetErrorText();
        CTestBook damaged;
        damaged.Page("broken.htm", "<p>will not unpack</p>").Page("fine.htm", "fine");
        damaged.bBadPackedPage = true;
        const std::string bad = m_dir.File("damaged.exe");
        damaged.Write(bad, std::string("MZ stub", 7));
        ASSERT_TRUE(m_damaged.Open(bad)) << m_damaged.GetErrorText();
    }
    CTempFolder m_dir;
    CBook m_book;
    CBook m_damaged;
};

TEST_F(ViewerWebAnswers, EachRequestGetsTheStoresBytesAndType) {
    const std::string o = "https://book.pagevane.invalid/";
    const struct {
        std::string url;
        int status;
        const char* type;
        std::string body;  // "" with status 404/500: only a page naming the file is expected
    } table[] = {
        {o + "index.htm", 200, "text/html", "<title>Home</title>Welcome"},
        {o + "sub/Chapter%20One.htm", 200, "text/html", "<p>One</p>"},
        {o + "SUB/chapter%20one.HTM?x=1#p", 200, "text/html", "<p>One</p>"},
        {o + "sub/../css/./site.css", 200, "text/css", ":root{--accent:#036}"},
        {o + "fonts/body.woff2", 200, "font/woff2", std::string("wOF2\0\x01", 6)},
        {o + "images/pic.png", 200, "image/png", std::string("\x89PNG\r\n\x1a\n", 8)},
        {o + "data.unknownext", 200, "application/octet-stream", "raw"},
        {o + "missing.htm", 404, "text/html", ""},
        {o + "images/", 404, "text/html", ""},
        {"https://elsewhere.example/index.htm", 404, "text/html", ""},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.url);
        const BookWebAnswer a = AnswerBookWebRequest(m_book, t.url);
        EXPECT_EQ(a.status, t.status);
        EXPECT_EQ(a.contentType, t.type);
        const std::string body(a.body.begin(), a.body.end());
        if (t.status == 200) {
            EXPECT_EQ(a.reason, "OK");
            EXPECT_EQ(body, t.body);
        } else {
            EXPECT_EQ(a.reason, "Not Found");
            EXPECT_NE(body.find("is not part of this e-book"), std::string::npos) << body;
        }
        EXPECT_EQ(a.Headers(), "Content-Type: " + std::string(t.type) + "\r\nContent-Length: " +
                                   std::to_string(a.body.size()) + "\r\nCache-Control: no-store");
    }
    // A name that is markup is written as text on the not-found page.
    const BookWebAnswer a = AnswerBookWebRequest(m_book, o + "%3Cscript%3E.htm");
    const std::string body(a.body.begin(), a.body.end());
    EXPECT_EQ(body.find("<script>"), std::string::npos) << body;
    EXPECT_NE(body.find("&lt;script&gt;"), std::string::npos) << body;
}

TEST_F(ViewerWebAnswers, ADamagedPageIsAServerErrorNamingIt) {
    const BookWebAnswer bad =
        AnswerBookWebRequest(m_damaged, "https://book.pagevane.invalid/broken.htm");
    EXPECT_EQ(bad.status, 500);
    const std::string body(bad.body.begin(), bad.body.end());
    EXPECT_NE(body.find("&quot;broken.htm&quot;"), std::string::npos) << body;
    EXPECT_NE(body.find("damaged"), std::string::npos) << body;
    const BookWebAnswer fine =
        AnswerBookWebRequest(m_damaged, "https://book.pagevane.invalid/fine.htm");
    EXPECT_EQ(fine.status, 200);
    EXPECT_EQ(std::string(fine.body.begin(), fine.body.end()), "fine");
}

TEST(ViewerWeb, SearchWordsAreQuotedForTheScript) {
    const struct {
        const char* text;
        const char* literal;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"line\nbreak\t", "\"line\\u000abreak\\u0009\""},
        {"</script>", "\"\\u003c/script\\u003e\""},
        {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
        {"a\xE2\x80\xA8"
         "b\xE2\x80\xA9",
         "\"a\\u2028b\\u2029\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(JsStringLiteral(c.text), c.literal);
    }
    const std::string script = MarkHitsScript({"third", "", "it's \"x\""}, 1000);
    EXPECT_NE(script.find("([\"third\",\"it's \\\"x\\\"\"],1000)"), std::string::npos) << script;
    EXPECT_NE(MarkHitsScript({}, 5).find("([],5)"), std::string::npos);
}

}  // namespace
