// The named character references of HTML ("&amp;", "&eacute;", the legacy forms without a
// semicolon such as "&copy"), looked up as the HTML tokenizer does: the longest name that
// matches wins.
#pragma once

#include <cstddef>

// Looks for the longest reference name at the start of p[0..n) (the characters after the '&').
// Returns the number of characters matched, semicolon included when the name has one, or 0 when
// no name matches. *first and *second receive the code points the reference stands for (*second
// is 0 for the many references that stand for one code point).
size_t MatchNamedReference(const char32_t* p, size_t n, char32_t* first, char32_t* second);
// The same over UTF-8 text.
size_t MatchNamedReference(const char* p, size_t n, char32_t* first, char32_t* second);
