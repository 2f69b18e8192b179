// How the search reads words: which characters make up words, and the folded form in which two
// spellings of a word compare equal (case, accents and compatibility forms set aside).
#pragma once

#include <string>

// True for the letters, marks and digits that make up words.
bool IsWordChar(char32_t c);

// True for the characters of scripts written without spaces between words (Han ideographs,
// kana, Thai, Lao, Khmer, Myanmar): each is a word of its own, and a run of them in a query is
// looked for as a phrase.
bool IsSplitChar(char32_t c);

// Appends the folded form of c to out: one to three code points (for example "ß" gives "ss",
// "É" gives "e", "ς" and "Σ" give "σ", "ﬁ" gives "fi"); a combining mark on its own gives nothing.
void AppendFolded(char32_t c, std::u32string* out);

// The first code point of c's folded form (c itself for a mark), for comparisons one to one.
char32_t FoldCase(char32_t c);
