// The book's pages as a web site: the origin of each book, addresses both ways, the answer to
// each request (status, type, ranges, methods, bytes held or streamed) straight from the store,
// and the search marking script's quoting of the words.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "store_testutil.h"
#include "TestBook.h"
#include "book/Book.h"
#include "book/BookFileReader.h"
#include "book/BookUrl.h"
#include "book/BookWeb.h"
#include "format/PackedBlock.h"
#include "platform/Sha256.h"

namespace {

const char kSite[] = "https://pagevane-test.invalid/";

TEST(ViewerWeb, EachBookIsASiteOfItsOwn) {
    // The digest under the label is SHA-256's: the standard's own test messages.
    const struct {
        std::string message;
        const char* digest;
    } vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.message.substr(0, 20));
        std::string hex;
        for (uint8_t b : CSha256::Of(v.message)) {
            hex += "0123456789abcdef"[b >> 4];
            hex += "0123456789abcdef"[b & 15];
        }
        EXPECT_EQ(hex, v.digest);
    }

    // One origin per file, whatever the spelling of its path; another file, another origin.
    const std::string a = BookWebOrigin("C:\\Books\\Guide.exe");
    EXPECT_EQ(a, BookWebOrigin("c:/books/GUIDE.EXE"));
    EXPECT_NE(a, BookWebOrigin("C:\\Books\\Guide2.exe"));
    EXPECT_NE(a, BookWebOrigin("D:\\Books\\Guide.exe"));
    // A registrable domain of its own under the reserved top-level name, in characters a host
    // name may hold: a cookie a book sets for a parent domain can reach no other book.
    ASSERT_EQ(a.size(), std::string("https://pagevane-.invalid/").size() + 26) << a;
    EXPECT_EQ(a.rfind("https://pagevane-", 0), 0u) << a;
    EXPECT_EQ(a.substr(a.size() - 9), ".invalid/") << a;
    for (size_t i = 17; i < a.size() - 9; ++i)
        EXPECT_TRUE((a[i] >= 'a' && a[i] <= 'z') || (a[i] >= '2' && a[i] <= '7')) << a;
}

