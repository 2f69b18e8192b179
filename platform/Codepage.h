// Text in a multi-byte code page (Shift_JIS, GBK, Big5, EUC-KR...) to Unicode, through the
// system's own converters: MultiByteToWideChar on Windows, iconv elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Appends the code points of n bytes in Windows code page codePage (932, 936, 949, 950, 20932,
// 50220, 54936) to *out. Returns false, appending nothing, when the system has no converter for
// that code page; bytes that are not valid in it become U+FFFD (or what the system substitutes).
bool DecodeCodePage(unsigned codePage, const uint8_t* p, size_t n, std::u32string* out);
