#include "html/HtmlTokenizer.h"

#include <cstring>
#include <type_traits>
#include <unordered_set>

#include "html/HtmlEntities.h"
#include "html/HtmlText.h"
#include "platform/Text.h"

// The states of the HTML tokenizer are followed closely, but written as small readers rather
// than one big state switch: each reader starts where a state of the standard begins and stops
// where the standard emits a token. The comments name the rules that are easy to miss.

namespace {

// Attributes a tag may have before their names are kept in a set.
constexpr size_t kListedNames = 16;

bool IsAsciiAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiAlnum(char32_t c) {
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}
bool IsHexDigit(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Tabs, line feeds, form feeds, carriage returns and spaces separate attributes.
bool IsTagSpace(char32_t c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
// The ASCII characters that end a run in the readers below, as bits of one table.
enum : uint8_t {
    kTagSpace = 1,     // tab, line feed, form feed, carriage return, space
    kNameEnd = 2,      // a tag name ends at a tag space, '/' or '>'
    kAttrNameEnd = 4,  // an attribute name also at '='
    kUnquotedEnd = 8,  // an unquoted value at a tag space or '>'
    kTextStop = 16,    // text runs stop at '<', '&', a carriage return or a NUL
};

struct CharClasses {
    uint8_t bits[128] = {};
    CharClasses() {
        for (char c : {'\t', '\n', '\f', '\r', ' '})
            Add(c, kTagSpace | kNameEnd | kAttrNameEnd | kUnquotedEnd);
        Add('/', kNameEnd | kAttrNameEnd);
        Add('>', kNameEnd | kAttrNameEnd | kUnquotedEnd);
        Add('=', kAttrNameEnd);
        for (char c : {'<', '&', '\r', '\0'})
            Add(c, kTextStop);
    }
    void Add(char c, int mask) {
        bits[static_cast<unsigned char>(c)] |= static_cast<uint8_t>(mask);
    }
};
const CharClasses kClasses;

// Whether c is one of the ASCII characters of the classes in mask.
template <typename Char>
bool IsIn(Char c, uint8_t mask) {
    const auto u = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    return u < 128 && (kClasses.bits[u] & mask) != 0;
}

template <typename Char>
Char LowerAscii(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + 32) : c;
}

// A code point appended to text of code points or of UTF-8.
void AppendCodePoint(std::u32string* out, char32_t c) {
    *out += c;
}
void AppendCodePoint(std::string* out, char32_t c) {
    AppendUtf8(c, out);
}

template <typename Char>
bool NameIs(const std::basic_string<Char>& name, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; ++i) {
        if (i >= name.size() || name[i] != static_cast<Char>(ascii[i]))
            return false;
    }
    return i == name.size();
}

// The code point a numeric reference stands for: nothing, values beyond Unicode and surrogates
// become U+FFFD, and the C1 range is read as Windows-1252, as old pages meant it.
char32_t NumericReferenceValue(uint32_t v) {
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0xFFFD;
    if (v >= 0x80 && v <= 0x9F)
        return static_cast<char32_t>(Cp1252ToUnicode(static_cast<unsigned char>(v)));
    return static_cast<char32_t>(v);
}

}  // namespace

template <typename Char>
const HtmlAttributeT<Char>* HtmlTokenT<Char>::Find(const char* attributeName) const {
    for (const HtmlAttributeT<Char>& a : attributes) {
        if (NameIs(a.name, attributeName))
            return &a;
    }
    return nullptr;
}

template <typename Char>
CHtmlTokenizerT<Char>::CHtmlTokenizerT(std::basic_string_view<Char> text) : m_text(text) {}

template <typename Char>
size_t CHtmlTokenizerT<Char>::Find(size_t from, Char c) const {
    if (from >= m_text.size())
        return m_text.size();
    if constexpr (sizeof(Char) == 1) {
        const void* at = std::memchr(m_text.data() + from, c, m_text.size() - from);
        return at ? static_cast<size_t>(static_cast<const Char*>(at) - m_text.data())
                  : m_text.size();
    } else {
        while (from < m_text.size() && m_text[from] != c)
            ++from;
        return from;
    }
}

