#include "html/HtmlText.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "html/HtmlTokenizer.h"
#include "platform/Codepage.h"
#include "platform/Text.h"

namespace {

#include "html/CharsetTables.inc"

std::u32string DecodeSingleByte(const uint8_t* p, size_t n) {
    std::u32string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out += static_cast<char32_t>(Cp1252ToUnicode(p[i]));
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

std::string LowerAsciiString(const std::u32string& s) {
    std::string out;
    for (char32_t c : s)
        out += c < 0x80 ? static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c) : '?';
    return out;
}

// The charset name at the start of text (after "charset="): quotes and spaces around it dropped.
std::string CharsetName(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '"' || text[i] == '\''))
        ++i;
    size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != ';' && text[end] != '"' &&
           text[end] != '\'')
        ++end;
    return text.substr(i, end - i);
}

}  // namespace

std::string DeclaredCharset(const std::vector<uint8_t>& html) {
    // The declaration must come early in the head; the first 8 KB are plenty. Every charset name
    // is ASCII, so reading the bytes one to one as code points finds it in any ASCII-based page.
    const size_t n = std::min<size_t>(html.size(), 8192);
    std::u32string head(html.begin(), html.begin() + static_cast<long>(n));
    CHtmlTokenizer tokenizer(head);
    HtmlToken token;
    while (tokenizer.Next(&token)) {
        if (token.kind != HtmlToken::Kind::startTag || token.name != U"meta")
            continue;
        if (const HtmlAttribute* charset = token.Find("charset")) {
            const std::string name = CharsetName(LowerAsciiString(charset->value));
            if (!name.empty())
                return name;
        }
        const HtmlAttribute* content = token.Find("content");
        if (!content)
            continue;
        const std::string value = LowerAsciiString(content->value);
        const size_t at = value.find("charset");
        if (at == std::string::npos)
            continue;
        size_t i = at + 7;
        while (i < value.size() && value[i] == ' ')
            ++i;
        if (i < value.size() && value[i] == '=') {
            const std::string name = CharsetName(value.substr(i + 1));
            if (!name.empty())
                return name;
        }
    }
    return std::string();
}

namespace {

// The encoding standard's UTF-8 decoder, appending to out through a buffer on the stack that is
// appended whole: growing the string one code point at a time costs several times the decoding.
// Runs of ASCII, most of any page, go eight bytes at a time. A sequence that breaks off gives
// one U+FFFD, and the byte that broke it starts afresh; with stopAtError the decoding stops
// there instead. Returns the number of bytes decoded (n unless it stopped).
size_t AppendUtf8Decoded(const uint8_t* p, size_t n, bool stopAtError, std::u32string* out) {
    const size_t kChunk = 2048;
    char32_t chunk[kChunk];
    size_t i = 0;
    while (i < n) {
        size_t k = 0;
        // Each step below writes at most eight code points.
        while (i < n && k + 8 <= kChunk) {
            uint64_t eight;
            if (n - i >= 8 && (std::memcpy(&eight, p + i, 8), (eight & 0x8080808080808080u) == 0)) {
                for (size_t j = 0; j < 8; ++j)
                    chunk[k + j] = p[i + j];
                k += 8;
                i += 8;
                continue;
            }
            const uint8_t c = p[i];
            if (c < 0x80) {
                chunk[k++] = c;
                ++i;
                continue;
            }
            size_t needed;
            char32_t cp;
            uint8_t lower = 0x80;
            uint8_t upper = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                needed = 1;
                cp = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                lower = c == 0xE0 ? 0xA0 : 0x80;
                upper = c == 0xED ? 0x9F : 0xBF;
                needed = 2;
                cp = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                lower = c == 0xF0 ? 0x90 : 0x80;
                upper = c == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
                cp = c & 0x07;
            } else {
                needed = 1;  // a byte that begins no sequence
                cp = 0;
                lower = 1;
                upper = 0;
            }
            size_t j = i + 1;
            for (; needed > 0 && j < n && p[j] >= lower && p[j] <= upper; --needed, ++j) {
                cp = (cp << 6) | (p[j] & 0x3F);
                lower = 0x80;
                upper = 0xBF;
            }
            if (needed > 0) {
                if (stopAtError) {
                    out->append(chunk, k);
                    return i;
                }
                cp = 0xFFFD;
            }
            chunk[k++] = cp;
            i = j;
        }
        out->append(chunk, k);
    }
    return i;
}

}  // namespace

std::u32string DecodeUtf8Lenient(const uint8_t* p, size_t n) {
    std::u32string out;
    out.reserve(n);
    AppendUtf8Decoded(p, n, false, &out);
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
    std::string cs = DeclaredCharset(html);
    // A page declaring UTF-16 in ASCII bytes is not UTF-16: browsers read it as UTF-8.
    static const char* const kUtf8Labels[] = {
        "utf-8",           "utf8",        "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8",
        "x-unicode20utf8", "utf-16",      "utf-16le",          "utf-16be",      "unicode",
        "unicodefeff",     "unicodefffe", "csunicode",         "ucs-2",         "iso-10646-ucs-2",
    };
    for (const char* label : kUtf8Labels) {
        if (cs == label)
            return DecodeUtf8Lenient(p, n);
    }
    if (cs.empty()) {
        // UTF-8 when every byte fits, decoded in the same pass that finds out.
        std::u32string out;
        out.reserve(n);
        if (AppendUtf8Decoded(p, n, true, &out) == n)
            return out;
    }
    // A single-byte charset of our tables, or a multi-byte one the system can read.
    for (const CharsetLabel& label : kCharsetLabels) {
        if (cs != label.label)
            continue;
        if (label.table >= 0) {
            const uint16_t* upper = kSingleByteTables[label.table];
            std::u32string out;
            out.reserve(n);
            for (size_t i = 0; i < n; ++i)
                out += p[i] < 0x80 ? static_cast<char32_t>(p[i]) : upper[p[i] - 0x80];
            return out;
        }
        std::u32string out;
        if (DecodeCodePage(label.codePage, p, n, &out))
            return out;
        break;
    }
    // windows-1252, iso-8859-1, us-ascii and any charset we cannot read: Windows-1252 is what
    // browsers read for the first three.
    return DecodeSingleByte(p, n);
}

void AppendUtf8(char32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf8FromCodePoints(const std::u32string& text) {
    std::string out;
    for (char32_t cp : text)
        AppendUtf8(cp, &out);
    return out;
}