TEST(ViewerWeb, AddressesBothWays) {
    const CBookSite site(kSite);
    const struct {
        const char* book;
        const char* web;
    } pairs[] = {
        {"e-book://index.htm", "https://pagevane-test.invalid/index.htm"},
        {"e-book://sub/Chapter%20One.htm#part-2",
         "https://pagevane-test.invalid/sub/Chapter%20One.htm#part-2"},
        {"e-book://find.htm?q=a#top", "https://pagevane-test.invalid/find.htm?q=a#top"},
        {"e-book://", "https://pagevane-test.invalid/"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.book);
        EXPECT_EQ(site.WebUrl(p.book), p.web);
        std::string back;
        ASSERT_TRUE(site.BookUrl(p.web, &back));
        EXPECT_EQ(back, p.book);
    }
    // Every spelling of a book URL becomes the one address; other URLs pass unchanged.
    EXPECT_EQ(site.WebUrl("E-BOOK:///sub\\Chapter One.htm"),
              "https://pagevane-test.invalid/sub/Chapter%20One.htm");
    EXPECT_EQ(site.WebUrl("https://example.com/a"), "https://example.com/a");

    const struct {
        const char* web;
        const char* book;  // nullptr: not the book's
    } reads[] = {
        {"HTTPS://PageVane-Test.Invalid/two.htm", "e-book://two.htm"},
        {"https://pagevane-test.invalid", "e-book://"},
        {"https://pagevane-test.invalid#x", "e-book://#x"},
        {"https://pagevane-test.invalid.example.com/two.htm", nullptr},
        {"https://pagevane-test.invalidx/two.htm", nullptr},
        {"https://pagevane-other.invalid/two.htm", nullptr},
        {"http://pagevane-test.invalid/two.htm", nullptr},
        {"file:///C:/pagevane-test.invalid/two.htm", nullptr},
        {"about:blank", nullptr},
    };
    for (const auto& r : reads) {
        SCOPED_TRACE(r.web);
        std::string book = "unchanged";
        EXPECT_EQ(site.BookUrl(r.web, &book), r.book != nullptr);
        EXPECT_EQ(book, r.book ? r.book : "unchanged");
    }
    // The reading server's origin has a port: another port is another site.
    const CBookSite server("http://127.0.0.1:8080");
    std::string book;
    EXPECT_EQ(server.WebUrl("e-book://a%20b.htm#x"), "http://127.0.0.1:8080/a%20b.htm#x");
    EXPECT_TRUE(server.BookUrl("http://127.0.0.1:8080/a.htm", &book));
    EXPECT_FALSE(server.BookUrl("http://127.0.0.1:80801/a.htm", &book));
    EXPECT_FALSE(server.BookUrl("http://127.0.0.1:808/a.htm", &book));
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
            .Page("empty.txt", "", false, false)
            .Page("media/clip.webm", Clip(), false, false)
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
    // 300,000 bytes that do not repeat in short runs, so that packing keeps them long.
    static std::string Clip() {
        std::string clip(300000, '\0');
        uint32_t x = 12345;
        for (char& c : clip) {
            x = x * 1103515245 + 12345;
            c = static_cast<char>(x >> 24);
        }
        return clip;
    }
    BookWebAnswer Ask(const std::string& path, const std::string& range = "",
                      const char* method = "GET", uint64_t streamFrom = kBookWebStreamFrom) {
        BookWebRequest r;
        r.method = method;
        r.url = kSite + path;
        r.range = range;
        return AnswerBookWebRequest(m_book, m_site, r, streamFrom);
    }
    // The body an answer carries, read through the streaming reader when it is streamed.
    std::string Body(const BookWebAnswer& a) {
        if (!a.Streamed())
            return std::string(a.body.begin(), a.body.end());
        CBookFileReader reader(m_book, *a.file);
        reader.Skip(a.first);
        std::string out(a.length, '\0');
        size_t got = 0;
        while (got < out.size()) {
            const size_t n = reader.Read(&out[got], std::min<size_t>(out.size() - got, 7777));
            if (n == 0)
                break;
            got += n;
        }
        out.resize(got);
        return out;
    }
    CTempFolder m_dir;
    CBook m_book;
    CBook m_damaged;
    CBookSite m_site{kSite};
};

TEST_F(ViewerWebAnswers, EachRequestGetsTheStoresBytesAndType) {
    const struct {
        std::string path;
        int status;
        const char* type;
        std::string body;  // "" with status 404: only a page naming the file is expected
    } table[] = {
        {"index.htm", 200, "text/html", "<title>Home</title>Welcome"},
        {"sub/Chapter%20One.htm", 200, "text/html", "<p>One</p>"},
        {"SUB/chapter%20one.HTM?x=1#p", 200, "text/html", "<p>One</p>"},
        {"sub/../css/./site.css", 200, "text/css", ":root{--accent:#036}"},
        {"fonts/body.woff2", 200, "font/woff2", std::string("wOF2\0\x01", 6)},
        {"images/pic.png", 200, "image/png", std::string("\x89PNG\r\n\x1a\n", 8)},
        {"data.unknownext", 200, "application/octet-stream", "raw"},
        {"empty.txt", 200, "text/plain", ""},
        {"missing.htm", 404, "text/html", ""},
        {"images/", 404, "text/html", ""},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.path);
        const BookWebAnswer a = Ask(t.path);
        EXPECT_EQ(a.status, t.status);
        EXPECT_EQ(a.contentType, t.type);
        EXPECT_FALSE(a.Streamed());
        const std::string body = Body(a);
        if (t.status == 200) {
            EXPECT_EQ(a.reason, "OK");
            EXPECT_EQ(body, t.body);
            EXPECT_EQ(a.Headers(), "Content-Type: " + std::string(t.type) +
                                       "\r\nContent-Length: " + std::to_string(t.body.size()) +
                                       "\r\nAccept-Ranges: bytes\r\nCache-Control: no-store");
        } else {
            EXPECT_EQ(a.reason, "Not Found");
            EXPECT_NE(body.find("is not part of this e-book"), std::string::npos) << body;
            EXPECT_EQ(a.Headers(), "Content-Type: text/html\r\nContent-Length: " +
                                       std::to_string(body.size()) + "\r\nCache-Control: no-store");
        }
    }
    // Another site's address is not the book's, even for a name the book holds.
    BookWebRequest elsewhere;
    elsewhere.url = "https://pagevane-other.invalid/index.htm";
    EXPECT_EQ(AnswerBookWebRequest(m_book, m_site, elsewhere).status, 404);
    // A name that is markup is written as text on the not-found page.
    const std::string body = Body(Ask("%3Cscript%3E.htm"));
    EXPECT_EQ(body.find("<script>"), std::string::npos) << body;
    EXPECT_NE(body.find("&lt;script&gt;"), std::string::npos) << body;
}

