#include "html/HtmlTokenizer.h"

#include <unordered_set>

#include "html/HtmlEntities.h"
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
char32_t LowerAscii(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool NameIs(const std::u32string& name, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; ++i) {
        if (i >= name.size() || name[i] != static_cast<char32_t>(ascii[i]))
            return false;
    }
    return i == name.size();
}

bool NameIsOneOf(const std::u32string& name, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (NameIs(name, n))
            return true;
    }
    return false;
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

const HtmlAttribute* HtmlToken::Find(const char* attributeName) const {
    for (const HtmlAttribute& a : attributes) {
        if (NameIs(a.name, attributeName))
            return &a;
    }
    return nullptr;
}

CHtmlTokenizer::CHtmlTokenizer(const std::u32string& text) : m_text(text) {}

size_t CHtmlTokenizer::LineAt(size_t pos) {
    if (pos < m_linePos) {
        m_linePos = 0;
        m_line = 1;
    }
    for (; m_linePos < pos && m_linePos < m_text.size(); ++m_linePos) {
        const char32_t c = m_text[m_linePos];
        if (c == '\n' ||
            (c == '\r' && (m_linePos + 1 >= m_text.size() || m_text[m_linePos + 1] != '\n')))
            ++m_line;
    }
    return m_line;
}

bool CHtmlTokenizer::StartsWithNoCase(size_t pos, const char* word) const {
    for (size_t k = 0; word[k]; ++k) {
        if (pos + k >= m_text.size() ||
            LowerAscii(m_text[pos + k]) != static_cast<char32_t>(word[k]))
            return false;
    }
    return true;
}

void CHtmlTokenizer::TakeChar(std::u32string* out) {
    const char32_t c = m_text[m_pos++];
    if (c == '\r') {
        *out += '\n';
        if (!AtEnd() && m_text[m_pos] == '\n')
            ++m_pos;
    } else {
        *out += c == 0 ? 0xFFFD : c;
    }
}

