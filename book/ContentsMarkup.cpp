// What the contents finder reads from a tag, one tag at a time; ContentsMarkup.h says what.
#include "book/ContentsMarkup.h"

#include <cstring>

#include "book/BookContents.h"
#include "platform/Text.h"

namespace {

const char kSpaces[] = " \t\n\r\f";

// Calls f on each piece of value between the separators; true as soon as f says so.
template <typename F>
bool AnyToken(std::string_view value, const char* separators, F f) {
    size_t start = 0;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || std::strchr(separators, value[i])) {
            if (i > start && f(value.substr(start, i - start)))
                return true;
            start = i + 1;
        }
    }
    return false;
}

// Whether a class or id token names a table of contents, navigation or a sidebar.
bool IsMarkWord(std::string_view t) {
    switch (t.size()) {
        case 3:
            return AsciiEqualNoCase(t, "toc") || AsciiEqualNoCase(t, "nav");
        case 6:
            return AsciiEqualNoCase(t, "navbar");
        case 7:
            return AsciiEqualNoCase(t, "toctree") || AsciiEqualNoCase(t, "sidebar") ||
                   AsciiEqualNoCase(t, "summary") || AsciiEqualNoCase(t, "chapter");
        case 8:
            return AsciiEqualNoCase(t, "contents");
        default:
            return false;
    }
}

}  // namespace

ContentsTag ContentsTagOf(const std::string& name) {
    // By length, then by the bytes: a few comparisons for any tag, called for every tag.
    const char* n = name.data();
    auto is = [n](const char* word, size_t length) { return std::memcmp(n, word, length) == 0; };
    switch (name.size()) {
        case 1:
            return n[0] == 'a' ? ContentsTag::a : ContentsTag::other;
        case 2:
            switch (n[0]) {
                case 'l':
                    return n[1] == 'i' ? ContentsTag::li : ContentsTag::other;
                case 'd':
                    return n[1] == 't'   ? ContentsTag::dt
                           : n[1] == 'd' ? ContentsTag::dd
                           : n[1] == 'l' ? ContentsTag::dl
                                         : ContentsTag::other;
                case 'u':
                    return n[1] == 'l' ? ContentsTag::ul : ContentsTag::other;
                case 'o':
                    return n[1] == 'l' ? ContentsTag::ol : ContentsTag::other;
                case 'h':
                    return n[1] == '1'   ? ContentsTag::h1
                           : n[1] == '2' ? ContentsTag::h2
                           : n[1] == 'r' ? ContentsTag::otherVoid
                                         : ContentsTag::other;
                case 'b':
                    return n[1] == 'r' ? ContentsTag::otherVoid : ContentsTag::other;
                default:
                    return ContentsTag::other;
            }
        case 3:
            if (is("nav", 3))
                return ContentsTag::nav;
            return is("img", 3) || is("col", 3) || is("wbr", 3) ? ContentsTag::otherVoid
                                                                : ContentsTag::other;
        case 4:
            if (is("area", 4))
                return ContentsTag::area;
            if (is("link", 4))
                return ContentsTag::link;
            if (is("base", 4))
                return ContentsTag::base;
            if (is("meta", 4))
                return ContentsTag::meta;
            if (is("html", 4))
                return ContentsTag::html;
            if (is("body", 4))
                return ContentsTag::body;
            return is("main", 4) ? ContentsTag::main : ContentsTag::other;
        case 5:
            if (is("title", 5))
                return ContentsTag::title;
            return is("embed", 5) || is("input", 5) || is("param", 5) || is("track", 5)
                       ? ContentsTag::otherVoid
                       : ContentsTag::other;
        case 6:
            return is("source", 6) || is("keygen", 6) ? ContentsTag::otherVoid : ContentsTag::other;
        case 7:
            return is("article", 7) ? ContentsTag::article : ContentsTag::other;
        default:
            return ContentsTag::other;
    }
}

bool IsVoidTag(ContentsTag t) {
    return t == ContentsTag::otherVoid || t == ContentsTag::area || t == ContentsTag::link ||
           t == ContentsTag::base || t == ContentsTag::meta;
}

bool IsListTag(ContentsTag t) {
    return t == ContentsTag::ul || t == ContentsTag::ol || t == ContentsTag::dl;
}