TEST_F(ViewerWebAnswers, RangesMethodsAndWorkers) {
    const std::string clip = Clip();
    const uint64_t n = clip.size();
    // The same answers whether the file is held whole or streamed as it is unpacked.
    for (const uint64_t streamFrom : {kBookWebStreamFrom, uint64_t(1000)}) {
        SCOPED_TRACE(streamFrom);
        const struct {
            const char* range;
            int status;
            uint64_t first, length;  // of the part answered
        } ranges[] = {
            {"", 200, 0, n},
            {"bytes=0-0", 206, 0, 1},
            {"bytes=100-199", 206, 100, 100},
            {"bytes=299000-", 206, 299000, n - 299000},
            {"bytes=299990-400000", 206, 299990, 10},  // a last byte past the end is the end
            {"bytes=-500", 206, n - 500, 500},
            {"bytes=-999999", 206, 0, n},
            {"BYTES = 5 - 9", 206, 5, 5},
            {"bytes=300000-", 416, 0, 0},
            {"bytes=-0", 416, 0, 0},
            {"bytes=9-5", 200, 0, n},  // malformed ranges are ignored: the whole file
            {"bytes=0-1,5-6", 200, 0, n},
            {"items=0-1", 200, 0, n},
            {"bytes=x-1", 200, 0, n},
            {"bytes=99999999999999999999-", 200, 0, n},
        };
        for (const auto& r : ranges) {
            SCOPED_TRACE(r.range);
            const BookWebAnswer a = Ask("media/clip.webm", r.range, "GET", streamFrom);
            ASSERT_EQ(a.status, r.status);
            EXPECT_EQ(a.contentType, r.status == 416 ? "text/html" : "video/webm");
            if (r.status == 416) {
                EXPECT_NE(a.Headers().find("\r\nContent-Range: bytes */300000\r\n"),
                          std::string::npos)
                    << a.Headers();
                continue;
            }
            EXPECT_EQ(a.Streamed(), streamFrom < n);
            EXPECT_EQ(a.length, r.length);
            EXPECT_TRUE(Body(a) == clip.substr(r.first, r.length));
            const std::string part = "\r\nContent-Range: bytes " + std::to_string(r.first) + "-" +
                                     std::to_string(r.first + r.length - 1) + "/300000\r\n";
            EXPECT_EQ(a.Headers().find(part) != std::string::npos, r.status == 206) << a.Headers();
            EXPECT_NE(a.Headers().find("Content-Length: " + std::to_string(r.length) + "\r\n"),
                      std::string::npos)
                << a.Headers();
        }
    }
    // HEAD: GET's headers, no body.
    const BookWebAnswer head = Ask("media/clip.webm", "bytes=10-19", "HEAD", 1000);
    EXPECT_EQ(head.status, 206);
    EXPECT_TRUE(head.headOnly);
    EXPECT_FALSE(head.Streamed());
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(head.length, 10u);
    EXPECT_EQ(Ask("nowhere.htm", "", "HEAD").status, 404);
    EXPECT_TRUE(Ask("nowhere.htm", "", "HEAD").body.empty());
    // Nothing but reading.
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "get", ""}) {
        SCOPED_TRACE(method);
        const BookWebAnswer a = Ask("index.htm", "", method);
        EXPECT_EQ(a.status, 405);
        EXPECT_NE(a.Headers().find("\r\nAllow: GET, HEAD\r\n"), std::string::npos);
    }
    // A page's attempt to install a service worker is refused; the same file fetched plainly
    // is served.
    BookWebRequest worker;
    worker.url = std::string(kSite) + "css/site.css";
    worker.serviceWorker = true;
    EXPECT_EQ(AnswerBookWebRequest(m_book, m_site, worker).status, 403);
    worker.serviceWorker = false;
    EXPECT_EQ(AnswerBookWebRequest(m_book, m_site, worker).status, 200);
}

