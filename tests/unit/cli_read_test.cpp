// pagevane-cli read: what the site answers (the Host check, the reader's own addresses beside
// the book's, the JSON of the reader's page) and the server on a real socket (connections kept
// for the next request, escapes kept, large files streamed from a range, bounded requests and
// connections).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "TestBook.h"
#include "TextCount.h"
#include "book/BookWeb.h"
#include "cli/ReaderServer.h"
#include "cli/ReaderSite.h"
#include "format/BookLayout.h"

namespace {

const uint16_t kPort = 4711;  // the site's port; the server tests bind a free one

std::string Text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A large file that packs well but does not repeat in short runs.
std::string Large(size_t size) {
    std::string s;
    for (size_t i = 0; s.size() < size; ++i)
        s += "line " + std::to_string(i) + "\n";
    s.resize(size);
    return s;
}

class ReadSite : public ::testing::Test {
  protected:
    void WriteBook(const std::string& title = "Harbour \xe9") {
        CTestBook b;
        b.title = title;
        b.settings[kShowToolbar] = 1;
        b.settings[kPrevNextButtons] = 1;
        b.settings[kSearchButton] = 1;
        b.Page("index.htm", "<title>Home</title><p>The harbour pilot waits.</p>")
            .Page("sub/Chapter One.htm", "<title>One</title><p>A lantern room.</p>")
            .Page("a#b.htm", "<p>hash</p>")
            .Page("old.htm", "<meta http-equiv=refresh content='0; url=sub/Chapter%20One.htm'>")
            // A crafted book naming the reader's own file: it must not take its place.
            .Page(":reader/reader.js", "alert('book')", false, false)
            .Page("big.txt", Large(5u << 20), false, false);
        m_path = m_dir.File("book.exe");
        b.Write(m_path, std::string("MZ stub", 7));
    }
    void SetUp() override {
        WriteBook();
        m_site.reset(new CReaderSite(m_path, kPort));
        ASSERT_TRUE(m_site->Book().Open(m_path)) << m_site->Book().GetErrorText();
    }
    BookWebAnswer Get(const std::string& target, const std::string& method = "GET",
                      const std::string& host = "127.0.0.1:4711") {
        ReaderRequest r;
        r.method = method;
        r.target = target;
        r.host = host;
        return m_site->Answer(r);
    }

