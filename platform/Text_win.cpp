// Lower-casing and comparison through the system, in the user's ANSI code page.
#include "platform/Text.h"

#include <windows.h>

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

int AnsiCompareNoCase(const std::string& a, const std::string& b) {
    // CompareStringA with NORM_IGNORECASE is what the framework's case-insensitive comparison uses;
    // it understands double-byte code pages. Texts longer than an int can hold are not book names.
    const int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                 static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    if (r == 0)
        return lstrcmpiA(a.c_str(), b.c_str());
    return r - CSTR_EQUAL;
}

std::string NativePath(const std::string& ansiPath) { return ansiPath; }
