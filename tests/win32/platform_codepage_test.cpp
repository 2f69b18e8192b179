// The system's code pages read the multi-byte charsets pages declare.
#include <gtest/gtest.h>

#include "platform/Codepage.h"

TEST(CodepageWin32, MultiByteCodePagesDecode) {
    const struct {
        unsigned codePage;
        const char* bytes;
        std::u32string text;
    } cases[] = {
        {932, "\x93\xFA\x96\x7B", U"\u65E5\u672C"},
        {936, "\xD6\xD0\xCE\xC4", U"\u4E2D\u6587"},
        {950, "\xA4\xA4\xA4\xE5", U"\u4E2D\u6587"},
        {949, "\xC7\xD1\xB1\xDB", U"\uD55C\uAE00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        std::u32string out;
        const std::string bytes = c.bytes;
        ASSERT_TRUE(DecodeCodePage(c.codePage, reinterpret_cast<const uint8_t*>(bytes.data()),
                                   bytes.size(), &out));
        EXPECT_EQ(out, c.text);
    }
    std::u32string out;
    EXPECT_FALSE(DecodeCodePage(12345, reinterpret_cast<const uint8_t*>("x"), 1, &out));
}
