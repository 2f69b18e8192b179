#include "html/HtmlEntities.h"

#include <cstdint>
#include <cstring>

namespace {

#include "html/HtmlEntityTable.inc"

// The longest name in the table, semicolon included.
const size_t kMaxNameLength = 32;

// Compares the table name at index i with key[0..len): <0, 0 or >0 as strcmp does.
int CompareName(size_t i, const char* key, size_t len) {
    const char* name = kEntityNames + kEntityOffsets[i];
    const int c = std::strncmp(name, key, len);
    if (c != 0)
        return c;
    return name[len] == '\0' ? 0 : 1;
}

bool FindName(const char* key, size_t len, size_t* index) {
    size_t lo = 0;
    size_t hi = kEntityCount;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        const int c = CompareName(mid, key, len);
        if (c == 0) {
            *index = mid;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return false;
}

template <typename Char>
size_t MatchName(const Char* p, size_t n, char32_t* first, char32_t* second) {
    // Names are ASCII letters and digits, the last one possibly followed by ';'.
    char key[kMaxNameLength + 1];
    size_t len = 0;
    while (len < n && len < kMaxNameLength) {
        const Char c = p[len];
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && c != ';')
            break;
        key[len++] = static_cast<char>(c);
        if (c == ';')
            break;
    }
    for (; len > 0; --len) {
        size_t index;
        if (FindName(key, len, &index)) {
            const uint32_t v = kEntityValues[index];
            *first = static_cast<char32_t>(v & 0x1FFFFF);
            *second = kSecondPoints[v >> 21];
            return len;
        }
    }
    return 0;
}

}  // namespace

size_t MatchNamedReference(const char32_t* p, size_t n, char32_t* first, char32_t* second) {
    return MatchName(p, n, first, second);
}

size_t MatchNamedReference(const char* p, size_t n, char32_t* first, char32_t* second) {
    return MatchName(p, n, first, second);
}
