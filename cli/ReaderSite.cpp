#include "cli/ReaderSite.h"

#include <cstring>

#include "book/BookContents.h"
#include "book/BookFileReader.h"
#include "book/BookUrl.h"
#include "format/BookLayout.h"
#include "html/HtmlText.h"
#include "platform/Text.h"

const char kReaderPrefix[] = "/:reader/";

// The table the build writes beside the files (cli/CMakeLists.txt).
extern "C" const ReaderFile pv_reader_files[];

const ReaderFile* ReaderFiles() {
    return pv_reader_files;
}

namespace {

// As many words as the viewer marks on a page opened from its search.
const int kMaxMarks = 1000;
// Hits listed for one query: a list longer than a reader goes through is only bytes.
const size_t kMaxHits = 200;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

BookWebAnswer Held(const std::string& type, const std::string& bytes) {
    BookWebAnswer a;
    a.status = 200;
    a.reason = "OK";
    a.contentType = type;
    a.body.assign(bytes.begin(), bytes.end());
    a.length = a.total = a.body.size();
    return a;
}

// The value of a query parameter ("q" in "q=light+house&x=1"), form-decoded; "" when absent.
std::string QueryValue(const std::string& query, const std::string& name) {
    size_t at = 0;
    while (at <= query.size()) {
        size_t end = query.find('&', at);
        if (end == std::string::npos)
            end = query.size();
        const std::string part = query.substr(at, end - at);
        if (part.compare(0, name.size() + 1, name + "=") == 0) {
            std::string v = part.substr(name.size() + 1);
            for (char& c : v) {
                if (c == '+')
                    c = ' ';
            }
            return PercentDecode(v);
        }
        at = end + 1;
    }
    return std::string();
}

}  // namespace

std::string JsonString(const std::string& utf8) {
    static const char kHex[] = "0123456789abcdef";
    const std::u32string text =
        DecodeUtf8Lenient(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    std::string out = "\"";
    for (char32_t c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x2028 || c == 0x2029) {
            // Control characters; the brackets and the ampersand so that the text stays inert
            // wherever it is pasted; the two separators that end a line in older scripts.
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(c >> shift) & 15];
        } else {
            AppendUtf8(c, &out);
        }
    }
    return out + "\"";
}

CReaderSite::CReaderSite(std::string bookPath, uint16_t port)
    : m_path(std::move(bookPath)),
      m_site("http://127.0.0.1:" + std::to_string(port) + "/"),
      m_host("127.0.0.1:" + std::to_string(port)) {}

CReaderSite::~CReaderSite() = default;

bool CReaderSite::OpenSecond(std::unique_ptr<CBook>& book) {
    if (book)
        return true;
    // The contents and the search read every page; on a book of their own they leave the one
    // answering the pages free.
    std::unique_ptr<CBook> second(new CBook);
    if (!second->Open(m_path))
        return false;
    book = std::move(second);
    return true;
}

std::string CReaderSite::PageUrl(const std::string& name) const {
    return "/" + UrlFromName(name).substr(std::strlen(kBookScheme) + 3);
}

std::string CReaderSite::BookJson() {
    std::lock_guard<std::mutex> lock(m_bookLock);
    std::string j = "{\"title\":" + JsonString(Utf8FromAnsi(m_book.GetText(kTitle)));
    std::string home = m_book.HomeUrl();
    std::string homeName;
    j += ",\"home\":" + JsonString(NameFromUrl(home, &homeName) && !home.empty() ? PageUrl(homeName)
                                                                                 : std::string());
    j += ",\"toolbar\":" + std::string(m_book.GetSetting(kShowToolbar) ? "true" : "false");
    const struct {
        const char* name;
        BookSetting setting;
    } kButtons[] = {{"home", kHomeButton},
                    {"prevNext", kPrevNextButtons},
                    {"history", kHistoryButtons},
                    {"search", kSearchButton}};
    j += ",\"buttons\":{";
    for (const auto& b : kButtons) {
        j += std::string(b.setting == kHomeButton ? "" : ",") + "\"" + b.name +
             "\":" + (m_book.GetSetting(b.setting) ? "true" : "false");
    }
    j += "},\"sequence\":[";
    bool first = true;
    for (size_t i : m_book.Sequence()) {
        j += (first ? "" : ",") + JsonString(PageUrl(m_book.Files()[i].strName));
        first = false;
    }
    j += "],\"nextHit\":" + JsonString(NextHitScript()) + "}";
    return j;
}

