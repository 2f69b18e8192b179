#include "viewer/book/BookSearch.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Text.h"
#include "viewer/book/Book.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char32_t LowerAscii32(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

// Decodes one UTF-8 sequence at p; returns its length, or 0 when it is not valid UTF-8.
size_t DecodeUtf8(const uint8_t* p, size_t n, char32_t* cp) {
    const uint8_t c = p[0];
    size_t len;
    char32_t v;
    if (c < 0x80) {
        *cp = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return len;
}

bool IsValidUtf8(const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i < n) {
        char32_t cp;
        const size_t len = DecodeUtf8(p + i, n - i, &cp);
        if (!len)
            return false;
        i += len;
    }
    return true;
}

std::u32string DecodeSingleByte(const uint8_t* p, size_t n) {
    std::u32string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out += static_cast<char32_t>(Cp1252ToUnicode(p[i]));
    return out;
}

std::u32string DecodeUtf8Lenient(const uint8_t* p, size_t n) {
    std::u32string out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        char32_t cp;
        size_t len = DecodeUtf8(p + i, n - i, &cp);
        if (!len) {  // a stray byte: read it as Windows-1252
            cp = Cp1252ToUnicode(p[i]);
            len = 1;
        }
        out += cp;
        i += len;
    }
    return out;
}

std::u32string DecodeUtf16(const uint8_t* p, size_t n, bool bigEndian) {
    std::u32string out;
    for (size_t i = 0; i + 1 < n; i += 2) {
        char32_t u = bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
            const char32_t lo = bigEndian ? (p[i + 2] << 8 | p[i + 3]) : (p[i + 3] << 8 | p[i + 2]);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        out += u;
    }
    return out;
}

std::u32string DecodePage(const std::vector<uint8_t>& html) {
    const uint8_t* p = html.data();
    const size_t n = html.size();
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return DecodeUtf8Lenient(p + 3, n - 3);
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return DecodeUtf16(p + 2, n - 2, false);
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return DecodeUtf16(p + 2, n - 2, true);
    const std::string cs = DeclaredCharset(html);
    if (cs == "utf-8" || cs == "utf8")
        return DecodeUtf8Lenient(p, n);
    if (cs.empty() && IsValidUtf8(p, n))
        return DecodeUtf8Lenient(p, n);
    // windows-1252, iso-8859-1, us-ascii and any charset we do not know: Windows-1252 is what
    // browsers read for all of these.
    return DecodeSingleByte(p, n);
}

struct Entity {
    const char* name;
    char32_t cp;
};
const Entity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},      {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},    {"trade", 0x2122},  {"auml", 0xE4},
    {"ouml", 0xF6},    {"uuml", 0xFC},    {"Auml", 0xC4},   {"Ouml", 0xD6},     {"Uuml", 0xDC},
    {"szlig", 0xDF},   {"eacute", 0xE9},  {"egrave", 0xE8}, {"ecirc", 0xEA},    {"Eacute", 0xC9},
    {"aacute", 0xE1},  {"agrave", 0xE0},  {"acirc", 0xE2},  {"ccedil", 0xE7},   {"iacute", 0xED},
    {"oacute", 0xF3},  {"uacute", 0xFA},  {"ntilde", 0xF1}, {"hellip", 0x2026}, {"mdash", 0x2014},
    {"ndash", 0x2013}, {"laquo", 0xAB},   {"raquo", 0xBB},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"euro", 0x20AC}, {"pound", 0xA3},    {"deg", 0xB0},
};

