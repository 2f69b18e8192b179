// How often a string occurs in a text, for the tests that read replies and logs.
#pragma once

#include <cstddef>
#include <string>

// The occurrences of what in text, overlapping ones counted each.
inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}
