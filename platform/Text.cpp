#include "platform/Text.h"

#include <cstdio>

namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of Windows-1252 equals Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

uint32_t Cp1252ToUnicode(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F)
        return kCp1252High[c - 0x80];
    return c;
}

int UnicodeToCp1252(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp)
            return 0x80 + i;
    }
    return -1;
}

std::string CodePointName(uint32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}

std::string Utf8FromAnsi(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi)
        AppendUtf8(out, Cp1252ToUnicode(c));
    return out;
}

bool AnsiFromUtf8(const std::string& utf8, std::string* ansi) {
    ansi->clear();
    ansi->reserve(utf8.size());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (len > n - i)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms are not valid UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000))
            return false;
        const int b = UnicodeToCp1252(cp);
        if (b < 0)
            return false;
        *ansi += static_cast<char>(b);
        i += len;
    }
    return true;
}

bool EndsWithBackslash(const std::string& text) {
    bool trail = false;  // the byte at k is the second of a double-byte character
    for (size_t k = 0; k + 1 < text.size(); ++k)
        trail = !trail && IsAnsiLeadByte(static_cast<unsigned char>(text[k]));
    return !text.empty() && text.back() == '\\' && !trail;
}
