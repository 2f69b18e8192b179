// What `pagevane-cli read` answers, apart from the sockets (ReaderServer.h carries them): the
// book's own files through AnswerBookWebRequest, the one answer code the viewer's WebView2 host
// uses, and the reader's page around them with the facts it asks for as JSON.
//
// The book is the site's root, as it is under the viewer's own origin, so a page's absolute
// references ("/style.css") mean what they mean there. The reader's page is "/" (no file of a
// book has an empty name) and its own files and answers live under "/:reader/": a colon is a
// character no Windows file name holds, so no book built from a folder has a file there, and a
// crafted book naming one anyway cannot shadow them (they are answered first).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "book/Book.h"
#include "book/BookSearch.h"
#include "book/BookWeb.h"

class CBookFileReader;

// The prefix of the reader's own addresses.
extern const char kReaderPrefix[];

// One request as the server read it.
struct ReaderRequest {
    std::string method = "GET";
    std::string target;  // the request's target as sent: "/sub/Page%20One.htm?x=1"
    std::string host;    // the Host header; empty when there is none
    std::string range;   // the Range header; empty when there is none
    bool serviceWorker = false;
};

// One file of the reader's page, as the build embeds it (cli/reader/).
struct ReaderFile {
    const char* name;  // "reader.js"
    const unsigned char* begin;
    const unsigned char* end;
};
// The embedded files, ended by an entry whose name is null.
const ReaderFile* ReaderFiles();

// text as a JSON string in double quotes; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& utf8);

class CReaderSite {
  public:
    // Serves the e-book at bookPath under "http://127.0.0.1:<port>/".
    CReaderSite(std::string bookPath, uint16_t port);
    ~CReaderSite();

    // The book answering the pages: open it before the first request.
    CBook& Book() { return m_book; }
    // "http://127.0.0.1:<port>/": the one address the site answers to.
    const std::string& Address() const { return m_site.Origin(); }
    // The Host header value that address implies.
    const std::string& Host() const { return m_host; }

    // The answer to a request; safe to call from several threads at once. A request whose Host
    // is not Host() is refused (403), whatever it asks for: a web page elsewhere that makes a name
    // of its own resolve to this machine (DNS rebinding) reaches nothing. A streamed answer (a
    // large file) names a file of the book: read it with OpenStream.
    BookWebAnswer Answer(const ReaderRequest& request);
    // A reader of a streamed answer's file (throws as CBookFileReader's constructor does).
    std::unique_ptr<CBookFileReader> OpenStream(const BookFile& file);

    // The JSON answers, for tests: the book's facts, its contents, a search.
    std::string BookJson();
    std::string ContentsJson();
    std::string SearchJson(const std::string& queryUtf8);

  private:
    BookWebAnswer Own(const std::string& path, const std::string& query);
    std::string PageUrl(const std::string& name) const;
    bool OpenSecond(std::unique_ptr<CBook>& book);

    std::string m_path;
    CBookSite m_site;
    std::string m_host;
    std::mutex m_bookLock;  // the book answering the pages
    CBook m_book;
    std::mutex m_contentsLock;  // the contents, made once on a book of their own
    std::string m_contentsJson;
    std::mutex m_searchLock;  // the search index, built on the first search
    std::unique_ptr<CBook> m_searchBook;
    CBookSearch m_search;
};
