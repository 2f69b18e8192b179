// Lower-casing and comparison through the system, in the user's ANSI code page.
#include <windows.h>

// After <windows.h>, whose AnsiLower / AnsiUpper macros it removes.
#include "platform/Text.h"

#include <vector>

std::string AnsiLower(const std::string& text) {
    if (text.empty())
        return text;
    std::vector<char> buf(text.begin(), text.end());
    CharLowerBuffA(buf.data(), static_cast<DWORD>(buf.size()));
    return std::string(buf.begin(), buf.end());
}

std::string AnsiUpper(const std::string& text) {
    if (text.empty())
        return text;
    std::vector<char> buf(text.begin(), text.end());
    CharUpperBuffA(buf.data(), static_cast<DWORD>(buf.size()));
    return std::string(buf.begin(), buf.end());
}

bool IsAnsiLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

int AnsiCompareNoCase(const std::string& a, const std::string& b) {
    // Both texts lower-cased by the system, then compared byte by byte: two names are equal
    // ignoring case exactly when their lower-cased forms are equal, which is what the folder
    // scan's name index relies on. (A linguistic comparison such as CompareStringA would call
    // names equal that differ in characters it ignores, and so merge two different files.)
    const std::string la = AnsiLower(a);
    const std::string lb = AnsiLower(b);
    const int r = la.compare(lb);
    if (r == 0)
        return 0;
    // Order by unsigned bytes, as the Linux half does.
    const size_t n = la.size() < lb.size() ? la.size() : lb.size();
    for (size_t i = 0; i < n; ++i) {
        const int ca = static_cast<unsigned char>(la[i]);
        const int cb = static_cast<unsigned char>(lb[i]);
        if (ca != cb)
            return ca - cb;
    }
    return la.size() < lb.size() ? -1 : 1;
}

std::string NativePath(const std::string& ansiPath) {
    return ansiPath;
}

size_t OpenPathLength(const std::string& ansiPath) {
    if (ansiPath.empty())
        return 0;
    const int units = MultiByteToWideChar(CP_ACP, 0, ansiPath.data(),
                                          static_cast<int>(ansiPath.size()), nullptr, 0);
    return units > 0 ? static_cast<size_t>(units) : ansiPath.size();
}
