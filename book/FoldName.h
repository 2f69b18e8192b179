// The key under which a file name of the book is looked up: slashes unified, leading slashes
// dropped, lower case by the code page's rules (which is how Windows matches file names). The
// reading layer's look-ups and the command line's check compare names by it.
//
// Defined here with internal linkage, so that each file that compares names compiles its own copy
// into its look-ups (the viewer's code stays as small and fast as with a local helper).
#pragma once

#include <string>

#include "platform/Text.h"

namespace {

std::string FoldName(const std::string& name) {
    std::string s = name;
    for (char& c : s) {
        if (c == '\\')
            c = '/';
    }
    size_t lead = 0;
    while (lead < s.size() && s[lead] == '/')
        ++lead;
    return AnsiLower(s.substr(lead));
}

}  // namespace