template <typename Char>
size_t CHtmlTokenizerT<Char>::LineAt(size_t pos) {
    if (pos < m_linePos) {
        m_linePos = 0;
        m_line = 1;
    }
    for (; m_linePos < pos && m_linePos < m_text.size(); ++m_linePos) {
        const Char c = m_text[m_linePos];
        if (c == '\n' ||
            (c == '\r' && (m_linePos + 1 >= m_text.size() || m_text[m_linePos + 1] != '\n')))
            ++m_line;
    }
    return m_line;
}

template <typename Char>
bool CHtmlTokenizerT<Char>::StartsWithNoCase(size_t pos, const char* word) const {
    for (size_t k = 0; word[k]; ++k) {
        if (pos + k >= m_text.size() || LowerAscii(m_text[pos + k]) != static_cast<Char>(word[k]))
            return false;
    }
    return true;
}

template <typename Char>
void CHtmlTokenizerT<Char>::TakeChar(String* out) {
    const Char c = m_text[m_pos++];
    if (c == '\r') {
        *out += '\n';
        if (!AtEnd() && m_text[m_pos] == '\n')
            ++m_pos;
    } else {
        if (c == 0)
            AppendCodePoint(out, 0xFFFD);
        else
            *out += c;
    }
}

template <typename Char>
void CHtmlTokenizerT<Char>::TakeReference(String* out, bool inAttribute) {
    const size_t rest = m_text.size() - m_pos - 1;  // characters after the '&'
    const Char next = Peek(1);
    if (IsAsciiAlnum(next)) {
        char32_t first = 0;
        char32_t second = 0;
        const size_t len = MatchNamedReference(&m_text[m_pos + 1], rest, &first, &second);
        if (len) {
            const bool withSemicolon = m_text[m_pos + len] == ';';
            const Char after = Peek(1 + len);
            // In an attribute, "&copy=1" and "&notit" are left alone when the name has no
            // semicolon: query strings of URLs were written that way long before HTML5.
            if (!(inAttribute && !withSemicolon && (after == '=' || IsAsciiAlnum(after)))) {
                AppendCodePoint(out, first);
                if (second)
                    AppendCodePoint(out, second);
                m_pos += 1 + len;
                return;
            }
        }
    } else if (next == '#') {
        const bool hex = Peek(2) == 'x' || Peek(2) == 'X';
        size_t i = m_pos + (hex ? 3 : 2);
        const size_t digitsStart = i;
        uint32_t value = 0;
        while (i < m_text.size() &&
               (hex ? IsHexDigit(m_text[i]) : (m_text[i] >= '0' && m_text[i] <= '9'))) {
            const char32_t c = LowerAscii(m_text[i]);
            const uint32_t d = c <= '9' ? c - '0' : c - 'a' + 10;
            if (value <= 0x10FFFF)
                value = value * (hex ? 16 : 10) + d;
            ++i;
        }
        if (i > digitsStart) {
            if (i < m_text.size() && m_text[i] == ';')
                ++i;
            AppendCodePoint(out, NumericReferenceValue(value));
            m_pos = i;
            return;
        }
    }
    // Not a reference: the '&' is text, and so is what follows it.
    *out += '&';
    ++m_pos;
}

