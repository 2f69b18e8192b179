// Full-text search over the pages of a book that are marked for search.
//
// A page's bytes are decoded with its own charset (from its meta tag or byte-order mark, else
// UTF-8 when the bytes are valid UTF-8, else Windows-1252), its tags, comments, scripts and
// style sheets are dropped, character references are decoded and white space is collapsed; the
// query matches without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CBook;

struct SearchHit {
    std::string strName;   // file-table name of the page
    std::string strTitle;  // the page's <title> in UTF-8, or its name when it has none
};

// The pages whose text holds queryUtf8 (UTF-8; blank gives no hits), in file-table order, at
// most maxHits of them. Pages that cannot be read are passed over.
std::vector<SearchHit> SearchBook(CBook& book, const std::string& queryUtf8, size_t maxHits = 500);

// The readable content of an HTML page, as Unicode code points.
struct PageText {
    std::u32string text;   // body text, white space collapsed, tags removed
    std::u32string title;  // text of <title>
};
PageText ExtractPageText(const std::vector<uint8_t>& html);
// The same, releasing the page's bytes as soon as they are decoded.
PageText ExtractPageText(std::vector<uint8_t>&& html);

// The charset a page declares in a <meta> tag, lower case, or "".
std::string DeclaredCharset(const std::vector<uint8_t>& html);

// Folds a code point for case-insensitive comparison (Latin, Greek and Cyrillic letters).
char32_t FoldCase(char32_t c);

std::string Utf8FromCodePoints(const std::u32string& text);