    CTempFolder m_dir;
    std::string m_path;
    std::unique_ptr<CReaderSite> m_site;
};

TEST_F(ReadSite, AnswersOnlyItsOwnAddressAndKeepsTheBookInsideTheStore) {
    const struct {
        const char* target;
        const char* method;
        const char* host;
        int status;
        const char* type;  // nullptr: not checked
        const char* body;  // a part of the body, or nullptr
    } cases[] = {
        {"/index.htm", "GET", "127.0.0.1:4711", 200, "text/html", "harbour pilot"},
        {"/index.htm", "GET", "127.0.0.1:4712", 403, "text/html", "only the address"},
        {"/index.htm", "GET", "localhost:4711", 403, nullptr, nullptr},
        {"/index.htm", "GET", "evil.example:4711", 403, nullptr, nullptr},
        {"/index.htm", "GET", "127.0.0.1", 403, nullptr, nullptr},
        {"/index.htm", "GET", "", 403, nullptr, nullptr},
        {"/:reader/book.json", "GET", "attacker.test", 403, nullptr, nullptr},
        {"/", "GET", "127.0.0.1:4711", 200, "text/html", "/:reader/reader.js"},
        {"/?page=1", "GET", "127.0.0.1:4711", 200, "text/html", "<iframe"},
        {"/:reader/reader.js", "GET", "127.0.0.1:4711", 200, "text/javascript", "book.json"},
        {"/:reader/reader.css", "GET", "127.0.0.1:4711", 200, "text/css", nullptr},
        {"/:reader/nothing", "GET", "127.0.0.1:4711", 404, "text/html", nullptr},
        {"/sub/Chapter%20One.htm", "GET", "127.0.0.1:4711", 200, "text/html", "lantern"},
        {"/a%23b.htm", "GET", "127.0.0.1:4711", 200, "text/html", "hash"},
        {"/../../../etc/passwd", "GET", "127.0.0.1:4711", 404, "text/html", "not part"},
        {"/%2e%2e/%2e%2e/etc/passwd", "GET", "127.0.0.1:4711", 404, "text/html", nullptr},
        {"http://127.0.0.1:4711/index.htm", "GET", "127.0.0.1:4711", 200, "text/html", nullptr},
        {"/index.htm", "POST", "127.0.0.1:4711", 405, "text/html", nullptr},
        {"/", "DELETE", "127.0.0.1:4711", 405, "text/html", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target + " Host: " + c.host);
        const BookWebAnswer a = Get(c.target, c.method, c.host);
        EXPECT_EQ(a.status, c.status);
        if (c.type) {
            EXPECT_EQ(a.contentType, c.type);
        }
        if (c.body) {
            EXPECT_NE(Text(a.body).find(c.body), std::string::npos) << Text(a.body);
        }
    }
    // A HEAD of the reader's own answers: GET's length, no body.
    const BookWebAnswer head = Get("/:reader/book.json", "HEAD");
    EXPECT_TRUE(head.headOnly);
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(head.length, Get("/:reader/book.json").length);
    // Host names compare without regard to case.
    EXPECT_EQ(Get("/index.htm", "GET", "127.0.0.1:4711").status, 200);
}

TEST_F(ReadSite, TheReadersJsonIsValidUtf8AndFollowsTheBook) {
    const std::string book = Text(Get("/:reader/book.json").body);
    // The title is Windows-1252 in the book: UTF-8 here.
    EXPECT_NE(book.find("\"title\":\"Harbour \xc3\xa9\""), std::string::npos) << book;
    EXPECT_NE(book.find("\"home\":\"/index.htm\""), std::string::npos) << book;
    EXPECT_NE(book.find("\"buttons\":{\"home\":false,\"prevNext\":true,\"history\":false,"
                        "\"search\":true}"),
              std::string::npos)
        << book;
    EXPECT_NE(book.find("\"sequence\":[\"/index.htm\",\"/sub/Chapter%20One.htm\",\"/a%23b.htm\","
                        "\"/old.htm\"]"),
              std::string::npos)
        << book;

    // The contents as the viewer's pane has them: the page list at once (file names under their
    // folders), then the book's own (here the titles); the redirect selects its target's entry.
    EXPECT_EQ(
        Text(Get("/:reader/page-list.json").body),
        "{\"source\":\"contents from the page list\",\"entries\":["
        "[\"index.htm\",\"/index.htm\",1,1],[\"sub\",\"\",3,0],"
        "[\"Chapter One.htm\",\"/sub/Chapter%20One.htm\",3,1],[\"a#b.htm\",\"/a%23b.htm\",4,1],"
        "[\"old.htm\",\"/old.htm\",5,1]],\"redirects\":[]}");
    EXPECT_EQ(Text(Get("/:reader/contents.json").body),
              "{\"source\":\"contents from the page list\",\"entries\":["
              "[\"Home\",\"/index.htm\",1,1],[\"sub\",\"\",3,0],"
              "[\"One\",\"/sub/Chapter%20One.htm\",3,1],[\"a#b.htm\",\"/a%23b.htm\",4,1]],"
              "\"redirects\":[[\"/old.htm\",2]]}");

    const std::string found = Text(Get("/:reader/search?q=%22lantern+room%22").body);
    EXPECT_NE(found.find("\"total\":1"), std::string::npos) << found;
    EXPECT_NE(found.find("\"url\":\"/sub/Chapter%20One.htm\""), std::string::npos) << found;
    // The marking script is the viewer's, for the words searched.
    EXPECT_NE(found.find(JsonString(MarkHitsScript({"lantern room"}, 1000))), std::string::npos)
        << found;

    const struct {
        std::string in;
        const char* out;
    } strings[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"</script>&", "\"\\u003c/script\\u003e\\u0026\""},
        {"tab\tline\n", "\"tab\\u0009line\\u000a\""},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
        {"bad \xe9 byte", "\"bad \xef\xbf\xbd byte\""},
        {"\xe2\x80\xa8", "\"\\u2028\""},
    };
    for (const auto& s : strings) {
        SCOPED_TRACE(s.in);
        EXPECT_EQ(JsonString(s.in), s.out);
    }
}

// A server being stopped cancels the reading of every page for the contents and the search: its
// threads end at once instead of finishing the book.
TEST_F(ReadSite, ACancelledSiteReadsNoMorePages) {
    m_site->Cancel();
    EXPECT_EQ(Text(Get("/:reader/contents.json").body),
              "{\"error\":\"The contents cannot be read from this e-book.\"}");
    EXPECT_EQ(Text(Get("/:reader/search?q=harbour").body),
              "{\"error\":\"The search cannot read this e-book.\"}");
    // The page list reads no page: it is still there.
    EXPECT_NE(Text(Get("/:reader/page-list.json").body).find("\"index.htm\""), std::string::npos);
}

