// A page's text as code points, read by the full tokenizer, and pages added to the index from
// it: the plain way of reading a page, which the index's one-pass reader (ReadPageForIndex) must
// agree with. In a file of its own so that the viewer, which never calls it, does not link the
// code-point tokenizer.
#include "book/BookSearch.h"

#include "html/HtmlText.h"
#include "html/HtmlTokenizer.h"

namespace {

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

PageText TextOfCodePoints(const std::u32string& src) {
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

}  // namespace

PageText ExtractPageText(const std::vector<uint8_t>& html) {
    return TextOfCodePoints(DecodePage(html));
}

PageText ExtractPageText(std::vector<uint8_t>&& html) {
    const std::u32string src = DecodePage(html);
    html = std::vector<uint8_t>();
    return TextOfCodePoints(src);
}

CSearchIndex::PreparedPage CSearchIndex::Prepare(const PageText& text) {
    CPageReader reader;
    const std::string title = Utf8FromCodePoints(text.title);
    const std::string body = Utf8FromCodePoints(text.text);
    reader.AddTitle(title.data(), title.size());
    reader.AddText(body.data(), body.size());
    return reader.Finish();
}

void CSearchIndex::AddPage(uint32_t pageNumber, const PageText& text) {
    AddPage(pageNumber, Prepare(text));
}
