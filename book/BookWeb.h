// The book's pages under a web origin, for browser engines that load pages only from web
// addresses: the address of each file, the answer to a request for it, and the script that marks
// the words of a search on the opened page.
//
// The origin "https://book.pagevane.invalid/" can never resolve (".invalid" is reserved), so
// nothing but the viewer's own answers can arrive under it. A file keeps its e-book URL's path:
// "e-book://sub/Chapter%20One.htm#part" is
// "https://book.pagevane.invalid/sub/Chapter%20One.htm#part", and relative links resolve the same
// way under both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CBook;

// The origin, with its closing slash.
extern const char kBookWebOrigin[];

// The web address of an e-book URL; other URLs come back unchanged.
std::string WebUrlFromBookUrl(const std::string& bookUrl);
// The e-book URL of a web address under the origin (any case of scheme and host); false for
// any other address.
bool BookUrlFromWebUrl(const std::string& webUrl, std::string* bookUrl);

// What the viewer answers a request under the origin with.
struct BookWebAnswer {
    int status = 0;             // 200, 404 (no such file) or 500 (the file cannot be read)
    std::string reason;         // "OK", "Not Found", "Internal Server Error"
    std::string contentType;    // the file's type by its extension; text/html for the error pages
    std::vector<uint8_t> body;  // the file's bytes, or a short page saying what is wrong
    // The response headers, one "Name: value" per line separated by CR LF.
    std::string Headers() const;
};

// The answer to a request for webUrl: the file the URL names (with the same name resolution as
// e-book URLs) with its content type, or a page saying it is not part of the book or cannot be
// read.
BookWebAnswer AnswerBookWebRequest(CBook& book, const std::string& webUrl);

// A script that marks every occurrence of the terms (UTF-8, matched without regard to case) on
// the page with a yellow background, at most maxMarks of them, selects the first and scrolls to
// it; it evaluates to the number marked.
std::string MarkHitsScript(const std::vector<std::string>& terms, int maxMarks);
// A script that selects the marked occurrence after the current selection (the first after the
// last) and scrolls to it; it evaluates to true when there is one.
std::string NextHitScript();
// text as a JavaScript string literal in double quotes (UTF-8 in and out).
std::string JsStringLiteral(const std::string& text);
