// Windows-1252 case rules, so that a book made on Linux names its files exactly as one made on
// Windows with the usual Western code page.
#include "platform/Text.h"

namespace {

unsigned char LowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
        case 0x8A:
            return 0x9A;  // S caron
        case 0x8C:
            return 0x9C;  // OE
        case 0x8E:
            return 0x9E;  // Z caron
        case 0x9F:
            return 0xFF;  // Y diaeresis
        default:
            return c;
    }
}

unsigned char UpperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A:
            return 0x8A;
        case 0x9C:
            return 0x8C;
        case 0x9E:
            return 0x8E;
        case 0xFF:
            return 0x9F;
        default:
            return c;
    }
}

}  // namespace

std::string AnsiLower(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(LowerByte(static_cast<unsigned char>(c)));
    return out;
}

std::string AnsiUpper(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
    return out;
}

bool IsAnsiLeadByte(unsigned char) {
    return false;
}

int AnsiCompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int ca = LowerByte(static_cast<unsigned char>(a[i]));
        const int cb = LowerByte(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string NativePath(const std::string& ansiPath) {
    std::string slashed(ansiPath);
    for (char& c : slashed) {
        if (c == '\\')
            c = '/';
    }
    return Utf8FromAnsi(slashed);
}

size_t OpenPathLength(const std::string& ansiPath) {
    return NativePath(ansiPath).size();
}
