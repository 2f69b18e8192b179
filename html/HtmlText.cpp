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

std::string LowerAsciiString(const std::string& s) {
    std::string out;
    for (char c : s) {
        const bool ascii = static_cast<unsigned char>(c) < 0x80;
        out += ascii ? static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c) : '?';
    }
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
    // is ASCII and so is all markup, so the bytes read as they stand find it in any ASCII-based
    // page, whatever its charset.
    const size_t n = std::min<size_t>(html.size(), 8192);
    CHtmlTokenizerUtf8 tokenizer(std::string_view(reinterpret_cast<const char*>(html.data()), n));
    HtmlTokenUtf8 token;
    while (tokenizer.Next(&token)) {
        if (token.kind != HtmlTokenKind::startTag || token.name != "meta")
            continue;
        if (const HtmlAttributeUtf8* charset = token.Find("charset")) {
            const std::string name = CharsetName(LowerAsciiString(charset->value));
            if (!name.empty())
                return name;
        }
        const HtmlAttributeUtf8* content = token.Find("content");
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

// The encoding standard's rule for a sequence that begins with lead (0x80 or above): how many
// continuation bytes it needs (0 when lead begins none), and the range the first of them must lie
// in, which rules out overlong forms, surrogates and code points past U+10FFFF.
size_t Utf8Continuations(uint8_t lead, uint8_t* lower, uint8_t* upper) {
    *lower = 0x80;
    *upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF) {
        *lower = lead == 0xE0 ? 0xA0 : 0x80;
        *upper = lead == 0xED ? 0x9F : 0xBF;
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        *lower = lead == 0xF0 ? 0x90 : 0x80;
        *upper = lead == 0xF4 ? 0x8F : 0xBF;
        return 3;
    }
    return 0;
}

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
            uint8_t lower;
            uint8_t upper;
            size_t needed = Utf8Continuations(c, &lower, &upper);
            char32_t cp = needed == 1 ? c & 0x1F : needed == 2 ? c & 0x0F : c & 0x07;
            if (needed == 0) {
                needed = 1;  // a byte that begins no sequence: no byte can continue it
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

namespace {

// How a page's bytes are read: as UTF-8 from a start (past a byte-order mark), as UTF-8 if they
// all are valid UTF-8, or by their declared charset (*charset) or a UTF-16 byte-order mark.
enum class PageForm { utf8, utf8IfValid, other };

PageForm FormOfPage(const std::vector<uint8_t>& html, size_t* start, std::string* charset) {
    const uint8_t* p = html.data();
    const size_t n = html.size();
    *start = 0;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        *start = 3;
        return PageForm::utf8;
    }
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF)))
        return PageForm::other;
    *charset = DeclaredCharset(html);
    // A page declaring UTF-16 in ASCII bytes is not UTF-16: browsers read it as UTF-8.
    static const char* const kUtf8Labels[] = {
        "utf-8",           "utf8",        "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8",
        "x-unicode20utf8", "utf-16",      "utf-16le",          "utf-16be",      "unicode",
        "unicodefeff",     "unicodefffe", "csunicode",         "ucs-2",         "iso-10646-ucs-2",
    };
    for (const char* label : kUtf8Labels) {
        if (*charset == label)
            return PageForm::utf8;
    }
    return charset->empty() ? PageForm::utf8IfValid : PageForm::other;
}

// A page that is not read as UTF-8: a UTF-16 byte-order mark, else the declared charset.
std::u32string DecodeOther(const std::vector<uint8_t>& html, const std::string& cs) {
    const uint8_t* p = html.data();
    const size_t n = html.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return DecodeUtf16(p + 2, n - 2, false);
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return DecodeUtf16(p + 2, n - 2, true);
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

}  // namespace

std::u32string DecodePage(const std::vector<uint8_t>& html) {
    size_t start;
    std::string cs;
    switch (FormOfPage(html, &start, &cs)) {
        case PageForm::utf8:
            return DecodeUtf8Lenient(html.data() + start, html.size() - start);
        case PageForm::utf8IfValid: {
            // UTF-8 when every byte fits, decoded in the same pass that finds out.
            std::u32string out;
            out.reserve(html.size());
            if (AppendUtf8Decoded(html.data(), html.size(), true, &out) == html.size())
                return out;
            break;
        }
        case PageForm::other:
            break;
    }
    return DecodeOther(html, cs);
}

std::string_view DecodePageUtf8(const std::vector<uint8_t>& html, std::string* storage) {
    size_t start;
    std::string cs;
    const PageForm form = FormOfPage(html, &start, &cs);
    if (form != PageForm::other) {
        const uint8_t* p = html.data() + start;
        const size_t n = html.size() - start;
        if (ValidUtf8Length(p, n) == n)
            return std::string_view(reinterpret_cast<const char*>(p), n);
        if (form == PageForm::utf8) {
            *storage = Utf8FromCodePoints(DecodeUtf8Lenient(p, n));
            return *storage;
        }
    }
    *storage = Utf8FromCodePoints(DecodeOther(html, cs));
    return *storage;
}

size_t ValidUtf8Length(const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i < n) {
        // ASCII, most of any page, 32 bytes at a time.
        if (n - i >= 32) {
            uint64_t words[4];
            std::memcpy(words, p + i, 32);
            if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
                i += 32;
                continue;
            }
        }
        const uint8_t c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        uint8_t lower;
        uint8_t upper;
        const size_t needed = Utf8Continuations(c, &lower, &upper);
        if (needed == 0 || n - i <= needed)
            return i;
        for (size_t k = 1; k <= needed; ++k) {
            if (p[i + k] < lower || p[i + k] > upper)
                return i;
            lower = 0x80;
            upper = 0xBF;
        }
        i += needed + 1;
    }
    return n;
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
