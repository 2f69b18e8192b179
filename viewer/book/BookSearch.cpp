#include "viewer/book/BookSearch.h"

#include "html/HtmlTokenizer.h"
#include "platform/Text.h"
#include "viewer/book/Book.h"

namespace {

char32_t LowerAscii32(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool IsSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0xA0;
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

PageText ExtractPageText(const std::vector<uint8_t>& html) {
    const std::u32string src = DecodePage(html);
    PageText page;
    CHtmlTokenizer tokenizer(src);
    HtmlToken token;
    while (tokenizer.Next(&token)) {
        switch (token.kind) {
            case HtmlToken::Kind::characters: {
                if (token.container == U"script" || token.container == U"style")
                    break;  // program and style sheet text is not page text
                std::u32string& out = token.container == U"title" ? page.title : page.text;
                for (char32_t c : token.data)
                    AppendCollapsed(out, c);
                break;
            }
            case HtmlToken::Kind::startTag:
            case HtmlToken::Kind::endTag:
                // A tag separates words ("<p>a</p><p>b</p>" reads "a b").
                AppendCollapsed(page.text, ' ');
                break;
            case HtmlToken::Kind::comment:
            case HtmlToken::Kind::doctype:
                break;
        }
    }
    page.text = Trimmed(page.text);
    page.title = Trimmed(page.title);
    return page;
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
        std::vector<uint8_t> data;
        std::string error;
        if (!book.ReadFile(file, &data, &error))
            continue;
        const PageText page = ExtractPageText(data);
        if (Folded(page.text).find(query) == std::u32string::npos &&
            Folded(page.title).find(query) == std::u32string::npos)
            continue;
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