// Decodes the character reference at text[i] ('&'); returns the characters it used (0 when it is
// not a reference, so the '&' stays as it is).
size_t DecodeEntity(const std::u32string& text, size_t i, char32_t* cp) {
    const size_t end = std::min(text.size(), i + 12);
    size_t semi = i + 1;
    while (semi < end && text[semi] != ';')
        ++semi;
    if (semi >= end || semi == i + 1)
        return 0;
    std::string name;
    for (size_t k = i + 1; k < semi; ++k) {
        if (text[k] > 0x7F)
            return 0;
        name += static_cast<char>(text[k]);
    }
    if (name[0] == '#') {
        unsigned long v = 0;
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const size_t from = hex ? 2 : 1;
        if (from >= name.size())
            return 0;
        for (size_t k = from; k < name.size(); ++k) {
            const char c = LowerAscii(name[k]);
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return 0;
            v = v * (hex ? 16 : 10) + static_cast<unsigned long>(d);
            if (v > 0x10FFFF)
                return 0;
        }
        *cp = v == 0 ? 0xFFFD : static_cast<char32_t>(v);
        return semi - i + 1;
    }
    for (const Entity& e : kEntities) {
        if (name == e.name) {
            *cp = e.cp;
            return semi - i + 1;
        }
    }
    return 0;
}

bool IsSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0xA0;
}

// Case-insensitive test for an ASCII word at text[i].
bool MatchAt(const std::u32string& text, size_t i, const char* word) {
    const size_t n = std::strlen(word);
    if (i + n > text.size())
        return false;
    for (size_t k = 0; k < n; ++k) {
        if (LowerAscii32(text[i + k]) != static_cast<char32_t>(word[k]))
            return false;
    }
    return true;
}

// Appends text to out with white space collapsed to single spaces.
void AppendCollapsed(std::u32string& out, char32_t c) {
    if (IsSpace(c)) {
        if (!out.empty() && out.back() != ' ')
            out += ' ';
    } else {
        out += c;
    }
}

std::u32string Trimmed(const std::u32string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

std::u32string Folded(const std::u32string& s) {
    std::u32string out;
    out.reserve(s.size());
    for (char32_t c : s)
        AppendCollapsed(out, FoldCase(c));
    return Trimmed(out);
}

}  // namespace

char32_t FoldCase(char32_t c) {
    if (c < 0x80)
        return LowerAscii32(c);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: mostly pairs of capital (even) and small (odd), shifted by one
        // between U+0139 and U+0148 and between U+0179 and U+017E.
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178)
            return 0xFF;
        if (c < 0x138 || (c >= 0x14A && c <= 0x177))
            return (c % 2 == 0) ? c + 1 : c;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

std::string DeclaredCharset(const std::vector<uint8_t>& html) {
    // The declaration must come early in the head; the first 8 KB are plenty.
    const size_t n = std::min<size_t>(html.size(), 8192);
    std::string head(html.begin(), html.begin() + static_cast<long>(n));
    for (char& c : head)
        c = LowerAscii(c);
    size_t pos = 0;
    while ((pos = head.find("<meta", pos)) != std::string::npos) {
        const size_t close = head.find('>', pos);
        const size_t end = close == std::string::npos ? head.size() : close;
        const size_t cs = head.find("charset", pos);
        if (cs != std::string::npos && cs < end) {
            size_t i = cs + 7;
            while (i < end &&
                   (head[i] == ' ' || head[i] == '=' || head[i] == '"' || head[i] == '\''))
                ++i;
            std::string name;
            while (i < end && (isalnum(static_cast<unsigned char>(head[i])) || head[i] == '-' ||
                               head[i] == '_' || head[i] == '.' || head[i] == ':'))
                name += head[i++];
            if (!name.empty())
                return name;
        }
        pos = end;
    }
    return std::string();
}