// One exchange on a socket of its own: what was sent, all that came back until the server
// closed the connection (or the time limit).
std::string Exchange(uint16_t port, const std::string& request, int* fdOut = nullptr) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return "(no connection)";
    }
    if (fdOut) {
        *fdOut = fd;
        return std::string();
    }
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply;
    char buf[65536];
    for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;)
        reply.append(buf, static_cast<size_t>(n));
    close(fd);
    return reply;
}

std::string Request(uint16_t port, const std::string& target, const std::string& more = "",
                    bool close = true) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" +
           more + (close ? "Connection: close\r\n" : "") + "\r\n";
}

class ReadServer : public ReadSite {
  protected:
    // Starts a server of the book on a free port; returns the port.
    uint16_t Start(const ReaderServerLimits& limits = ReaderServerLimits()) {
        std::string error;
        EXPECT_TRUE(m_server.Listen(0, limits, &error)) << error;
        m_served.reset(new CReaderSite(m_path, m_server.Port()));
        EXPECT_TRUE(m_served->Book().Open(m_path));
        m_server.Serve(m_served.get());
        return m_server.Port();
    }
    void TearDown() override { m_server.Stop(); }

    std::unique_ptr<CReaderSite> m_served;
    CReaderServer m_server;
};

TEST_F(ReadServer, KeepsConnectionsAndEscapesAndStreamsAndBoundsRequests) {
    const uint16_t port = Start();

    // Two requests on one connection: it is kept for the second.
    const std::string two =
        Exchange(port, Request(port, "/index.htm", "", false) + Request(port, "/a%23b.htm"));
    EXPECT_EQ(Count(two, "HTTP/1.1 200 OK"), 2u) << two;
    EXPECT_NE(two.find("hash"), std::string::npos) << two;

    // A range deep inside a streamed file: exactly those bytes, stated once.
    const std::string part =
        Exchange(port, Request(port, "/big.txt", "Range: bytes=5000000-5000099\r\n"));
    const std::string expected = Large(5u << 20).substr(5000000, 100);
    EXPECT_EQ(part.substr(0, 24), "HTTP/1.1 206 Partial Con") << part.substr(0, 300);
    EXPECT_EQ(Count(part, "Content-Range: bytes 5000000-5000099/5242880"), 1u);
    EXPECT_EQ(Count(part, "Content-Length: 100\r\n"), 1u);
    EXPECT_EQ(part.substr(part.size() - 100), expected);
    // A whole streamed file arrives whole.
    const std::string whole = Exchange(port, Request(port, "/big.txt"));
    EXPECT_EQ(whole.size() - whole.find("\r\n\r\n") - 4, 5u << 20);

    // A request larger than a connection's memory is refused; the server goes on.
    const std::string huge = Exchange(
        port, Request(port, "/index.htm", "X-Fill: " + std::string(64 << 10, 'a') + "\r\n"));
    EXPECT_EQ(huge.substr(0, 12), "HTTP/1.1 431") << huge.substr(0, 100);
    // A request in another Host's name is refused on the wire too.
    EXPECT_EQ(Exchange(port, "GET /index.htm HTTP/1.1\r\nHost: rebound.test:" +
                                 std::to_string(port) + "\r\nConnection: close\r\n\r\n")
                  .substr(0, 12),
              "HTTP/1.1 403");
}

TEST_F(ReadServer, ClosesConnectionsPastItsLimit) {
    ReaderServerLimits limits;
    limits.connections = 4;
    const uint16_t port = Start(limits);
    const std::string request = Request(port, "/index.htm", "", false);
    char buf[12] = {};
    // Each held connection answered once (so it is counted) and kept.
    std::vector<int> held;
    for (unsigned i = 0; i < limits.connections; ++i) {
        int fd = -1;
        Exchange(port, "", &fd);
        held.push_back(fd);
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        std::string reply;
        while (reply.find("harbour pilot") == std::string::npos) {
            char b[4096];
            const ssize_t n = recv(fd, b, sizeof b, 0);
            ASSERT_GT(n, 0);
            reply.append(b, static_cast<size_t>(n));
        }
    }
    // One more is closed as it comes, unanswered (not left waiting: the receive's time limit
    // would end in EAGAIN).
    int extra = -1;
    Exchange(port, "", &extra);
    send(extra, request.data(), request.size(), MSG_NOSIGNAL);
    const ssize_t got = recv(extra, buf, sizeof buf, MSG_WAITALL);
    EXPECT_TRUE(got == 0 || (got < 0 && errno == ECONNRESET)) << got << " " << errno;
    close(extra);
    // Those held are still answered.
    for (int fd : held) {
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        EXPECT_EQ(recv(fd, buf, sizeof buf, MSG_WAITALL), 12);
        EXPECT_EQ(std::string(buf, 12), "HTTP/1.1 200");
        close(fd);
    }
}

}  // namespace
