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

std::string CReaderSite::TreeJson(const CBook& book, const CContentsTree& tree) const {
    const std::vector<ContentsEntry>& entries = tree.Entries();
    std::string j = "{\"source\":" + JsonString(tree.SourceText(book)) + ",\"entries\":[";
    for (size_t i = 0; i < entries.size(); ++i) {
        const ContentsEntry& e = entries[i];
        // The entry's e-book URL as an address under the site's root.
        const std::string url = tree.Url(book, i);
        const int flags =
            (e.nFile >= 0 && tree.EntryForFile(e.nFile) == i ? 1 : 0) | (e.bUnreadable ? 2 : 0);
        j += (i ? ",[" : "[") + JsonString(e.strLabel) + "," +
             JsonString(url.empty() ? url : "/" + url.substr(std::strlen(kBookScheme) + 3)) + "," +
             std::to_string(e.nEnd) + "," + std::to_string(flags) + "]";
    }
    j += "],\"redirects\":[";
    bool first = true;
    for (size_t f = 0; f < book.Files().size(); ++f) {
        const size_t entry = tree.EntryForFile(static_cast<long>(f));
        if (entry == CContentsTree::npos || entries[entry].nFile == static_cast<long>(f))
            continue;
        j += (first ? "[" : ",[") + JsonString(PageUrl(book.Files()[f].strName)) + "," +
             std::to_string(entry) + "]";
        first = false;
    }
    return j + "]}";
}

const CContentsTree* CReaderSite::FoundContents() {
    // Held while the contents are found: a second request waits for them rather than finding
    // them again.
    std::lock_guard<std::mutex> lock(m_contentsLock);
    if (m_contentsTried)
        return m_contents.get();
    m_contentsTried = true;
    std::unique_ptr<CBook> book;
    if (!OpenSecond(book))
        return nullptr;
    try {
        std::unique_ptr<CContentsTree> tree(new CContentsTree);
        if (!BuildBookContents(*book, tree.get(), &m_cancel))
            return nullptr;
        m_contentsJson = TreeJson(*book, *tree);
        m_contents = std::move(tree);
    } catch (const std::exception&) {
        // The book's file went bad or memory ran out: the reader keeps the page list.
        m_contentsJson.clear();
    }
    return m_contents.get();
}

std::string CReaderSite::ContentsJson(bool pageList) {
    if (pageList) {
        std::lock_guard<std::mutex> lock(m_listLock);
        if (m_listJson.empty()) {
            std::lock_guard<std::mutex> bookLock(m_bookLock);
            m_listJson = TreeJson(m_book, PageListContents(m_book));
        }
        return m_listJson;
    }
    if (!FoundContents())
        return "{\"error\":\"The contents cannot be read from this e-book.\"}";
    std::lock_guard<std::mutex> lock(m_contentsLock);
    return m_contentsJson;
}

std::string CReaderSite::SearchJson(const std::string& queryUtf8) {
    std::lock_guard<std::mutex> lock(m_searchLock);
    if (!m_search.IsBuilt()) {
        if (!OpenSecond(m_searchBook) || !m_search.Build(*m_searchBook, &m_cancel))
            return "{\"error\":\"The search cannot read this e-book.\"}";
    }
    // The hits are named as the contents name their pages, as the viewer's results are.
    const SearchResults r = m_search.Search(*m_searchBook, queryUtf8, kMaxHits, FoundContents());
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
        return Held("application/json", ContentsJson(false));
    if (path == "page-list.json")
        return Held("application/json", ContentsJson(true));
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
    // The address printed holds no letters, so the exact comparison is the case-blind one.
    if (request.host != m_host)
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