namespace {

PageText TextOfCodePoints(const std::u32string& src) {
    PageText page;
    bool inTitle = false;
    size_t i = 0;
    while (i < src.size()) {
        const char32_t c = src[i];
        if (c == '<') {
            if (MatchAt(src, i, "<!--")) {
                const size_t end = src.find(U"-->", i + 4);
                i = end == std::u32string::npos ? src.size() : end + 3;
                continue;
            }
            const size_t k = i + 1;
            const bool closing = k < src.size() && src[k] == '/';
            const size_t nameStart = closing ? k + 1 : k;
            const bool tagLike =
                nameStart < src.size() &&
                ((LowerAscii32(src[nameStart]) >= 'a' && LowerAscii32(src[nameStart]) <= 'z') ||
                 src[nameStart] == '!' || src[nameStart] == '?');
            if (!tagLike) {  // a lone '<' in text
                AppendCollapsed(inTitle ? page.title : page.text, c);
                ++i;
                continue;
            }
            // Find the end of the tag, skipping quoted attribute values.
            size_t j = nameStart;
            char32_t quote = 0;
            while (j < src.size()) {
                if (quote) {
                    if (src[j] == quote)
                        quote = 0;
                } else if (src[j] == '"' || src[j] == '\'') {
                    quote = src[j];
                } else if (src[j] == '>') {
                    break;
                }
                ++j;
            }
            const bool isScript = !closing && MatchAt(src, nameStart, "script");
            const bool isStyle = !closing && MatchAt(src, nameStart, "style");
            if (MatchAt(src, nameStart, "title"))
                inTitle = !closing;
            i = j < src.size() ? j + 1 : src.size();
            if (isScript || isStyle) {
                const char* endTag = isScript ? "</script" : "</style";
                while (i < src.size() && !MatchAt(src, i, endTag))
                    ++i;
            }
            // A tag separates words ("<p>a</p><p>b</p>" reads "a b").
            AppendCollapsed(inTitle ? page.title : page.text, ' ');
            continue;
        }
        char32_t out = c;
        size_t used = 1;
        if (c == '&') {
            char32_t cp;
            const size_t n = DecodeEntity(src, i, &cp);
            if (n) {
                out = cp;
                used = n;
            }
        }
        AppendCollapsed(inTitle ? page.title : page.text, out);
        i += used;
    }
    page.text = Trimmed(page.text);
    page.title = Trimmed(page.title);
    return page;
}

}  // namespace

PageText ExtractPageText(const std::vector<uint8_t>& html) {
    return TextOfCodePoints(DecodePage(html));
}

PageText ExtractPageText(std::vector<uint8_t>&& html) {
    std::u32string src = DecodePage(html);
    html = std::vector<uint8_t>();
    return TextOfCodePoints(src);
}

std::string Utf8FromCodePoints(const std::u32string& text) {
    std::string out;
    for (char32_t cp : text) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::vector<SearchHit> SearchBook(CBook& book, const std::string& queryUtf8, size_t maxHits) {
    std::vector<SearchHit> hits;
    const std::vector<uint8_t> q(queryUtf8.begin(), queryUtf8.end());
    const std::u32string query = Folded(DecodeUtf8Lenient(q.data(), q.size()));
    if (query.empty())
        return hits;
    for (const BookFile& file : book.Files()) {
        if (!file.bInSearch)
            continue;
        // A large page is held at most twice at a time (its bytes while they are decoded, then
        // the decoded text while it is stripped to its words), and its words are folded where
        // they lie. A page too large for the memory left is passed over like an unreadable one.
        PageText page;
        try {
            std::vector<uint8_t> data;
            std::string error;
            if (!book.ReadFile(file, &data, &error))
                continue;
            page = ExtractPageText(std::move(data));
            for (char32_t& c : page.text)
                c = FoldCase(c);
            if (page.text.find(query) == std::u32string::npos &&
                Folded(page.title).find(query) == std::u32string::npos)
                continue;
        } catch (const std::bad_alloc&) {
            continue;
        }
        SearchHit hit;
        hit.strName = file.strName;
        hit.strTitle =
            page.title.empty() ? Utf8FromAnsi(file.strName) : Utf8FromCodePoints(page.title);
        hits.push_back(std::move(hit));
        if (hits.size() >= maxHits)
            break;
    }
    return hits;
}
