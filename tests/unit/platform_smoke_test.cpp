#include <gtest/gtest.h>

#include "platform/ErrorReport.h"
#include "platform/Exceptions.h"

TEST(ErrorDescription, NamesTheFileOrAnUnnamedFile) {
    EXPECT_EQ(CFileException(CFileException::fileNotFound, "C:\\book\\intro.htm").GetErrorMessage(),
              "C:\\book\\intro.htm was not found.");
    EXPECT_EQ(CArchiveException(CArchiveException::endOfFile, "").GetErrorMessage(),
              "An attempt was made to access an unnamed file past its end.");
}

// A path longer than any fixed buffer keeps its cause: the description is the whole template.
TEST(ErrorDescription, ALongPathKeepsItsCause) {
    std::string path = "C:";
    while (path.size() < 700)
        path += "\\a-folder-with-a-long-name";
    const std::string expected = "Access to " + path + " was denied.";
    EXPECT_EQ(CFileException(CFileException::accessDenied, path).GetErrorMessage(), expected);
    EXPECT_EQ(ErrorReportText("Cannot create file " + path,
                              CFileException(CFileException::accessDenied, path)),
              "Cannot create file " + path + "\n" + expected);
    EXPECT_EQ(CArchiveException(CArchiveException::badIndex, path).GetErrorMessage(),
              path + " has a bad format.");
}