// A reader rewound, in the middle of the file or after its end, reads the same bytes again (the
// page engine rewinds an answer's stream before it reads it).
TEST_F(ViewerWebAnswers, ARewoundReaderReadsTheFileAgain) {
    const std::string clip = Clip();
    const BookWebAnswer a = Ask("media/clip.webm", "", "GET", 1000);
    ASSERT_TRUE(a.Streamed());
    CBookFileReader reader(m_book, *a.file);
    std::string part(5000, '\0');
    ASSERT_EQ(reader.Read(&part[0], part.size()), part.size());
    for (const char* when : {"in the middle", "after the end"}) {
        SCOPED_TRACE(when);
        reader.Rewind();
        EXPECT_EQ(reader.Position(), 0u);
        std::string all(clip.size() + 10, '\0');
        size_t got = 0;
        for (size_t n; (n = reader.Read(&all[got], all.size() - got)) != 0;)
            got += n;
        all.resize(got);
        EXPECT_TRUE(all == clip);
    }
    reader.Rewind();
    reader.Skip(299990);
    std::string tail(10, '\0');
    EXPECT_EQ(reader.Read(&tail[0], 10), 10u);
    EXPECT_EQ(tail, clip.substr(299990));
}

TEST_F(ViewerWebAnswers, ADamagedPageIsAServerErrorNamingIt) {
    const CBookSite site(kSite);
    BookWebRequest r;
    r.url = std::string(kSite) + "broken.htm";
    const BookWebAnswer bad = AnswerBookWebRequest(m_damaged, site, r);
    EXPECT_EQ(bad.status, 500);
    const std::string body(bad.body.begin(), bad.body.end());
    EXPECT_NE(body.find("&quot;broken.htm&quot;"), std::string::npos) << body;
    EXPECT_NE(body.find("damaged"), std::string::npos) << body;
    // Streamed, the damage shows as the stream is read: an error, never wrong bytes.
    const BookWebAnswer streamed = AnswerBookWebRequest(m_damaged, site, r, 0);
    ASSERT_TRUE(streamed.Streamed());
    EXPECT_THROW(
        {
            CBookFileReader reader(m_damaged, *streamed.file);
            char buffer[64];
            while (reader.Read(buffer, sizeof buffer) != 0) {
            }
        },
        CPackError);
    r.url = std::string(kSite) + "fine.htm";
    const BookWebAnswer fine = AnswerBookWebRequest(m_damaged, site, r);
    EXPECT_EQ(fine.status, 200);
    EXPECT_EQ(std::string(fine.body.begin(), fine.body.end()), "fine");
}

TEST(ViewerWeb, TypesOfWhatTodaysSitesShip) {
    const struct {
        const char* name;
        const char* type;
    } cases[] = {
        {"app.mjs", "text/javascript"},
        {"lib/x.JS", "text/javascript"},
        {"m.wasm", "application/wasm"},
        {"d.json", "application/json"},
        {"p.webp", "image/webp"},
        {"p.avif", "image/avif"},
        {"f.woff2", "font/woff2"},
        {"i.svg", "image/svg+xml"},
        {"x.xhtml", "application/xhtml+xml"},
        {"v.webm", "video/webm"},
        {"a.ogg", "audio/ogg"},
        {"c.vtt", "text/vtt"},
        {"site.webmanifest", "application/manifest+json"},
        {"v.mp4", "video/mp4"},
        {"dir.mjs/file", "application/octet-stream"},
        {"noext", "application/octet-stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(MimeTypeFromName(c.name), c.type);
    }
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
