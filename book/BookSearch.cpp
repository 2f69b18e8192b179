#include "book/BookSearch.h"

#include <new>

#include "html/HtmlTokenizer.h"
#include "platform/Text.h"
#include "book/Book.h"

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

bool CBookSearch::Build(CBook& book, const std::atomic<bool>* cancel,
                        const std::function<void(size_t, size_t)>& progress) {
    m_index = CSearchIndex();
    m_titles.assign(book.Files().size(), std::string());
    m_bBuilt = false;
    size_t total = 0;
    for (const BookFile& file : book.Files())
        total += file.bInSearch ? 1 : 0;
    size_t done = 0;
    for (size_t k = 0; k < book.Files().size(); ++k) {
        const BookFile& file = book.Files()[k];
        if (!file.bInSearch)
            continue;
        if (cancel && cancel->load()) {
            m_index = CSearchIndex();
            return false;
        }
        // A page's bytes are let go as soon as they are decoded, so a large page is held at most
        // twice at a time; a page too large for the memory left is passed over like an
        // unreadable one.
        try {
            std::vector<uint8_t> data;
            std::string error;
            if (book.ReadFile(file, &data, &error)) {
                const PageText page = ExtractPageText(std::move(data));
                m_titles[k] = page.title.empty() ? Utf8FromAnsi(file.strName)
                                                 : Utf8FromCodePoints(page.title);
                m_index.AddPage(static_cast<uint32_t>(k), page);
            }
        } catch (const std::bad_alloc&) {
        }
        ++done;
        if (progress)
            progress(done, total);
    }
    m_bBuilt = true;
    return true;
}

SearchResults CBookSearch::Search(const CBook& book, const std::string& queryUtf8,
                                  size_t maxHits) const {
    SearchResults results;
    const IndexResult found = m_index.Query(queryUtf8, maxHits);
    results.nTotal = found.nTotal;
    results.terms = found.terms;
    for (const IndexHit& h : found.hits) {
        if (h.nPage >= book.Files().size() || h.nPage >= m_titles.size())
            continue;
        SearchHit hit;
        hit.strName = book.Files()[h.nPage].strName;
        hit.strTitle = m_titles[h.nPage];
        hit.strSnippet = h.strSnippet;
        results.hits.push_back(std::move(hit));
    }
    return results;
}

SearchResults SearchBook(CBook& book, const std::string& queryUtf8, size_t maxHits) {
    CBookSearch search;
    search.Build(book);
    return search.Search(book, queryUtf8, maxHits);
}
