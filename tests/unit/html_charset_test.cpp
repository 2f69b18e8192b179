// Pages in the charsets they declare: each must read as the same text in UTF-8.
#include <gtest/gtest.h>

#include <random>

#include "html/HtmlText.h"
#include "platform/Text.h"

namespace {

// The page's text in UTF-8 after "<p>", as DecodePage reads it; DecodePageUtf8 must read the same.
std::string Read(const std::string& charset, const std::string& bytes) {
    const std::string page = "<meta charset=\"" + charset + "\"><p>" + bytes;
    const std::vector<uint8_t> html(page.begin(), page.end());
    const std::u32string text = DecodePage(html);
    const std::string utf8 = Utf8FromCodePoints(text);
    std::string storage;
    EXPECT_EQ(std::string(DecodePageUtf8(html, &storage)), utf8);
    const size_t at = utf8.find("<p>");
    return at == std::string::npos ? utf8 : utf8.substr(at + 3);
}

TEST(HtmlCharset, DeclaredCharsetsAreHonoured) {
    const struct {
        const char* charset;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"iso-8859-7", "\xE1\xE8\xDE\xED\xE1", "\xCE\xB1\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1"},
        {"iso-8859-2",
         "\xB3\xF3"
         "d\xBC",
         "\xC5\x82\xC3\xB3"
         "d\xC5\xBA"},  // łódź
        {"windows-1250", "\xB3\xF3\x64\x9F",
         "\xC5\x82\xC3\xB3"
         "d\xC5\xBA"},
        {"iso-8859-15", "\xA4", "\xE2\x82\xAC"},                 // the euro sign
        {"latin1", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC"},  // read as Windows-1252
        {"no-such-charset", "\xE9", "\xC3\xA9"},
        {"shift_jis", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"},  // 日本
        {"euc-jp", "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"gb2312", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"big5", "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"euc-kr", "\xC7\xD1\xB1\xDB", "\xED\x95\x9C\xEA\xB8\x80"},  // 한글
        // Labels of the encoding standard that older tables missed.
        {"unicode-1-1-utf-8", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"x-unicode20utf8", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"utf-16", "caf\xC3\xA9", "caf\xC3\xA9"},  // UTF-16 in an ASCII page is UTF-8
        {"UTF-16LE", "caf\xC3\xA9", "caf\xC3\xA9"},
        {" iso88592 ", "\xB3", "\xC5\x82"},
        {"csisolatin2", "\xB3", "\xC5\x82"},
        {"iso_8859-7:1987", "\xE1", "\xCE\xB1"},
        {"logical", "\xE0", "\xD7\x90"},  // alef
        {"iso-ir-149", "\xC7\xD1", "\xED\x95\x9C"},
        // Bytes that are not UTF-8 in a UTF-8 page: one U+FFFD for each broken sequence.
        {"utf-8", "caf\xE9", "caf\xEF\xBF\xBD"},
        {"utf-8",
         "a\xE2\x82"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"utf-8", "\xF0\x9F\x98", "\xEF\xBF\xBD"},
        {"utf-8", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"utf-8", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"utf-8", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charset);
        EXPECT_EQ(Read(c.charset, c.bytes), c.utf8);
    }
}

// The encoding standard's UTF-8 decoder written as the standard writes it, one byte at a time
// with its "bytes needed" and boundaries, a byte that breaks a sequence read again: the oracle
// for the decoder in use, which takes runs of bytes at a time. *error is set when any U+FFFD
// stands for broken bytes.
std::u32string StandardUtf8(const std::string& bytes, bool* error) {
    std::u32string out;
    char32_t cp = 0;
    int needed = 0;
    int seen = 0;
    unsigned lower = 0x80;
    unsigned upper = 0xBF;
    *error = false;
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (needed == 0) {
            ++i;
            if (b <= 0x7F) {
                out += b;
            } else if (b >= 0xC2 && b <= 0xDF) {
                needed = 1;
                cp = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                lower = b == 0xE0 ? 0xA0 : 0x80;
                upper = b == 0xED ? 0x9F : 0xBF;
                needed = 2;
                cp = b & 0xF;
            } else if (b >= 0xF0 && b <= 0xF4) {
                lower = b == 0xF0 ? 0x90 : 0x80;
                upper = b == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
                cp = b & 0x7;
            } else {
                out += 0xFFFD;
                *error = true;
            }
            continue;
        }
        if (b < lower || b > upper) {
            // The sequence is broken; the byte is read again as the start of the next one.
            needed = seen = 0;
            lower = 0x80;
            upper = 0xBF;
            out += 0xFFFD;
            *error = true;
            continue;
        }
        lower = 0x80;
        upper = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
        if (++seen == needed) {
            out += cp;
            needed = seen = 0;
        }
    }
    if (needed != 0) {
        out += 0xFFFD;
        *error = true;
    }
    return out;
}

// Where two decodings first differ, with the bytes from a little before, or "" when they agree:
// a failure names the place rather than printing pages of code points.
std::string Difference(const std::u32string& got, const std::u32string& expected,
                       const std::string& bytes) {
    if (got == expected)
        return std::string();
    size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
    std::string hex;
    for (size_t i = at > 8 ? at - 8 : 0; i < bytes.size() && i < at + 8; ++i)
        hex += " " + std::to_string(static_cast<unsigned char>(bytes[i]));
    return "code point " + std::to_string(at) + " differs; bytes near it:" + hex;
}

// Random bytes, most of them those that begin, continue or break sequences, in runs of ASCII
// long and short (the decoder takes ASCII eight bytes at a time and writes through a buffer of
// a few thousand code points): the decoder must give what the oracle gives, for UTF-8 pages
// and for pages without a charset, which are UTF-8 only when no byte is broken.
TEST(HtmlCharset, Utf8DecodingAgreesWithTheStandardsDecoder) {
    const uint8_t interesting[] = {0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                   0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4,
                                   0xF5, 0xF8, 0xFE, 0xFF, 'a',  '<',  0x00, 0x7F};
    const char* const kValid[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    std::mt19937 rng(23);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const size_t length = round % 100 == 0 ? 20000 : rng() % 80;
        while (bytes.size() < length) {
            const unsigned pick = rng() % 10;
            if (pick < 5)
                bytes += static_cast<char>(interesting[rng() % sizeof interesting]);
            else if (pick < 7)
                bytes += std::string(rng() % 20, static_cast<char>('a' + rng() % 26));
            else if (pick < 8)
                bytes += static_cast<char>(rng() % 256);
            else  // a valid sequence of two, three or four bytes
                bytes += kValid[rng() % 3];
        }
        SCOPED_TRACE(round);
        bool error = false;
        const std::u32string expected = StandardUtf8(bytes, &error);
        const std::vector<uint8_t> data(bytes.begin(), bytes.end());
        ASSERT_EQ(Difference(DecodeUtf8Lenient(data.data(), data.size()), expected, bytes), "");
        // "<p>" keeps the bytes from starting with a byte-order mark; the page declares nothing.
        ASSERT_EQ(ValidUtf8Length(data.data(), data.size()) == data.size(), !error);
        const std::string page = "<p>" + bytes;
        const std::vector<uint8_t> html(page.begin(), page.end());
        std::u32string read = DecodePage(html);
        // The UTF-8 reading gives the same characters, valid UTF-8 in place without a copy.
        std::string storage;
        const std::string_view utf8 = DecodePageUtf8(html, &storage);
        ASSERT_EQ(utf8, Utf8FromCodePoints(read));
        ASSERT_EQ(utf8.data() == reinterpret_cast<const char*>(html.data()), !error);
        if (error) {
            std::u32string windows1252;
            for (char c : page)
                windows1252 += Cp1252ToUnicode(static_cast<unsigned char>(c));
            ASSERT_EQ(Difference(read, windows1252, page), "");
        } else {
            ASSERT_EQ(Difference(read, U"<p>" + expected, page), "");
        }
    }
}

}  // namespace
