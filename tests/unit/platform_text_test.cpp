#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

TEST(AnsiCase, FollowsWindows1252Letters) {
    struct Case {
        const char* upper;
        const char* lower;
    };
    const Case cases[] = {
        {"INDEX.HTML", "index.html"},
        {"\xC0\xC9\xCE\xD6\xDD\xDE", "\xE0\xE9\xEE\xF6\xFD\xFE"},  // A grave .. thorn
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},                  // S caron, OE, Z caron, Y diaer.
        {"\xD7", "\xD7"},                                          // multiplication sign: no case
        {"\xF7", "\xF7"},                                          // division sign
        {"\xDF", "\xDF"},                                          // sharp s has no upper form
        {"IMG\\A.GIF", "img\\a.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.upper);
        EXPECT_EQ(AnsiLower(c.upper), c.lower);
        EXPECT_EQ(AnsiLower(c.lower), c.lower);
        if (std::string(c.upper) != "\xDF") {
            EXPECT_EQ(AnsiUpper(c.lower), c.upper);
        }
    }
}

TEST(AnsiCase, CompareNoCaseMatchesLowerCasedEquality) {
    // The folder scan's name index depends on this equivalence.
    const char* names[] = {"Index.htm", "INDEX.HTM", "index.html", "\xC0.htm", "\xE0.htm",
                           "\x8A",      "\x9A",      "\xFF",       "\x9F",     "a",
                           "A",         "",          "b"};
    for (const char* a : names) {
        for (const char* b : names) {
            SCOPED_TRACE(std::string(a) + " / " + b);
            EXPECT_EQ(AnsiEqualNoCase(a, b), AnsiLower(a) == AnsiLower(b));
            const int ab = AnsiCompareNoCase(a, b);
            const int ba = AnsiCompareNoCase(b, a);
            EXPECT_EQ((ab > 0) - (ab < 0), -((ba > 0) - (ba < 0)));
        }
    }
    EXPECT_LT(AnsiCompareNoCase("a", "ab"), 0);
    EXPECT_LT(AnsiCompareNoCase("Z", "\xE0"), 0);  // bytes compare unsigned
}

TEST(Cp1252, ConvertsToAndFromUtf8) {
    struct Case {
        const char* ansi;
        const char* utf8;
    };
    const Case cases[] = {
        {"plain.htm", "plain.htm"},
        {"\x80", "\xE2\x82\xAC"},                                              // euro sign
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined bytes
        {"\x9F", "\xC5\xB8"},                                                  // Y diaeresis
        {"caf\xE9", "caf\xC3\xA9"},
        {"\xFF", "\xC3\xBF"},
        {"\x99", "\xE2\x84\xA2"},  // trade mark sign
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8FromAnsi(c.ansi), c.utf8);
        std::string back;
        ASSERT_TRUE(AnsiFromUtf8(c.utf8, &back));
        EXPECT_EQ(back, c.ansi);
    }
    // Every byte survives the round trip.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string back;
    ASSERT_TRUE(AnsiFromUtf8(Utf8FromAnsi(all), &back));
    EXPECT_EQ(back, all);
}

TEST(Cp1252, RejectsTextWithoutAForm) {
    const char* bad[] = {
        "\xC4\x81",          // a macron: not in Windows-1252
        "\xE6\x97\xA5",      // CJK
        "\xF0\x9F\x98\x80",  // outside the basic plane
        "\xC0\xAF",          // overlong slash
        "\xE0\x80\xAF",      // overlong slash, three bytes
        "\xC3",              // cut short
        "abc\xE2\x82",       // cut short at the end
        "\xC3\x28",          // bad continuation byte
        "\x80",              // a lone continuation byte
        "\xFF",              // never valid in UTF-8
    };
    for (const char* text : bad) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        std::string out;
        EXPECT_FALSE(AnsiFromUtf8(text, &out));
    }
}

TEST(NativePathTest, TurnsBackslashesAndConvertsToUtf8) {
    EXPECT_EQ(NativePath("/home/a/book\\img\\caf\xE9.gif"), "/home/a/book/img/caf\xC3\xA9.gif");
    EXPECT_EQ(NativePath("/\\index.html"), "//index.html");
}
