#include "book/BookWeb.h"

#include <cstring>

#include "book/Book.h"
#include "book/BookUrl.h"

const char kBookWebOrigin[] = "https://book.pagevane.invalid/";

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != prefix[i])
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

BookWebAnswer ErrorAnswer(int status, const char* reason, const std::string& text) {
    BookWebAnswer a;
    a.status = status;
    a.reason = reason;
    a.contentType = "text/html";
    const std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" +
                             std::string(reason) + "</title></head><body><p>" + HtmlEscape(text) +
                             "</p></body></html>";
    a.body.assign(page.begin(), page.end());
    return a;
}

}  // namespace

std::string WebUrlFromBookUrl(const std::string& bookUrl) {
    std::string name;
    if (!NameFromUrl(bookUrl, &name))
        return bookUrl;
    std::string url = UrlFromName(name);
    url = kBookWebOrigin + url.substr(std::strlen(kBookScheme) + 3);
    // The query and the place in the page stay with the address.
    const size_t mark = bookUrl.find_first_of("?#");
    if (mark != std::string::npos)
        url += bookUrl.substr(mark);
    return url;
}

bool BookUrlFromWebUrl(const std::string& webUrl, std::string* bookUrl) {
    // Without its closing slash the origin is the book's root as well.
    const size_t root = std::strlen(kBookWebOrigin) - 1;
    if (!StartsWithNoCase(webUrl, std::string(kBookWebOrigin, root).c_str()))
        return false;
    if (webUrl.size() > root && std::strchr("/?#", webUrl[root]) == nullptr)
        return false;  // a longer host name that only begins like ours
    const size_t rest = webUrl.size() > root && webUrl[root] == '/' ? root + 1 : root;
    *bookUrl = std::string(kBookScheme) + "://" + webUrl.substr(rest);
    return true;
}

std::string BookWebAnswer::Headers() const {
    return "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nCache-Control: no-store";
}

BookWebAnswer AnswerBookWebRequest(CBook& book, const std::string& webUrl) {
    std::string url;
    if (!BookUrlFromWebUrl(webUrl, &url))
        return ErrorAnswer(404, "Not Found",
                           "The address " + webUrl + " is not part of this e-book.");
    const BookFile* file = book.FindUrl(url);
    if (!file) {
        std::string name;
        NameFromUrl(url, &name);
        return ErrorAnswer(404, "Not Found",
                           "The page \"" + name + "\" is not part of this e-book.");
    }
    BookWebAnswer a;
    std::string error;
    if (!book.ReadFile(*file, &a.body, &error))
        return ErrorAnswer(500, "Internal Server Error",
                           "The page \"" + file->strName +
                               "\" cannot be read: this e-book is damaged (" + error + ").");
    a.status = 200;
    a.reason = "OK";
    a.contentType = MimeTypeFromName(file->strName);
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
