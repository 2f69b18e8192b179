#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "html/HtmlText.h"
#include "platform/ErrorReport.h"
#include "platform/Exceptions.h"

TEST(ErrorDescription, NamesTheFileOrAnUnnamedFile) {
    EXPECT_EQ(CFileException(CFileException::fileNotFound, "C:\\book\\intro.htm").GetErrorMessage(),
              "C:\\book\\intro.htm was not found.");
    EXPECT_EQ(CArchiveException(CArchiveException::endOfFile, "").GetErrorMessage(),
              "An attempt was made to access an unnamed file past its end.");
}

// A long path keeps its cause: the description stays within 255 characters by losing the
// middle of the path, while the report's first line still carries the whole path.
TEST(ErrorDescription, ALongPathKeepsItsCause) {
    std::string path = "C:";
    while (path.size() < 700)
        path += "\\a-folder-with-a-long-name";
    path += "\\page.htm";
    const std::string text = CFileException(CFileException::accessDenied, path).GetErrorMessage();
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.rfind("Access to C:\\a-folder", 0), 0u) << text;
    EXPECT_NE(text.find("..."), std::string::npos) << text;
    const auto endsWith = [](const std::string& s, const std::string& end) {
        return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(text, "\\page.htm was denied.")) << text;
    EXPECT_EQ(ErrorReportText("Cannot create file " + path,
                              CFileException(CFileException::accessDenied, path)),
              "Cannot create file " + path + "\n" + text);
    const std::string bad = CArchiveException(CArchiveException::badIndex, path).GetErrorMessage();
    EXPECT_EQ(bad.size(), 255u);
    EXPECT_TRUE(endsWith(bad, "\\page.htm has a bad format.")) << bad;

    // A UTF-8 name is never cut inside a character; a short path is left whole.
    const std::string greek = "/books/" + std::string(300, 'x') + "/\xce\xa9\xce\xa9\xce\xa9.htm";
    const std::string g = CFileException(CFileException::fileNotFound, greek).GetErrorMessage();
    EXPECT_LE(g.size(), 255u);
    const size_t gap = g.find("...");
    ASSERT_NE(gap, std::string::npos) << g;
    EXPECT_NE(static_cast<unsigned char>(g[gap + 3]) & 0xC0, 0x80u) << g;
    EXPECT_EQ(CFileException(CFileException::accessDenied, "C:\\x.htm").GetErrorMessage(),
              "Access to C:\\x.htm was denied.");
}

// A path of multi-byte characters is shortened between characters only, wherever the cuts fall:
// characters of two, three and four bytes, shifted by 0 to 3 bytes before and after them, so
// that the cut before the gap and the cut after it each fall on every byte of a character. What
// is left is valid UTF-8, the path's own start and end around "...", within 255 characters.
TEST(ErrorDescription, ACutNeverSplitsACharacter) {
    const char* const characters[] = {"\xce\xa9", "\xe6\x97\xa5", "\xf0\x9f\x8c\x8a"};
    const std::string cause = " was not found.";
    for (const char* character : characters) {
        for (size_t before = 0; before < 4; ++before) {
            for (size_t after = 0; after < 4; ++after) {
                std::string path(before, 'a');
                for (int k = 0; k < 130; ++k)
                    path += character;
                path += std::string(after, 'z');
                SCOPED_TRACE(std::to_string(strlen(character)) + "-byte characters, " +
                             std::to_string(before) + " before, " + std::to_string(after) +
                             " after");
                const std::string text =
                    CFileException(CFileException::fileNotFound, path).GetErrorMessage();
                EXPECT_LE(text.size(), 255u);
                EXPECT_EQ(
                    ValidUtf8Length(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                    text.size());
                const size_t gap = text.find("...");
                ASSERT_NE(gap, std::string::npos) << text;
                ASSERT_GE(text.size(), gap + 3 + cause.size());
                ASSERT_EQ(text.substr(text.size() - cause.size()), cause);
                const std::string head = text.substr(0, gap);
                const std::string tail =
                    text.substr(gap + 3, text.size() - cause.size() - (gap + 3));
                EXPECT_EQ(path.compare(0, head.size(), head), 0);
                EXPECT_EQ(path.compare(path.size() - tail.size(), tail.size(), tail), 0);
            }
        }
    }
}
