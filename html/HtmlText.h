// Page bytes to code points and back: the charset a page declares, the decoding a browser would
// choose for it, and UTF-8 for the results.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The charset a page declares in a <meta charset> or <meta http-equiv content="...charset=...">
// tag within its first 8 KB, lower case, or "".
std::string DeclaredCharset(const std::vector<uint8_t>& html);

// The page's characters: a byte-order mark (UTF-8, UTF-16) decides first, then the declared
// charset by the labels of the encoding standard (UTF-8, and UTF-16 declared in an ASCII page,
// which browsers read as UTF-8; the Windows-125x, ISO-8859-x, KOI8 and IBM866 single-byte
// charsets; Shift_JIS, EUC-JP, ISO-2022-JP, GBK/GB2312, GB18030, Big5 and EUC-KR through the
// system's code pages; Windows-1252 for any other), then the bytes themselves (UTF-8 when they
// are valid UTF-8, else Windows-1252). A stray byte in UTF-8 text reads as U+FFFD.
std::u32string DecodePage(const std::vector<uint8_t>& html);

// The same characters in UTF-8: a view of the page's own bytes when they are valid UTF-8 and the
// page is read as UTF-8 (a byte-order mark left out), which costs one pass over them and no
// copy; otherwise the decoded text, kept in *storage.
std::string_view DecodePageUtf8(const std::vector<uint8_t>& html, std::string* storage);

// How many bytes from p begin with valid UTF-8 (n when all of them are).
size_t ValidUtf8Length(const uint8_t* p, size_t n);

// UTF-8 text to code points as the encoding standard decodes it: each broken-off sequence or
// byte that begins none reads as U+FFFD.
std::u32string DecodeUtf8Lenient(const uint8_t* p, size_t n);

std::string Utf8FromCodePoints(const std::u32string& text);
// Appends one code point to out in UTF-8.
void AppendUtf8(char32_t cp, std::string* out);