bool IsContentsMark(ContentsTag id, const HtmlTokenUtf8& tag) {
    if (id == ContentsTag::nav)
        return true;
    for (const HtmlAttributeUtf8& a : tag.attributes) {
        if (a.name == "class" || a.name == "id") {
            if (AnyToken(a.value, " \t\n\r\f-_", IsMarkWord))
                return true;
        } else if (a.name == "role") {
            if (AnyToken(a.value, kSpaces, [](std::string_view t) {
                    return AsciiEqualNoCase(t, "doc-toc") || AsciiEqualNoCase(t, "directory") ||
                           AsciiEqualNoCase(t, "navigation");
                }))
                return true;
        } else if (a.name == "epub:type") {
            if (AnyToken(a.value, kSpaces,
                         [](std::string_view t) { return AsciiEqualNoCase(t, "toc"); }))
                return true;
        }
    }
    return false;
}

std::string ContentsElementKey(const HtmlTokenUtf8& tag) {
    std::string key = tag.name;
    if (const HtmlAttributeUtf8* c = tag.Find("class")) {
        AnyToken(c->value, kSpaces, [&key](std::string_view t) {
            key += '.';
            key.append(t.data(), t.size());
            return false;
        });
    }
    return key;
}

LinkRel ReadLinkRel(const HtmlTokenUtf8& tag) {
    LinkRel rel;
    if (const HtmlAttributeUtf8* a = tag.Find("rel")) {
        AnyToken(a->value, kSpaces, [&rel](std::string_view t) {
            if (AsciiEqualNoCase(t, "contents") || AsciiEqualNoCase(t, "toc") ||
                AsciiEqualNoCase(t, "start"))
                rel.bContents = true;
            if (AsciiEqualNoCase(t, "next") || AsciiEqualNoCase(t, "prev") ||
                AsciiEqualNoCase(t, "previous"))
                rel.bStep = true;
            return false;
        });
    }
    return rel;
}

std::string RefreshAddress(std::string_view content) {
    size_t i = 0;
    while (i < content.size() && ((content[i] >= '0' && content[i] <= '9') || content[i] == '.' ||
                                  std::strchr(kSpaces, content[i])))
        ++i;
    if (i < content.size() && (content[i] == ';' || content[i] == ','))
        ++i;
    while (i < content.size() && std::strchr(kSpaces, content[i]))
        ++i;
    if (content.size() - i >= 3 && AsciiEqualNoCase(content.substr(i, 3), "url")) {
        size_t j = i + 3;
        while (j < content.size() && std::strchr(kSpaces, content[j]))
            ++j;
        if (j < content.size() && content[j] == '=') {
            i = j + 1;
            while (i < content.size() && std::strchr(kSpaces, content[i]))
                ++i;
        }
    }
    std::string_view url = content.substr(i);
    if (!url.empty() && (url[0] == '\'' || url[0] == '"')) {
        const size_t end = url.find(url[0], 1);
        url = url.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
    }
    while (!url.empty() && std::strchr(kSpaces, url.back()))
        url.remove_suffix(1);
    return std::string(url);
}

void AppendLabelText(std::string_view utf8, std::string* out, size_t limit) {
    size_t i = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    while (i < n && out->size() < limit) {
        const unsigned char c = p[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            if (!out->empty() && out->back() != ' ')
                *out += ' ';
            ++i;
            continue;
        }
        if (c > 0x20 && c < 0x7F) {
            // A run of visible ASCII, taken at once.
            size_t end = i + 1;
            while (end < n && p[end] > 0x20 && p[end] < 0x7F)
                ++end;
            out->append(utf8.data() + i, std::min(end - i, limit - out->size()));
            i = end;
            continue;
        }
        if (c < 0x80) {
            ++i;  // a control character or DEL
            continue;
        }
        // The tokenizer hands valid UTF-8: the length of a sequence is in its first byte.
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (i + length > n)
            break;
        char32_t cp = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
        for (size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (p[i + k] & 0x3F);
        if (cp == 0xA0) {
            if (!out->empty() && out->back() != ' ')
                *out += ' ';
        } else if (!IsHiddenInTitle(cp)) {
            out->append(utf8.data() + i, length);
        }
        i += length;
    }
}
