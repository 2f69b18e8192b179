// Text helpers for 8-bit ANSI strings.
//
// Every text of a book (names, titles, paths) is held as 8-bit characters in the system's ANSI
// code page. On Windows the system itself lower-cases and compares them; elsewhere the rules of
// Windows-1252 are applied, and file names on disk (UTF-8) are converted at the boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// <windows.h> defines AnsiLower and AnsiUpper as macros for CharLowerA / CharUpperA, which would
// silently rename the functions below. Include this header after <windows.h>.
#ifdef AnsiLower
#undef AnsiLower
#endif
#ifdef AnsiUpper
#undef AnsiUpper
#endif

// Lower-cases / upper-cases with the code page's rules (multibyte-aware on Windows).
std::string AnsiLower(const std::string& text);
std::string AnsiUpper(const std::string& text);

// True when c begins a two-byte character of the ANSI code page (a double-byte code page such as
// Shift-JIS, where the second byte may be a backslash); never so for Windows-1252.
bool IsAnsiLeadByte(unsigned char c);

// True when the last character of text is a backslash: a byte 0x5C that is not the second byte
// of a double-byte character.
bool EndsWithBackslash(const std::string& text);

// ASCII letters lower-cased, every other byte as it is: for the ASCII words of web addresses and
// markup (schemes, tag and attribute values), which no code page changes.
inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
// Whether text equals the lower-case ASCII word lower, ignoring the case of ASCII letters.
inline bool AsciiEqualNoCase(std::string_view text, const char* lower) {
    size_t i = 0;
    for (; lower[i]; ++i) {
        if (i >= text.size() || AsciiLower(text[i]) != lower[i])
            return false;
    }
    return i == text.size();
}

// Compares two texts ignoring case: 0 when equal, <0 or >0 as in strcmp.
int AnsiCompareNoCase(const std::string& a, const std::string& b);
inline bool AnsiEqualNoCase(const std::string& a, const std::string& b) {
    return AnsiCompareNoCase(a, b) == 0;
}

// Windows-1252 <-> Unicode. Every byte has a code point (the five bytes that Windows-1252 leaves
// undefined map to U+0081, U+008D, U+008F, U+0090 and U+009D, as Windows maps them).
uint32_t Cp1252ToUnicode(unsigned char c);
// Returns -1 when the code point has no Windows-1252 form.
int UnicodeToCp1252(uint32_t codePoint);

// "U+03A9": how messages name a character by its number.
std::string CodePointName(uint32_t codePoint);

// Windows-1252 text to UTF-8; never fails.
std::string Utf8FromAnsi(const std::string& ansi);
// UTF-8 text to Windows-1252. Returns false (and leaves *ansi unspecified) when the text is not
// valid UTF-8 or holds a character that Windows-1252 cannot represent.
bool AnsiFromUtf8(const std::string& utf8, std::string* ansi);

// The form of a path that the operating system's file functions take. On Windows the ANSI path
// itself; elsewhere UTF-8 with backslashes turned into slashes.
std::string NativePath(const std::string& ansiPath);
// The length of a path as the system's file functions hold it against their limit: on Windows
// the UTF-16 units of the ANSI path (the 8-bit file functions convert it before anything else,
// so a character of a double-byte code page counts once, not twice); elsewhere the bytes of
// NativePath.
size_t OpenPathLength(const std::string& ansiPath);
