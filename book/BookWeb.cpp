#include "book/BookWeb.h"

#include <array>
#include <cstring>
#include <new>
#include <stdexcept>

#include "book/Book.h"
#include "book/BookUrl.h"
#include "platform/Sha256.h"
#include "platform/Text.h"

namespace {

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(s[i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

BookWebAnswer BookWebErrorAnswer(int status, const char* reason, const std::string& text) {
    BookWebAnswer a;
    a.status = status;
    a.reason = reason;
    a.contentType = "text/html";
    const std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" +
                             std::string(reason) + "</title></head><body><p>" + HtmlEscape(text) +
                             "</p></body></html>";
    a.body.assign(page.begin(), page.end());
    a.length = a.total = a.body.size();
    return a;
}

namespace {

// A decimal number of at most 19 digits (no sign, no blanks); false for anything else.
bool ParseNumber(const std::string& s, size_t from, size_t to, uint64_t* value) {
    if (from >= to || to - from > 19)
        return false;
    uint64_t v = 0;
    for (size_t i = from; i < to; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    }
    *value = v;
    return true;
}

enum class RangeKind { none, part, unsatisfiable };

// One "bytes=first-last", "bytes=first-" or "bytes=-suffix" range of a file of total bytes.
// Anything else (several ranges, another unit, a malformed value) is no range: the whole file.
RangeKind ParseRange(const std::string& header, uint64_t total, uint64_t* first, uint64_t* length) {
    std::string h;
    for (char c : header) {
        if (c != ' ' && c != '\t')
            h += c;
    }
    if (!StartsWithNoCase(h, "bytes=") || h.find(',') != std::string::npos)
        return RangeKind::none;
    const size_t dash = h.find('-', 6);
    if (dash == std::string::npos)
        return RangeKind::none;
    uint64_t a = 0, b = 0;
    const bool hasFirst = ParseNumber(h, 6, dash, &a);
    const bool hasLast = ParseNumber(h, dash + 1, h.size(), &b);
    if ((dash > 6 && !hasFirst) || (dash + 1 < h.size() && !hasLast))
        return RangeKind::none;
    if (hasFirst) {
        if (hasLast && b < a)
            return RangeKind::none;
        if (a >= total)
            return RangeKind::unsatisfiable;
        const uint64_t last = hasLast && b < total ? b : total - 1;
        *first = a;
        *length = last - a + 1;
        return RangeKind::part;
    }
    if (!hasLast)
        return RangeKind::none;  // "bytes=-"
    if (b == 0 || total == 0)
        return RangeKind::unsatisfiable;
    const uint64_t n = b < total ? b : total;
    *first = total - n;
    *length = n;
    return RangeKind::part;
}

// Base 32 in lower case (RFC 4648's alphabet): letters and digits a host name may hold.
std::string Base32(const uint8_t* data, size_t n, size_t chars) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
    std::string out;
    uint32_t buffer = 0;
    int bits = 0;
    for (size_t i = 0; i < n && out.size() < chars; ++i) {
        buffer = (buffer << 8) | data[i];
        bits += 8;
        while (bits >= 5 && out.size() < chars) {
            out += kAlphabet[(buffer >> (bits - 5)) & 31];
            bits -= 5;
        }
    }
    return out;
}

}  // namespace

std::string BookWebOrigin(const std::string& bookPath) {
    // Windows compares paths without regard to case and takes either slash; the label must not
    // change with the spelling the program was started by.
    std::string folded = "pagevane book origin\n";
    for (char c : bookPath)
        folded += c == '/' ? '\\' : AsciiLower(c);
    const std::array<uint8_t, 32> digest = CSha256::Of(folded);
    // 26 characters carry 130 bits of the digest: no two paths meet by chance.
    return "https://pagevane-" + Base32(digest.data(), digest.size(), 26) + ".invalid/";
}

CBookSite::CBookSite(std::string origin) : m_origin(std::move(origin)) {
    if (m_origin.empty() || m_origin.back() != '/')
        m_origin += '/';
}

std::string CBookSite::WebUrl(const std::string& bookUrl) const {
    std::string name;
    if (!NameFromUrl(bookUrl, &name))
        return bookUrl;
    std::string url = UrlFromName(name);
    url = m_origin + url.substr(std::strlen(kBookScheme) + 3);
    // The query and the place in the page stay with the address.
    const size_t mark = bookUrl.find_first_of("?#");
    if (mark != std::string::npos)
        url += bookUrl.substr(mark);
    return url;
}

bool CBookSite::BookUrl(const std::string& webUrl, std::string* bookUrl) const {
    // Without its closing slash the origin is the site's root as well.
    const size_t root = m_origin.size() - 1;
    if (!StartsWithNoCase(webUrl, m_origin.substr(0, root)))
        return false;
    if (webUrl.size() > root && std::strchr("/?#", webUrl[root]) == nullptr)
        return false;  // a longer host name or port that only begins like ours
    const size_t rest = webUrl.size() > root && webUrl[root] == '/' ? root + 1 : root;
    *bookUrl = std::string(kBookScheme) + "://" + webUrl.substr(rest);
    return true;
}

std::string BookWebAnswer::Headers() const {
    std::string h =
        "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(length);
    if (status == 206)
        h += "\r\nContent-Range: bytes " + std::to_string(first) + "-" +
             std::to_string(first + length - 1) + "/" + std::to_string(total);
    else if (status == 416)
        h += "\r\nContent-Range: bytes */" + std::to_string(total);
    if (acceptRanges)
        h += "\r\nAccept-Ranges: bytes";
    if (status == 405)
        h += "\r\nAllow: GET, HEAD";
    return h + "\r\nCache-Control: no-store";
}

namespace {

BookWebAnswer Damaged(const BookFile& file, const std::string& why) {
    return BookWebErrorAnswer(
        500, "Internal Server Error",
        "The page \"" + file.strName + "\" cannot be read: this e-book is damaged (" + why + ").");
}

// The answer to a GET.
BookWebAnswer AnswerGet(CBook& book, const CBookSite& site, const BookWebRequest& request,
                        uint64_t streamFrom) {
    if (request.serviceWorker)
        return BookWebErrorAnswer(403, "Forbidden",
                                  "An e-book's pages do not install service workers.");
    std::string url;
    if (!site.BookUrl(request.url, &url))
        return BookWebErrorAnswer(404, "Not Found",
                                  "The address " + request.url + " is not part of this e-book.");
    const BookFile* file = book.FindUrl(url);
    if (!file) {
        std::string name;
        NameFromUrl(url, &name);
        return BookWebErrorAnswer(404, "Not Found",
                                  "The page \"" + name + "\" is not part of this e-book.");
    }
    BookWebAnswer a;
    uint32_t packed = 0;
    int64_t announced = -1;
    try {
        if (!book.GetPackedSizes(*file, &packed, &announced))
            return Damaged(*file, "no data is stored for it");
    } catch (const std::exception&) {
        return Damaged(*file, "the e-book's file cannot be read");
    }
    if (announced < 0)
        return Damaged(*file, "its packed block is cut short");
    a.total = static_cast<uint64_t>(announced);
    // A small file is unpacked whole now, so that a damaged page is told as one; a larger one is
    // streamed as it is unpacked.
    if (a.total <= streamFrom) {
        std::string error;
        try {
            if (!book.ReadFile(*file, &a.body, &error))
                return Damaged(*file, error);
        } catch (const std::exception&) {  // bad_alloc, length_error
            return Damaged(*file, "not enough memory to unpack it");
        }
    } else {
        a.file = file;
    }
    a.status = 200;
    a.reason = "OK";
    a.contentType = MimeTypeFromName(file->strName);
    a.acceptRanges = true;
    a.length = a.total;
    switch (ParseRange(request.range, a.total, &a.first, &a.length)) {
        case RangeKind::none:
            break;
        case RangeKind::unsatisfiable: {
            BookWebAnswer r =
                BookWebErrorAnswer(416, "Range Not Satisfiable",
                                   "The part asked for lies beyond the end of the page.");
            r.total = a.total;
            r.acceptRanges = true;
            return r;
        }
        case RangeKind::part:
            a.status = 206;
            a.reason = "Partial Content";
            if (!a.Streamed())
                a.body = std::vector<uint8_t>(
                    a.body.begin() + static_cast<ptrdiff_t>(a.first),
                    a.body.begin() + static_cast<ptrdiff_t>(a.first + a.length));
            break;
    }
    return a;
}

}  // namespace

BookWebAnswer AnswerBookWebRequest(CBook& book, const CBookSite& site,
                                   const BookWebRequest& request, uint64_t streamFrom) {
    const bool head = request.method == "HEAD";
    if (!head && request.method != "GET")
        return BookWebErrorAnswer(
            405, "Method Not Allowed",
            "An e-book's pages are only read: " + request.method + " is not answered.");
    BookWebAnswer a = AnswerGet(book, site, request, streamFrom);
    if (head) {
        a.headOnly = true;
        a.body.clear();
        a.file = nullptr;
    }
    return a;
}

std::string JsStringLiteral(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == '<' || c == '>') {
            // Control characters, and the brackets, so that no "</script>" ever appears.
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c == 0xE2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xA8) {
            // U+2028 and U+2029 end a line in older script engines.
            out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string MarkHitsScript(const std::vector<std::string>& terms, int maxMarks) {
    std::string list;
    for (const std::string& t : terms) {
        if (t.empty())
            continue;
        if (!list.empty())
            list += ',';
        list += JsStringLiteral(t);
    }
    // One pattern of all the terms; text nodes are collected first, then split around each
    // match and the match wrapped in a <mark>, so that the walk never meets its own marks.
    return "(function(terms,limit){"
           "if(!terms.length||!document.body)return 0;"
           "var esc=terms.map(function(t){return t.replace(/[.*+?^${}()|[\\]\\\\]/g,'\\\\$&');});"
           "var re=new RegExp(esc.join('|'),'gi');"
           "var walk=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT,null),nodes=[],n;"
           "while((n=walk.nextNode())){var p=n.parentNode.nodeName;"
           "if(p!=='SCRIPT'&&p!=='STYLE'&&p!=='MARK')nodes.push(n);}"
           "var count=0,first=null;"
           "for(var i=0;i<nodes.length&&count<limit;i++){var node=nodes[i];re.lastIndex=0;var m;"
           "while(count<limit&&(m=re.exec(node.data))){if(!m[0].length)break;"
           "var hit=node.splitText(m.index);node=hit.splitText(m[0].length);"
           "var mark=document.createElement('mark');mark.setAttribute('data-pv-hit','');"
           "mark.style.backgroundColor='#ffff66';mark.style.color='inherit';"
           "hit.parentNode.replaceChild(mark,hit);mark.appendChild(hit);"
           "if(!first)first=mark;count++;re.lastIndex=0;}}"
           "if(first){var r=document.createRange();r.selectNodeContents(first);"
           "var s=getSelection();s.removeAllRanges();s.addRange(r);"
           "first.scrollIntoView({block:'center'});}"
           "return count;})([" +
           list + "]," + std::to_string(maxMarks) + ")";
}

std::string ViewerPageScript() {
    return "document.addEventListener('contextmenu',function(e){e.preventDefault();"
           "window.chrome.webview.postMessage('contextmenu');});"
           "window.addEventListener('wheel',function(e){if(e.ctrlKey){e.preventDefault();"
           "window.chrome.webview.postMessage(e.deltaY<0?'text-larger':'text-smaller');}},"
           "{passive:false});";
}

std::string NextHitScript() {
    return "(function(){var marks=document.querySelectorAll('mark[data-pv-hit]');"
           "if(!marks.length)return false;var s=getSelection(),next=marks[0];"
           "if(s.rangeCount){var end=s.getRangeAt(0);"
           "for(var i=0;i<marks.length;i++){var r=document.createRange();"
           "r.selectNodeContents(marks[i]);"
           "if(r.compareBoundaryPoints(Range.END_TO_START,end)>=0){next=marks[i];break;}}}"
           "var t=document.createRange();t.selectNodeContents(next);s.removeAllRanges();"
           "s.addRange(t);next.scrollIntoView({block:'center'});return true;})()";
}
