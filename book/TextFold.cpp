// The tables come from make_fold_table.py (Unicode's case folding, compatibility decomposition
// and the general categories); binary searches over them keep the viewer small, and ASCII, by far
// the most common input, never reaches them.
#include "book/TextFold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

#include "book/TextFoldTable.inc"

bool IsMark(char32_t c) {
    // The combining marks that can follow a letter: the general blocks and the ones inside
    // scripts are all covered by the word ranges, so only the accent blocks need telling apart.
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

}  // namespace

bool IsWordChar(char32_t c) {
    if (c < 0x80)
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const auto* end = std::end(kWordRanges);
    const auto* it = std::upper_bound(std::begin(kWordRanges), end, c,
                                      [](char32_t v, const uint32_t(&r)[2]) { return v < r[0]; });
    if (it == std::begin(kWordRanges))
        return false;
    --it;
    return c <= (*it)[1];
}

bool IsSplitChar(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) ||    // hiragana, katakana
           (c >= 0x3400 && c <= 0x4DBF) ||    // CJK extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // CJK unified ideographs
           (c >= 0xF900 && c <= 0xFAFF) ||    // CJK compatibility ideographs
           (c >= 0x20000 && c <= 0x3FFFF) ||  // CJK extensions B and later
           (c >= 0x0E00 && c <= 0x0EFF) ||    // Thai, Lao
           (c >= 0x1000 && c <= 0x109F) ||    // Myanmar
           (c >= 0x1780 && c <= 0x17FF);      // Khmer
}

void AppendFolded(char32_t c, std::u32string* out) {
    if (c < 0x80) {
        *out += (c >= 'A' && c <= 'Z') ? c + 32 : c;
        return;
    }
    if (IsMark(c))
        return;
    if (c > 0xFFFF) {
        *out += c;
        return;
    }
    const auto* single =
        std::lower_bound(std::begin(kFoldSingle), std::end(kFoldSingle), c,
                         [](const uint16_t(&e)[2], char32_t v) { return e[0] < v; });
    if (single != std::end(kFoldSingle) && (*single)[0] == c) {
        *out += (*single)[1];
        return;
    }
    const auto* multi =
        std::lower_bound(std::begin(kFoldMulti), std::end(kFoldMulti), c,
                         [](const uint16_t(&e)[4], char32_t v) { return e[0] < v; });
    if (multi != std::end(kFoldMulti) && (*multi)[0] == c) {
        for (int k = 1; k < 4 && (*multi)[k]; ++k)
            *out += (*multi)[k];
        return;
    }
    *out += c;
}

char32_t FoldCase(char32_t c) {
    std::u32string folded;
    AppendFolded(c, &folded);
    return folded.empty() ? c : folded[0];
}
