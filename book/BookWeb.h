// The book's pages as a web site, for the places that serve them over HTTP: the WebView2 engine
// (answers to its resource requests) and the command line's reading server. Both answer every
// request through AnswerBookWebRequest, so the types, the not-found page, ranges and methods are
// decided here once.
//
// Each e-book is a site of its own. WebView2 keeps one profile for every book the reader opens;
// storage (localStorage, IndexedDB, Cache Storage, cookies), permission decisions and service
// workers belong to an origin, so books sharing one would read and overwrite each other's. The
// origin of a book is "https://pagevane-<label>.invalid/", where <label> comes from the SHA-256
// digest of the book's file path as Windows compares paths: the same file keeps its storage
// whether it is rebuilt or not, and two files never share it. The book is a registrable domain
// of its own under ".invalid" (reserved: it never resolves, so nothing but the viewer's own
// answers arrives under it), not a host under one shared parent: a page may set a cookie for its
// parent domain, which every host under that parent would then see.
//
// A file keeps its e-book URL's path under the origin: "e-book://sub/Chapter%20One.htm#part" is
// "<origin>sub/Chapter%20One.htm#part", and relative links resolve the same way under both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CBook;
struct BookFile;

// The origin of the e-book whose file is bookPath (UTF-8 or the ANSI code page, as long as the
// same book always comes with the same bytes), with its closing slash. Case and the kind of
// slash do not matter, as on Windows.
std::string BookWebOrigin(const std::string& bookPath);

// One book's site: the e-book URLs of its files as addresses under an origin and back.
class CBookSite {
  public:
    // origin: scheme, host and optional port with a closing slash ("http://127.0.0.1:8080/").
    explicit CBookSite(std::string origin);
    const std::string& Origin() const { return m_origin; }

    // The web address of an e-book URL; URLs of other schemes come back unchanged.
    std::string WebUrl(const std::string& bookUrl) const;
    // The e-book URL of an address under the origin (any case of scheme and host); false for any
    // other address.
    bool BookUrl(const std::string& webUrl, std::string* bookUrl) const;

  private:
    std::string m_origin;
};

// A request for one of the book's addresses.
struct BookWebRequest {
    std::string method = "GET";
    std::string url;             // the address asked for, whole
    std::string range;           // the Range header's value; empty when there is none
    bool serviceWorker = false;  // the request carries "Service-Worker: script"
};

// The answer: status, headers and where the body comes from.
struct BookWebAnswer {
    int status = 0;             // 200, 206, 403, 404, 405, 416 or 500
    std::string reason;         // "OK", "Not Found", ...
    std::string contentType;    // the file's type by its extension; text/html for the error pages
    uint64_t length = 0;        // Content-Length: the bytes the body carries
    uint64_t total = 0;         // the whole file's length (Content-Range)
    bool acceptRanges = false;  // a file of the book: it is answered in parts on request
    bool headOnly = false;      // HEAD: GET's headers, no body
    // The body is either held here (error pages; files up to the streaming threshold) or, for a
    // larger file, bytes [first, first + length) of *file, to be read with CBookFileReader.
    std::vector<uint8_t> body;
    const BookFile* file = nullptr;
    uint64_t first = 0;

    bool Streamed() const { return file != nullptr; }
    // The response headers, "Name: value" lines joined by CR LF.
    std::string Headers() const;
};

// An answer of the given status whose body is a short HTML page saying text (escaped), as the
// answers below carry; for the places that answer more than the book's files.
BookWebAnswer BookWebErrorAnswer(int status, const char* reason, const std::string& text);

// Files up to this size are unpacked whole when answered, so a damaged one is a 500 with a page
// that says so; larger ones are streamed as they are unpacked.
const uint64_t kBookWebStreamFrom = 4u << 20;

// The answer to a request:
// - GET and HEAD only; any other method is 405 with "Allow: GET, HEAD".
// - A service worker's script is refused (403): a book is read from its store as it is, and a
//   worker would go on answering for the origin from a cache of its own.
// - An address outside the site or a name the book does not hold: 404 with a page saying so.
// - A file: 200 with its bytes and type; with a single satisfiable "bytes=" range, 206 and that
//   part (Content-Range); a range that starts past the end, 416 ("bytes */N"); several ranges or
//   a Range header that does not parse, the whole file (as HTTP allows a server to).
// - A file that cannot be read (damaged, short of memory): 500 with a page naming it.
// Never throws for a file's bytes; streamFrom is a seam for tests.
BookWebAnswer AnswerBookWebRequest(CBook& book, const CBookSite& site,
                                   const BookWebRequest& request,
                                   uint64_t streamFrom = kBookWebStreamFrom);

// A script that marks every occurrence of the terms (UTF-8, matched without regard to case) on
// the page with a yellow background, at most maxMarks of them, selects the first and scrolls to
// it; it evaluates to the number marked.
std::string MarkHitsScript(const std::vector<std::string>& terms, int maxMarks);
// A script that selects the marked occurrence after the current selection (the first after the
// last) and scrolls to it; it evaluates to true when there is one.
std::string NextHitScript();
// The script the viewer runs in every page before the page's own: the viewer's context menu in
// place of the engine's ("contextmenu" posted through window.chrome.webview), and Ctrl+wheel as
// the viewer's text size ("text-larger", "text-smaller"; the engine's own zoom is off).
std::string ViewerPageScript();
// text as a JavaScript string literal in double quotes (UTF-8 in and out).
std::string JsStringLiteral(const std::string& text);