template <typename Char>
bool CHtmlTokenizerT<Char>::Next(Token* token) {
    // Cleared rather than replaced: the strings keep their buffers from token to token.
    token->kind = HtmlTokenKind::characters;
    token->name.clear();
    token->data.clear();
    for (HtmlAttributeT<Char>& attribute : token->attributes)
        m_spare.push_back(std::move(attribute));
    token->attributes.clear();
    token->selfClosing = false;
    token->container.clear();
    token->line = 0;
    m_bTagPassed = false;
    // A tag, comment or doctype read: handed out, or in text-only mode passed over.
    auto markup = [this, token] {
        if (!m_bTextOnly)
            return true;
        token->kind = HtmlTokenKind::characters;
        token->data.clear();
        return false;
    };
    while (!AtEnd()) {
        if (!m_bTextOnly)
            token->line = LineAt(m_pos);
        if (m_mode != Mode::data) {
            const size_t before = m_pos;
            ReadRawText(token);
            if (m_pos > before)
                return true;
            // At the element's end tag.
            token->container.clear();
            m_mode = Mode::data;
            if (TakeTag(token))
                return true;
            continue;
        }
        if (Peek() != '<') {
            ReadText(token);
            return true;
        }
        const Char c1 = Peek(1);
        if (IsAsciiAlpha(c1) || (c1 == '/' && IsAsciiAlpha(Peek(2)))) {
            if (TakeTag(token))
                return true;
        } else if (c1 == '!') {
            if (Peek(2) == '-' && Peek(3) == '-') {
                ReadComment(token);
            } else if (StartsWithNoCase(m_pos + 2, "doctype")) {
                ReadDoctype(token);
            } else {
                ReadBogusComment(token, m_pos + 2);
            }
            if (markup())
                return true;
        } else if (c1 == '?') {
            ReadBogusComment(token, m_pos + 1);
            if (markup())
                return true;
        } else if (c1 == '/' && Peek(2) == '>') {
            m_pos += 3;  // "</>" is dropped
        } else if (c1 == '/' && m_pos + 2 < m_text.size()) {
            ReadBogusComment(token, m_pos + 2);
            if (markup())
                return true;
        } else {
            ReadText(token);  // a '<' that begins no markup is text
            return true;
        }
    }
    return false;
}

template <typename Char>
bool CHtmlTokenizerT<Char>::TakeTag(Token* token) {
    if (!m_bTextOnly)
        return ReadTag(token);
    // Passed over where it stands: no name, no attributes, no token.
    const Char* text = m_text.data();
    const size_t n = m_text.size();
    const bool endTag = text[m_pos + 1] == '/';
    const size_t nameStart = m_pos + (endTag ? 2 : 1);
    size_t nameEnd = nameStart;
    while (nameEnd < n && !IsIn(text[nameEnd], kNameEnd))
        ++nameEnd;
    m_pos = nameEnd;
    bool complete = false;
    bool selfClosing = false;
    SkipAttributes(&selfClosing, &complete);
    if (!complete)
        return false;
    m_bTagPassed = true;
    if (!endTag)
        EnterRawMode(text + nameStart, nameEnd - nameStart);
    return false;
}

