// Pages in the charsets they declare: each must read as the same text in UTF-8.
#include <gtest/gtest.h>

#include "html/HtmlText.h"

namespace {

std::string Read(const std::string& charset, const std::string& bytes) {
    const std::string page = "<meta charset=\"" + charset + "\"><p>" + bytes;
    const std::u32string text = DecodePage(std::vector<uint8_t>(page.begin(), page.end()));
    const std::string utf8 = Utf8FromCodePoints(text);
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

}  // namespace
