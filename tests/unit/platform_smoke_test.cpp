#include <gtest/gtest.h>

#include "platform/Exceptions.h"

TEST(ErrorDescription, NamesTheFileOrAnUnnamedFile) {
    EXPECT_EQ(CFileException(CFileException::fileNotFound, "C:\\book\\intro.htm").GetErrorMessage(),
              "C:\\book\\intro.htm was not found.");
    EXPECT_EQ(CArchiveException(CArchiveException::endOfFile, "").GetErrorMessage(),
              "An attempt was made to access an unnamed file past its end.");
}