template <typename Char>
void CHtmlTokenizerT<Char>::EnterRawMode(const Char* name, size_t length) {
    // Every element read as raw text has a name of three to nine letters.
    if (length < 3 || length > 9)
        return;
    static const struct {
        const char* name;
        size_t length;
        Mode mode;
    } kRawElements[] = {
        {"title", 5, Mode::rcdata},        {"textarea", 8, Mode::rcdata},
        {"style", 5, Mode::rawtext},       {"xmp", 3, Mode::rawtext},
        {"iframe", 6, Mode::rawtext},      {"noembed", 7, Mode::rawtext},
        {"noframes", 8, Mode::rawtext},    {"script", 6, Mode::scriptData},
        {"plaintext", 9, Mode::plaintext},
    };
    for (const auto& element : kRawElements) {
        if (element.length != length || LowerAscii(name[0]) != Char(element.name[0]))
            continue;
        size_t k = 1;
        while (k < length && LowerAscii(name[k]) == Char(element.name[k]))
            ++k;
        if (k == length) {
            m_mode = element.mode;
            m_rawElement.assign(element.name, element.name + length);
            return;
        }
    }
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadText(Token* token) {
    token->kind = HtmlTokenKind::characters;
    bool first = true;
    while (!AtEnd()) {
        const Char c = m_text[m_pos];
        if (c == '<' && !first) {
            const Char c1 = Peek(1);
            const bool markup = IsAsciiAlpha(c1) || c1 == '!' || c1 == '?' ||
                                (c1 == '/' && m_pos + 2 < m_text.size());
            if (markup)
                break;
        }
        first = false;
        if (c == '&') {
            TakeReference(&token->data, false);
        } else if (c == '\r' || c == 0) {
            TakeChar(&token->data);
        } else {
            // The run up to the next character that needs a look.
            const Char* text = m_text.data();
            const size_t n = m_text.size();
            size_t end = m_pos + 1;
            while (end < n && !IsIn(text[end], kTextStop))
                ++end;
            token->data.append(text + m_pos, end - m_pos);
            m_pos = end;
        }
    }
}

template <typename Char>
bool CHtmlTokenizerT<Char>::AtAppropriateEndTag(size_t pos) const {
    if (pos + 1 >= m_text.size() || m_text[pos] != '<' || m_text[pos + 1] != '/')
        return false;
    const size_t nameStart = pos + 2;
    for (size_t k = 0; k < m_rawElement.size(); ++k) {
        if (nameStart + k >= m_text.size() || LowerAscii(m_text[nameStart + k]) != m_rawElement[k])
            return false;
    }
    const size_t after = nameStart + m_rawElement.size();
    return after < m_text.size() &&
           (IsTagSpace(m_text[after]) || m_text[after] == '/' || m_text[after] == '>');
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadRawText(Token* token) {
    token->kind = HtmlTokenKind::characters;
    token->container = m_rawElement;
    size_t end = m_text.size();
    if (m_mode == Mode::scriptData) {
        end = FindScriptEnd(m_pos);
    } else if (m_mode != Mode::plaintext) {
        for (size_t i = Find(m_pos, '<'); i < m_text.size(); i = Find(i + 1, '<')) {
            if (AtAppropriateEndTag(i)) {
                end = i;
                break;
            }
        }
    }
    const bool references = m_mode == Mode::rcdata;
    while (m_pos < end) {
        const Char c = m_text[m_pos];
        if (references && c == '&') {
            TakeReference(&token->data, false);
        } else if (c == '\r' || c == 0) {
            TakeChar(&token->data);
        } else {
            size_t run = m_pos + 1;
            while (run < end && m_text[run] != '\r' && m_text[run] != 0 &&
                   !(references && m_text[run] == '&'))
                ++run;
            token->data.append(m_text.data() + m_pos, run - m_pos);
            m_pos = run;
        }
    }
    // A reference cannot run past the end tag: it is made of letters, digits, '#' and ';'.
}

template <typename Char>
size_t CHtmlTokenizerT<Char>::FindScriptEnd(size_t from) const {
    // "<!--" in a script starts an escaped section, in which "<script" starts a double-escaped
    // one; "</script" ends the element except in a double-escaped section, and "-->" ends
    // either section.
    enum class Section { none, escaped, doubleEscaped };
    Section section = Section::none;
    int dashes = 0;
    size_t i = from;
    const size_t n = m_text.size();
    auto letters = [&](size_t at, size_t* end) {
        size_t k = at;
        while (k < n && IsAsciiAlpha(m_text[k]))
            ++k;
        *end = k;
        return k - at == 6 && k < n &&
               (IsTagSpace(m_text[k]) || m_text[k] == '/' || m_text[k] == '>') &&
               StartsWithNoCase(at, "script");
    };
    while (i < n) {
        const Char c = m_text[i];
        if (section == Section::none) {
            if (c == '<' && AtAppropriateEndTag(i))
                return i;
            if (c == '<' && i + 3 < n && m_text[i + 1] == '!' && m_text[i + 2] == '-' &&
                m_text[i + 3] == '-') {
                section = Section::escaped;
                dashes = 2;
                i += 4;
                continue;
            }
            ++i;
            continue;
        }
        if (c == '-') {
            ++dashes;
            ++i;
            continue;
        }
        if (c == '>' && dashes >= 2) {
            section = Section::none;
            dashes = 0;
            ++i;
            continue;
        }
        dashes = 0;
        if (c == '<') {
            size_t end;
            if (section == Section::escaped) {
                if (AtAppropriateEndTag(i))
                    return i;
                if (letters(i + 1, &end)) {
                    section = Section::doubleEscaped;
                    i = end + 1;
                    continue;
                }
            } else if (i + 1 < n && m_text[i + 1] == '/' && letters(i + 2, &end)) {
                section = Section::escaped;
                i = end + 1;
                continue;
            }
        }
        ++i;
    }
    return n;
}

template <typename Char>
bool CHtmlTokenizerT<Char>::ReadTag(Token* token) {
    const bool endTag = Peek(1) == '/';
    token->kind = endTag ? HtmlTokenKind::endTag : HtmlTokenKind::startTag;
    m_pos += endTag ? 2 : 1;
    // The name is taken whole, then lower-cased in place.
    const size_t nameStart = m_pos;
    size_t nameEnd = nameStart;
    while (nameEnd < m_text.size() && !IsIn(m_text[nameEnd], kNameEnd))
        ++nameEnd;
    m_pos = nameEnd;
    token->name.append(m_text.data() + nameStart, nameEnd - nameStart);
    bool nul = false;
    for (Char& c : token->name) {
        nul = nul || c == 0;
        c = LowerAscii(c);
    }
    if (nul) {
        // A NUL reads as U+FFFD, which in UTF-8 takes more room than the NUL did.
        const String name = token->name;
        token->name.clear();
        for (Char c : name) {
            if (c == 0)
                AppendCodePoint(&token->name, 0xFFFD);
            else
                token->name += c;
        }
    }
    bool complete = false;
    ReadAttributes(token, &complete);
    if (!complete) {
        // The text ended inside the tag: the tag is dropped.
        token->name.clear();
        token->attributes.clear();
        return false;
    }
    if (endTag) {
        token->attributes.clear();
        token->selfClosing = false;
        return true;
    }
    EnterRawMode(token->name.data(), token->name.size());
    return true;
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadAttributes(Token* token, bool* complete) {
    // A repeated attribute is dropped (its strings kept for later tags); the first one counts. A
    // tag of a few attributes is searched through; past that the names seen go into a set, so
    // that a tag of a hundred thousand attributes costs no more per attribute than a tag of ten.
    std::unordered_set<String> seen;
    auto add = [this, token, &seen](HtmlAttributeT<Char>&& a) {
        std::vector<HtmlAttributeT<Char>>& list = token->attributes;
        bool repeated = false;
        if (list.size() < kListedNames) {
            for (const HtmlAttributeT<Char>& b : list)
                repeated = repeated || b.name == a.name;
        } else {
            if (seen.empty()) {
                for (const HtmlAttributeT<Char>& b : list)
                    seen.insert(b.name);
            }
            repeated = !seen.insert(a.name).second;
        }
        if (repeated)
            m_spare.push_back(std::move(a));
        else
            list.push_back(std::move(a));
    };
    for (;;) {
        while (!AtEnd() && IsTagSpace(Peek()))
            ++m_pos;
        if (AtEnd())
            return;
        if (Peek() == '/') {
            ++m_pos;
            if (Peek() == '>') {
                ++m_pos;
                token->selfClosing = true;
                *complete = true;
                return;
            }
            continue;  // a stray '/' is passed over
        }
        if (Peek() == '>') {
            ++m_pos;
            *complete = true;
            return;
        }
        HtmlAttributeT<Char> attribute;
        if (!m_spare.empty()) {
            attribute = std::move(m_spare.back());
            m_spare.pop_back();
            attribute.name.clear();
            attribute.value.clear();
        }
        attribute.line = LineAt(m_pos);
        // The name; an '=' can be its first character ("<a =x>").
        do {
            const Char c = m_text[m_pos++];
            if (c == 0)
                AppendCodePoint(&attribute.name, 0xFFFD);
            else
                attribute.name += LowerAscii(c);
        } while (!AtEnd() && !IsTagSpace(Peek()) && Peek() != '/' && Peek() != '>' &&
                 Peek() != '=');
        while (!AtEnd() && IsTagSpace(Peek()))
            ++m_pos;
        if (AtEnd())
            return;
        if (Peek() != '=') {
            add(std::move(attribute));  // no value; '/', '>' or the next name follows
            continue;
        }
        ++m_pos;
        while (!AtEnd() && IsTagSpace(Peek()))
            ++m_pos;
        if (AtEnd())
            return;
        const Char quote = Peek();
        if (quote == '"' || quote == '\'') {
            ++m_pos;
            while (!AtEnd() && Peek() != quote) {
                const Char c = Peek();
                if (c == '&') {
                    TakeReference(&attribute.value, true);
                } else if (c == '\r' || c == 0) {
                    TakeChar(&attribute.value);
                } else {
                    size_t end = m_pos + 1;
                    while (end < m_text.size() && m_text[end] != quote && m_text[end] != '&' &&
                           m_text[end] != '\r' && m_text[end] != 0)
                        ++end;
                    attribute.value.append(m_text.data() + m_pos, end - m_pos);
                    m_pos = end;
                }
            }
            if (AtEnd())
                return;
            ++m_pos;
        } else if (quote != '>') {
            while (!AtEnd() && !IsTagSpace(Peek()) && Peek() != '>') {
                if (Peek() == '&')
                    TakeReference(&attribute.value, true);
                else
                    TakeChar(&attribute.value);
            }
            if (AtEnd())
                return;
        }
        add(std::move(attribute));
    }
}

template <typename Char>
void CHtmlTokenizerT<Char>::SkipAttributes(bool* selfClosing, bool* complete) {
    // Where each attribute ends is found as ReadAttributes finds it: a character reference in a
    // value is made of letters, digits, '#' and ';', so it never hides the quote, space or '>'
    // that ends the value. The position is kept in a local: the compiler need not reload it.
    const Char* text = m_text.data();
    const size_t n = m_text.size();
    size_t pos = m_pos;
    auto skipSpace = [&] {
        while (pos < n && IsIn(text[pos], kTagSpace))
            ++pos;
        return pos < n;
    };
    for (;;) {
        if (!skipSpace())
            break;
        if (text[pos] == '/') {
            ++pos;
            if (pos < n && text[pos] == '>') {
                ++pos;
                *selfClosing = true;
                *complete = true;
                break;
            }
            continue;
        }
        if (text[pos] == '>') {
            ++pos;
            *complete = true;
            break;
        }
        // The name; an '=' can be its first character.
        do {
            ++pos;
        } while (pos < n && !IsIn(text[pos], kAttrNameEnd));
        if (!skipSpace())
            break;
        if (text[pos] != '=')
            continue;
        ++pos;
        if (!skipSpace())
            break;
        const Char quote = text[pos];
        if (quote == '"' || quote == '\'') {
            pos = Find(pos + 1, quote);
            if (pos >= n)
                break;
            ++pos;
        } else if (quote != '>') {
            while (pos < n && !IsIn(text[pos], kUnquotedEnd))
                ++pos;
            if (pos >= n)
                break;
        }
    }
    m_pos = pos;
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadComment(Token* token) {
    token->kind = HtmlTokenKind::comment;
    m_pos += 4;  // "<!--"
    // "<!-->" and "<!--->" are empty comments.
    if (Peek() == '>') {
        ++m_pos;
        return;
    }
    if (Peek() == '-' && Peek(1) == '>') {
        m_pos += 2;
        return;
    }
    // The comment ends at the first "-->" or "--!>", or with the text.
    size_t end = m_pos;
    size_t after = m_text.size();
    for (; end + 1 < m_text.size(); ++end) {
        if (m_text[end] != '-' || m_text[end + 1] != '-')
            continue;
        if (end + 2 < m_text.size() && m_text[end + 2] == '>') {
            after = end + 3;
            break;
        }
        if (end + 3 < m_text.size() && m_text[end + 2] == '!' && m_text[end + 3] == '>') {
            after = end + 4;
            break;
        }
    }
    if (after == m_text.size())
        end = m_text.size();
    token->data.assign(m_text.data() + m_pos, end - m_pos);
    m_pos = after;
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadBogusComment(Token* token, size_t from) {
    token->kind = HtmlTokenKind::comment;
    size_t end = from;
    while (end < m_text.size() && m_text[end] != '>')
        ++end;
    token->data.assign(m_text.data() + from, end - from);
    m_pos = end < m_text.size() ? end + 1 : end;
}

template <typename Char>
void CHtmlTokenizerT<Char>::ReadDoctype(Token* token) {
    // Even a quoted identifier ends at '>'.
    ReadBogusComment(token, m_pos + 9);
    token->kind = HtmlTokenKind::doctype;
}

template struct HtmlTokenT<char32_t>;
template struct HtmlTokenT<char>;
template class CHtmlTokenizerT<char32_t>;
template class CHtmlTokenizerT<char>;