void CHtmlTokenizer::TakeReference(std::u32string* out, bool inAttribute) {
    const size_t rest = m_text.size() - m_pos - 1;  // characters after the '&'
    const char32_t next = Peek(1);
    if (IsAsciiAlnum(next)) {
        char32_t first = 0;
        char32_t second = 0;
        const size_t len = MatchNamedReference(&m_text[m_pos + 1], rest, &first, &second);
        if (len) {
            const bool withSemicolon = m_text[m_pos + len] == ';';
            const char32_t after = Peek(1 + len);
            // In an attribute, "&copy=1" and "&notit" are left alone when the name has no
            // semicolon: query strings of URLs were written that way long before HTML5.
            if (!(inAttribute && !withSemicolon && (after == '=' || IsAsciiAlnum(after)))) {
                *out += first;
                if (second)
                    *out += second;
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
            *out += NumericReferenceValue(value);
            m_pos = i;
            return;
        }
    }
    // Not a reference: the '&' is text, and so is what follows it.
    *out += '&';
    ++m_pos;
}

bool CHtmlTokenizer::Next(HtmlToken* token) {
    // Cleared rather than replaced: the strings keep their buffers from token to token.
    token->kind = HtmlToken::Kind::characters;
    token->name.clear();
    token->data.clear();
    for (HtmlAttribute& attribute : token->attributes)
        m_spare.push_back(std::move(attribute));
    token->attributes.clear();
    token->selfClosing = false;
    token->container.clear();
    token->line = 0;
    while (!AtEnd()) {
        if (!m_bTextOnly)
            token->line = LineAt(m_pos);
        if (m_mode != Mode::data) {
            const size_t before = m_pos;
            ReadRawText(token);
            if (m_pos > before)
                return true;
            // At the element's end tag.
            m_mode = Mode::data;
            if (ReadTag(token))
                return true;
            continue;
        }
        if (Peek() != '<') {
            ReadText(token);
            return true;
        }
        const char32_t c1 = Peek(1);
        if (IsAsciiAlpha(c1) || (c1 == '/' && IsAsciiAlpha(Peek(2)))) {
            if (ReadTag(token))
                return true;
        } else if (c1 == '!') {
            if (Peek(2) == '-' && Peek(3) == '-') {
                ReadComment(token);
            } else if (StartsWithNoCase(m_pos + 2, "doctype")) {
                ReadDoctype(token);
            } else {
                ReadBogusComment(token, m_pos + 2);
            }
            return true;
        } else if (c1 == '?') {
            ReadBogusComment(token, m_pos + 1);
            return true;
        } else if (c1 == '/' && Peek(2) == '>') {
            m_pos += 3;  // "</>" is dropped
        } else if (c1 == '/' && m_pos + 2 < m_text.size()) {
            ReadBogusComment(token, m_pos + 2);
            return true;
        } else {
            ReadText(token);  // a '<' that begins no markup is text
            return true;
        }
    }
    return false;
}

void CHtmlTokenizer::ReadText(HtmlToken* token) {
    token->kind = HtmlToken::Kind::characters;
    bool first = true;
    while (!AtEnd()) {
        const char32_t c = m_text[m_pos];
        if (c == '<' && !first) {
            const char32_t c1 = Peek(1);
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
            size_t end = m_pos + 1;
            while (end < m_text.size() && m_text[end] != '<' && m_text[end] != '&' &&
                   m_text[end] != '\r' && m_text[end] != 0)
                ++end;
            token->data.append(m_text, m_pos, end - m_pos);
            m_pos = end;
        }
    }
}

bool CHtmlTokenizer::AtAppropriateEndTag(size_t pos) const {
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

void CHtmlTokenizer::ReadRawText(HtmlToken* token) {
    token->kind = HtmlToken::Kind::characters;
    token->container = m_rawElement;
    size_t end = m_text.size();
    if (m_mode == Mode::scriptData) {
        end = FindScriptEnd(m_pos);
    } else if (m_mode != Mode::plaintext) {
        for (size_t i = m_pos; i < m_text.size(); ++i) {
            if (m_text[i] == '<' && AtAppropriateEndTag(i)) {
                end = i;
                break;
            }
        }
    }
    while (m_pos < end) {
        if (m_mode == Mode::rcdata && m_text[m_pos] == '&')
            TakeReference(&token->data, false);
        else
            TakeChar(&token->data);
    }
    // A reference cannot run past the end tag: it is made of letters, digits, '#' and ';'.
}

size_t CHtmlTokenizer::FindScriptEnd(size_t from) const {
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
        const char32_t c = m_text[i];
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

bool CHtmlTokenizer::ReadTag(HtmlToken* token) {
    const bool endTag = Peek(1) == '/';
    token->kind = endTag ? HtmlToken::Kind::endTag : HtmlToken::Kind::startTag;
    m_pos += endTag ? 2 : 1;
    // The name is taken whole, then lower-cased in place.
    const size_t nameStart = m_pos;
    while (!AtEnd() && !IsTagSpace(Peek()) && Peek() != '/' && Peek() != '>')
        ++m_pos;
    token->name.append(m_text, nameStart, m_pos - nameStart);
    for (char32_t& c : token->name)
        c = c == 0 ? 0xFFFD : LowerAscii(c);
    bool complete = false;
    if (m_bTextOnly)
        SkipAttributes(token, &complete);
    else
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
    const std::u32string& name = token->name;
    if (NameIsOneOf(name, {"title", "textarea"}))
        m_mode = Mode::rcdata;
    else if (NameIsOneOf(name, {"style", "xmp", "iframe", "noembed", "noframes"}))
        m_mode = Mode::rawtext;
    else if (NameIs(name, "script"))
        m_mode = Mode::scriptData;
    else if (NameIs(name, "plaintext"))
        m_mode = Mode::plaintext;
    if (m_mode != Mode::data)
        m_rawElement = name;
    return true;
}

void CHtmlTokenizer::ReadAttributes(HtmlToken* token, bool* complete) {
    // A repeated attribute is dropped (its strings kept for later tags); the first one counts. A
    // tag of a few attributes is searched through; past that the names seen go into a set, so
    // that a tag of a hundred thousand attributes costs no more per attribute than a tag of ten.
    std::unordered_set<std::u32string> seen;
    auto add = [this, token, &seen](HtmlAttribute&& a) {
        std::vector<HtmlAttribute>& list = token->attributes;
        bool repeated = false;
        if (list.size() < kListedNames) {
            for (const HtmlAttribute& b : list)
                repeated = repeated || b.name == a.name;
        } else {
            if (seen.empty()) {
                for (const HtmlAttribute& b : list)
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
        HtmlAttribute attribute;
        if (!m_spare.empty()) {
            attribute = std::move(m_spare.back());
            m_spare.pop_back();
            attribute.name.clear();
            attribute.value.clear();
        }
        attribute.line = LineAt(m_pos);
        // The name; an '=' can be its first character ("<a =x>").
        do {
            const char32_t c = m_text[m_pos++];
            attribute.name += c == 0 ? 0xFFFD : LowerAscii(c);
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
        const char32_t quote = Peek();
        if (quote == '"' || quote == '\'') {
            ++m_pos;
            while (!AtEnd() && Peek() != quote) {
                const char32_t c = Peek();
                if (c == '&') {
                    TakeReference(&attribute.value, true);
                } else if (c == '\r' || c == 0) {
                    TakeChar(&attribute.value);
                } else {
                    size_t end = m_pos + 1;
                    while (end < m_text.size() && m_text[end] != quote && m_text[end] != '&' &&
                           m_text[end] != '\r' && m_text[end] != 0)
                        ++end;
                    attribute.value.append(m_text, m_pos, end - m_pos);
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

void CHtmlTokenizer::SkipAttributes(HtmlToken* token, bool* complete) {
    // Where each attribute ends is found as ReadAttributes finds it: a character reference in a
    // value is made of letters, digits, '#' and ';', so it never hides the quote, space or '>'
    // that ends the value.
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
            continue;
        }
        if (Peek() == '>') {
            ++m_pos;
            *complete = true;
            return;
        }
        do {
            ++m_pos;
        } while (!AtEnd() && !IsTagSpace(Peek()) && Peek() != '/' && Peek() != '>' &&
                 Peek() != '=');
        while (!AtEnd() && IsTagSpace(Peek()))
            ++m_pos;
        if (AtEnd())
            return;
        if (Peek() != '=')
            continue;
        ++m_pos;
        while (!AtEnd() && IsTagSpace(Peek()))
            ++m_pos;
        if (AtEnd())
            return;
        const char32_t quote = Peek();
        if (quote == '"' || quote == '\'') {
            ++m_pos;
            while (!AtEnd() && Peek() != quote)
                ++m_pos;
            if (AtEnd())
                return;
            ++m_pos;
        } else if (quote != '>') {
            while (!AtEnd() && !IsTagSpace(Peek()) && Peek() != '>')
                ++m_pos;
            if (AtEnd())
                return;
        }
    }
}

void CHtmlTokenizer::ReadComment(HtmlToken* token) {
    token->kind = HtmlToken::Kind::comment;
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
    token->data.assign(m_text, m_pos, end - m_pos);
    m_pos = after;
}

void CHtmlTokenizer::ReadBogusComment(HtmlToken* token, size_t from) {
    token->kind = HtmlToken::Kind::comment;
    size_t end = from;
    while (end < m_text.size() && m_text[end] != '>')
        ++end;
    token->data.assign(m_text, from, end - from);
    m_pos = end < m_text.size() ? end + 1 : end;
}

void CHtmlTokenizer::ReadDoctype(HtmlToken* token) {
    // Even a quoted identifier ends at '>'.
    ReadBogusComment(token, m_pos + 9);
    token->kind = HtmlToken::Kind::doctype;
}
