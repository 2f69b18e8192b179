#include <gtest/gtest.h>

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
