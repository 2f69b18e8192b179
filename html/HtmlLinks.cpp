#include "html/HtmlLinks.h"

#include <cstring>

#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"

namespace {

bool Is(const std::u32string& name, const char* ascii) {
    const size_t n = std::strlen(ascii);
    if (name.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (name[i] != static_cast<char32_t>(ascii[i]))
            return false;
    }
    return true;
}

bool IsAsciiSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// A URL as a browser takes it from an attribute: spaces around it dropped, tabs and line breaks
// inside it removed.
std::string CleanUrl(const std::u32string& value) {
    size_t b = 0;
    size_t e = value.size();
    while (b < e && (IsAsciiSpace(value[b]) || value[b] < 0x20))
        ++b;
    while (e > b && (IsAsciiSpace(value[e - 1]) || value[e - 1] < 0x20))
        --e;
    std::u32string url;
    for (size_t i = b; i < e; ++i) {
        if (value[i] != '\t' && value[i] != '\n' && value[i] != '\r')
            url += value[i];
    }
    return Utf8FromCodePoints(url);
}

std::string Where(const std::u32string& element, const std::u32string& attribute) {
    return Utf8FromCodePoints(element) + " " + Utf8FromCodePoints(attribute);
}

void AddReference(std::vector<HtmlReference>* refs, const std::u32string& value, size_t line,
                  const std::string& where) {
    HtmlReference ref;
    ref.strUrl = CleanUrl(value);
    ref.nLine = line;
    ref.strWhere = where;
    refs->push_back(std::move(ref));
}

int HexDigitValue(char32_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

// At css[*i] == '\\' with a character after it that is not a line break: appends the escaped
// code point to value and moves *i past the escape. One to six hex digits and one white space
// after them give a code point (zero, a surrogate or one beyond U+10FFFF giving U+FFFD); any
// other character stands for itself.
void TakeCssEscape(const std::u32string& css, size_t* i, std::u32string* value, size_t* line) {
    size_t k = *i + 1;
    if (HexDigitValue(css[k]) < 0) {
        *value += css[k];
        *i = k + 1;
        return;
    }
    char32_t cp = 0;
    for (int digits = 0; digits < 6 && k < css.size() && HexDigitValue(css[k]) >= 0; ++digits)
        cp = cp * 16 + static_cast<char32_t>(HexDigitValue(css[k++]));
    if (k < css.size() && IsAsciiSpace(css[k])) {
        if (css[k] == '\n')
            ++*line;
        ++k;
    }
    *value += (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) ? 0xFFFD : cp;
    *i = k;
}

// Reads a CSS string at css[i] (the opening quote); returns the index after the closing quote.
size_t ReadCssString(const std::u32string& css, size_t i, std::u32string* value, size_t* line) {
    const char32_t quote = css[i++];
    while (i < css.size() && css[i] != quote) {
        if (css[i] == '\\' && i + 1 < css.size()) {
            if (css[i + 1] == '\n') {
                ++*line;  // an escaped line break continues the string
                i += 2;
            } else {
                TakeCssEscape(css, &i, value, line);
            }
            continue;
        }
        if (css[i] == '\n')
            break;  // an unclosed string ends at the line's end
        *value += css[i++];
    }
    return i < css.size() && css[i] == quote ? i + 1 : i;
}

// A character that can be part of a CSS name: "url(" right after one is a function of
// another name ("myurl(").
bool IsIdentChar(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c >= 0x80;
}

bool StartsWithNoCase(const std::u32string& s, size_t i, const char* word) {
    for (size_t k = 0; word[k]; ++k) {
        if (i + k >= s.size())
            return false;
        char32_t c = s[i + k];
        if (c >= 'A' && c <= 'Z')
            c += 32;
        if (c != static_cast<char32_t>(word[k]))
            return false;
    }
    return true;
}

// The address of a refresh ("5; url=next.html"), read as a browser reads the content of
// <meta http-equiv="refresh">: a time, a separator, then the address, with or without "url=" and
// quotes. False when the content names no address (the page refreshes itself) or is not a
// refresh a browser follows.
bool RefreshUrl(const std::u32string& content, std::u32string* url) {
    const size_t n = content.size();
    size_t i = 0;
    while (i < n && IsAsciiSpace(content[i]))
        ++i;
    const size_t timeStart = i;
    while (i < n && ((content[i] >= '0' && content[i] <= '9') || content[i] == '.'))
        ++i;
    if (i == timeStart)
        return false;
    if (i < n && !IsAsciiSpace(content[i]) && content[i] != ';' && content[i] != ',')
        return false;
    while (i < n && IsAsciiSpace(content[i]))
        ++i;
    if (i < n && (content[i] == ';' || content[i] == ','))
        ++i;
    while (i < n && IsAsciiSpace(content[i]))
        ++i;
    if (StartsWithNoCase(content, i, "url")) {
        size_t k = i + 3;
        while (k < n && IsAsciiSpace(content[k]))
            ++k;
        if (k < n && content[k] == '=') {
            i = k + 1;
            while (i < n && IsAsciiSpace(content[i]))
                ++i;
        }
    }
    if (i >= n)
        return false;
    std::u32string rest = content.substr(i);
    if (rest[0] == '"' || rest[0] == '\'') {
        const size_t close = rest.find(rest[0], 1);
        rest = rest.substr(1, close == std::u32string::npos ? std::u32string::npos : close - 1);
    }
    *url = rest;
    return true;
}

bool IsAsciiNoCase(const std::u32string& value, const char* ascii) {
    const size_t n = std::strlen(ascii);
    return value.size() == n && StartsWithNoCase(value, 0, ascii);
}

}  // namespace

bool IsLinkAttribute(const std::u32string& element, const std::u32string& attribute) {
    static const struct {
        const char* attribute;
        const char* elements[11];
    } kTable[] = {
        {"href", {"a", "area", "link"}},
        {"src",
         {"img", "script", "iframe", "frame", "embed", "input", "audio", "video", "source",
          "track"}},
        {"srcset", {"img", "source"}},
        {"background", {"body", "table", "td", "th"}},
        {"poster", {"video"}},
        {"data", {"object"}},
    };
    for (const auto& row : kTable) {
        if (!Is(attribute, row.attribute))
            continue;
        for (const char* e : row.elements) {
            if (e && Is(element, e))
                return true;
        }
    }
    return false;
}

std::vector<std::u32string> SplitSrcset(const std::u32string& srcset) {
    // Each candidate: a URL (no spaces; commas at its end belong to the separator), then
    // descriptors up to a comma outside parentheses.
    std::vector<std::u32string> urls;
    size_t i = 0;
    const size_t n = srcset.size();
    while (i < n) {
        while (i < n && (IsAsciiSpace(srcset[i]) || srcset[i] == ','))
            ++i;
        if (i >= n)
            break;
        size_t end = i;
        while (end < n && !IsAsciiSpace(srcset[end]))
            ++end;
        std::u32string url = srcset.substr(i, end - i);
        const bool endsWithComma = !url.empty() && url.back() == ',';
        while (!url.empty() && url.back() == ',')
            url.pop_back();
        urls.push_back(url);
        i = end;
        if (endsWithComma)
            continue;
        int depth = 0;
        while (i < n && !(srcset[i] == ',' && depth == 0)) {
            if (srcset[i] == '(')
                ++depth;
            else if (srcset[i] == ')' && depth > 0)
                --depth;
            ++i;
        }
    }
    return urls;
}

void FindStyleReferences(const std::u32string& css, size_t firstLine, const std::string& where,
                         std::vector<HtmlReference>* refs) {
    size_t line = firstLine;
    size_t i = 0;
    const size_t n = css.size();
    while (i < n) {
        const char32_t c = css[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (c == '/' && i + 1 < n && css[i + 1] == '*') {
            i += 2;
            while (i < n && !(css[i] == '*' && i + 1 < n && css[i + 1] == '/')) {
                if (css[i] == '\n')
                    ++line;
                ++i;
            }
            i = i < n ? i + 2 : n;
        } else if (c == '"' || c == '\'') {
            std::u32string ignored;
            i = ReadCssString(css, i, &ignored, &line);
        } else if (c == '\\' && i + 1 < n) {
            i += 2;
        } else if ((c == 'u' || c == 'U') && StartsWithNoCase(css, i, "url(") &&
                   (i == 0 || !IsIdentChar(css[i - 1]))) {
            const size_t at = line;
            i += 4;
            while (i < n && IsAsciiSpace(css[i])) {
                if (css[i] == '\n')
                    ++line;
                ++i;
            }
            std::u32string value;
            if (i < n && (css[i] == '"' || css[i] == '\'')) {
                i = ReadCssString(css, i, &value, &line);
            } else {
                while (i < n && css[i] != ')' && !IsAsciiSpace(css[i])) {
                    if (css[i] == '\\' && i + 1 < n && css[i + 1] != '\n')
                        TakeCssEscape(css, &i, &value, &line);
                    else
                        value += css[i++];
                }
            }
            while (i < n && css[i] != ')') {
                if (css[i] == '\n')
                    ++line;
                ++i;
            }
            AddReference(refs, value, at, where);
        } else if (c == '@' && StartsWithNoCase(css, i, "@import")) {
            i += 7;
            while (i < n && IsAsciiSpace(css[i])) {
                if (css[i] == '\n')
                    ++line;
                ++i;
            }
            if (i < n && (css[i] == '"' || css[i] == '\'')) {
                const size_t at = line;
                std::u32string value;
                i = ReadCssString(css, i, &value, &line);
                AddReference(refs, value, at, "@import");
            }
            // "@import url(...)" is read as a url() on the next turn.
        } else {
            ++i;
        }
    }
}

PageReferences FindPageReferences(const std::u32string& page) {
    PageReferences result;
    CHtmlTokenizer tokenizer(page);
    HtmlToken token;
    while (tokenizer.Next(&token)) {
        if (token.kind == HtmlToken::Kind::characters) {
            if (Is(token.container, "style"))
                FindStyleReferences(token.data, token.line, "url()", &result.refs);
            continue;
        }
        if (token.kind != HtmlToken::Kind::startTag)
            continue;
        if (Is(token.name, "meta")) {
            const HtmlAttribute* equiv = token.Find("http-equiv");
            const HtmlAttribute* content = token.Find("content");
            std::u32string url;
            if (equiv && content && IsAsciiNoCase(equiv->value, "refresh") &&
                RefreshUrl(content->value, &url))
                AddReference(&result.refs, url, content->line, "meta refresh");
        }
        if (Is(token.name, "base") && !result.bHasBase) {
            if (const HtmlAttribute* href = token.Find("href")) {
                result.bHasBase = true;
                result.strBase = CleanUrl(href->value);
            }
        }
        for (const HtmlAttribute& a : token.attributes) {
            if (Is(a.name, "style")) {
                // The value's line breaks may come from references ("&#10;"): every url() of
                // the attribute is given the attribute's line.
                const size_t first = result.refs.size();
                FindStyleReferences(a.value, a.line, "url()", &result.refs);
                for (size_t k = first; k < result.refs.size(); ++k)
                    result.refs[k].nLine = a.line;
            } else if (Is(a.name, "srcset") && IsLinkAttribute(token.name, a.name)) {
                for (const std::u32string& url : SplitSrcset(a.value))
                    AddReference(&result.refs, url, a.line, Where(token.name, a.name));
            } else if (IsLinkAttribute(token.name, a.name)) {
                AddReference(&result.refs, a.value, a.line, Where(token.name, a.name));
            }
        }
    }
    return result;
}