std::string CReaderSite::ContentsJson() {
    std::lock_guard<std::mutex> lock(m_contentsLock);
    if (!m_contentsJson.empty())
        return m_contentsJson;
    std::unique_ptr<CBook> book;
    if (!OpenSecond(book))
        return "[]";
    CContentsTree tree;
    if (!BuildBookContents(*book, &tree))
        return "[]";
    std::string j = "[";
    for (const ContentsEntry& e : tree.Entries()) {
        if (j.size() > 1)
            j += ',';
        j +=
            "{\"depth\":" + std::to_string(e.nDepth) + ",\"label\":" + JsonString(e.strLabel) +
            ",\"url\":" +
            (e.nFile >= 0 ? JsonString(PageUrl(book->Files()[static_cast<size_t>(e.nFile)].strName))
                          : std::string("null")) +
            ",\"unreadable\":" + (e.bUnreadable ? "true" : "false") + "}";
    }
    m_contentsJson = j + "]";
    return m_contentsJson;
}

std::string CReaderSite::SearchJson(const std::string& queryUtf8) {
    std::lock_guard<std::mutex> lock(m_searchLock);
    if (!m_search.IsBuilt()) {
        if (!OpenSecond(m_searchBook) || !m_search.Build(*m_searchBook))
            return "{\"error\":\"The search cannot read this e-book.\"}";
    }
    const SearchResults r = m_search.Search(*m_searchBook, queryUtf8, kMaxHits);
    std::string j = "{\"total\":" + std::to_string(r.nTotal) +
                    ",\"unsearched\":" + std::to_string(r.nUnsearched) + ",\"terms\":[";
    for (size_t i = 0; i < r.terms.size(); ++i)
        j += (i ? "," : "") + JsonString(r.terms[i]);
    j += "],\"hits\":[";
    for (size_t i = 0; i < r.hits.size(); ++i) {
        const SearchHit& h = r.hits[i];
        j += std::string(i ? "," : "") + "{\"url\":" + JsonString(PageUrl(h.strName)) +
             ",\"title\":" + JsonString(h.strTitle) + ",\"snippet\":" + JsonString(h.strSnippet) +
             "}";
    }
    // The script that marks the words on an opened hit: the one the viewer runs.
    j += "],\"mark\":" + JsonString(MarkHitsScript(r.terms, kMaxMarks)) + "}";
    return j;
}

BookWebAnswer CReaderSite::Own(const std::string& path, const std::string& query) {
    if (path == "book.json")
        return Held("application/json", BookJson());
    if (path == "contents.json")
        return Held("application/json", ContentsJson());
    if (path == "search")
        return Held("application/json", SearchJson(QueryValue(query, "q")));
    for (const ReaderFile* f = ReaderFiles(); f->name; ++f) {
        if (path == f->name)
            return Held(MimeTypeFromName(f->name),
                        std::string(reinterpret_cast<const char*>(f->begin),
                                    static_cast<size_t>(f->end - f->begin)));
    }
    return BookWebErrorAnswer(404, "Not Found",
                              "The reader has no page " + std::string(kReaderPrefix) + path + ".");
}

BookWebAnswer CReaderSite::Answer(const ReaderRequest& request) {
    if (!EqualNoCase(request.host, m_host))
        return BookWebErrorAnswer(403, "Forbidden",
                                  "This server answers only the address " + Address() + ".");
    BookWebRequest web;
    web.method = request.method;
    web.range = request.range;
    web.serviceWorker = request.serviceWorker;
    const bool own = request.method == "GET" || request.method == "HEAD";
    const size_t mark = request.target.find('?');
    const std::string path = request.target.substr(0, mark);
    const std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);
    const size_t prefix = std::strlen(kReaderPrefix);
    if (own && (path == "/" || path.compare(0, prefix, kReaderPrefix) == 0)) {
        BookWebAnswer a = Own(path == "/" ? "index.html" : path.substr(prefix), query);
        if (request.method == "HEAD") {
            a.headOnly = true;
            a.body.clear();
        }
        return a;
    }
    // Anything else is the book's: a file, the not-found page, the refusal of other methods.
    web.url = request.target.empty() || request.target[0] != '/'
                  ? request.target
                  : Address() + request.target.substr(1);
    std::lock_guard<std::mutex> lock(m_bookLock);
    return AnswerBookWebRequest(m_book, m_site, web);
}

std::unique_ptr<CBookFileReader> CReaderSite::OpenStream(const BookFile& file) {
    std::lock_guard<std::mutex> lock(m_bookLock);
    return std::unique_ptr<CBookFileReader>(new CBookFileReader(m_book, file));
}
