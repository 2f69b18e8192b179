// The system's ANSI case rules and the system's file sharing (run under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "TempFolder.h"
#include "platform/ErrorReport.h"
#include "platform/File.h"
#include "platform/Text.h"

TEST(WinText, CodePageIsWindows1252) {
    // The expectations below, and the Linux rules they mirror, are those of Windows-1252.
    EXPECT_EQ(GetACP(), 1252u);
}

TEST(WinText, LowerCaseThroughTheSystemMatchesTheLinuxRules) {
    struct Case {
        const char* upper;
        const char* lower;
    };
    const Case cases[] = {
        {"INDEX.HTML", "index.html"},
        {"\xC0\xC9\xCE", "\xE0\xE9\xEE"},          // A grave, E acute, I circumflex
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},  // S caron, OE, Z caron, Y diaer.
        {"\xD0\xD6\xD8\xDE", "\xF0\xF6\xF8\xFE"},  // Eth, O diaer., O slash, Thorn
        {"\xD7\xDF\x80\x83", "\xD7\xDF\x80\x83"},  // no case: times, sharp s, euro, f
        {"IMG\\A.GIF", "img\\a.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.upper);
        EXPECT_EQ(AnsiLower(c.upper), c.lower);
        EXPECT_EQ(AnsiLower(c.lower), c.lower);
        EXPECT_TRUE(AnsiEqualNoCase(c.upper, c.lower));
    }
    // Every byte lowers as the Linux half lowers it (the table there is kept in step).
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        char buf[2] = {static_cast<char>(b), 0};
        CharLowerBuffA(buf, 1);
        EXPECT_EQ(AnsiLower(one), std::string(buf, 1)) << "byte " << b;
    }
}

TEST(WinText, CompareNoCaseIsEqualityOfLowerCasedNames) {
    // A linguistic comparison would call these equal; they name different files.
    EXPECT_NE(AnsiCompareNoCase("a\xADz.htm", "az.htm"), 0);  // soft hyphen
    EXPECT_NE(AnsiCompareNoCase("co-op.htm", "coop.htm"), 0);
    EXPECT_EQ(AnsiCompareNoCase("Caf\xC9.HTM", "caf\xE9.htm"), 0);
    EXPECT_LT(AnsiCompareNoCase("a", "B"), 0);
    EXPECT_GT(AnsiCompareNoCase("b", "A"), 0);
}

TEST(WinFile, ExclusiveOpenMakesASecondOpenASharingViolation) {
    CTempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.File("held.exe");
    {
        CFile held;
        held.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive);
        held.Write("MZ", 2);
        CFile reader;
        try {
            reader.Open(path, CFile::modeRead | CFile::shareDenyWrite);
            ADD_FAILURE() << "second open succeeded";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
            EXPECT_EQ(e.m_lOsError, 32);  // ERROR_SHARING_VIOLATION
            EXPECT_EQ(ErrorReportText("Cannot read", e),
                      "Cannot read\nA sharing violation occurred while accessing " + path + ".");
        }
        // Reading alongside a reader that lets others read is fine once the holder is gone.
        held.Close();
        reader.Open(path, CFile::modeRead | CFile::shareDenyWrite);
        CFile second;
        second.Open(path, CFile::modeRead | CFile::shareDenyWrite);
        EXPECT_EQ(second.GetLength(), 2u);
    }
    struct Case {
        const char* name;
        std::string path;
        CFileException::Cause cause;
    };
    const Case cases[] = {
        {"missing file", path + ".missing", CFileException::fileNotFound},
        {"missing folder", folder.File("pv-no-such-dir\\a.htm"), CFileException::badPath},
        {"folder as a file", folder.Path() + "\\", CFileException::accessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFile f;
        try {
            f.Open(c.path, CFile::modeRead | CFile::shareDenyWrite);
            ADD_FAILURE() << "opened";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.cause);
            EXPECT_EQ(e.m_strFileName, c.path);
        }
    }
    CFile::Remove(path);
    EXPECT_FALSE(CFile::Exists(path));
}
