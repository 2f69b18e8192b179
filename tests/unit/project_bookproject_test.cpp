#include <gtest/gtest.h>

#include <set>
#include <string>

#include "format/BookLayout.h"
#include "project/BookProject.h"
#include "project/ViewerOptions.h"

TEST(BookProject, ResetRestoresDefaultsAndKeepsTheRememberedTexts) {
    CBookProject p;
    p.m_strAuthor = "Ann";
    p.m_strCopyright = "(C) Ann";
    p.m_strUrl = "http://ann.example";
    p.m_strEMail = "ann@example.org";
    p.m_strProjectFile = "C:\\b.ebp";
    p.m_strLastProject = "C:\\Books";
    p.m_strLastProjectFile = "C:\\last.ebp";
    p.m_strLastIcon = "C:\\i.ico";
    p.m_strLastSplash = "C:\\s.bmp";
    p.m_strLastEBook = "C:\\e.exe";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        p.AddPage(std::make_unique<CPieceElem>());
        p.m_strTitle = "My Book";
        p.m_strAboutInfo = "about";
        p.m_strSplashFile = "s.bmp";
        p.m_strIconFile = "i.ico";
        p.m_strEBookFile = "e.exe";
        p.m_strProjectDir = "C:\\Books\\Guide";
        p.m_bProjectLoaded = 1;
        for (const ViewerOption& o : kViewerOptions)
            p.*o.pField = o.nDefault ? 0 : 1;

        p.ResetProject();

        EXPECT_EQ(p.GetPageCount(), 0u);
        EXPECT_EQ(p.m_arrPages.capacity(), 0u);
        EXPECT_EQ(p.m_strTitle, "E-Book");
        EXPECT_EQ(p.m_strAboutInfo, "");
        EXPECT_EQ(p.m_strSplashFile, "");
        EXPECT_EQ(p.m_strIconFile, "");
        EXPECT_EQ(p.m_strEBookFile, "");
        EXPECT_EQ(p.m_strProjectDir, "");
        EXPECT_EQ(p.m_bProjectLoaded, 0);
        for (const ViewerOption& o : kViewerOptions)  // the options' one table
            EXPECT_EQ(p.*o.pField, o.nDefault) << o.pszName;

        EXPECT_EQ(p.m_strAuthor, "Ann");
        EXPECT_EQ(p.m_strCopyright, "(C) Ann");
        EXPECT_EQ(p.m_strUrl, "http://ann.example");
        EXPECT_EQ(p.m_strEMail, "ann@example.org");
        EXPECT_EQ(p.m_strProjectFile, "C:\\b.ebp");
        EXPECT_EQ(p.m_strLastProject, "C:\\Books");
        EXPECT_EQ(p.m_strLastProjectFile, "C:\\last.ebp");
        EXPECT_EQ(p.m_strLastIcon, "C:\\i.ico");
        EXPECT_EQ(p.m_strLastSplash, "C:\\s.bmp");
        EXPECT_EQ(p.m_strLastEBook, "C:\\e.exe");
    }
}

// The option table is the only description of the options: every entry must name its own field,
// record slot, control and name, and the slots must be those the settings record reserves for
// options (4 to 7 and 18 stay 0).
TEST(ViewerOptions, EachEntryHasItsOwnFieldSlotControlAndName) {
    std::set<std::string> names;
    std::set<int> slots;
    std::set<int> controls;
    CBookProject p;
    for (const ViewerOption& o : kViewerOptions) {
        SCOPED_TRACE(o.pszName);
        EXPECT_TRUE(names.insert(o.pszName).second);
        EXPECT_TRUE(slots.insert(o.nRecordIndex).second);
        EXPECT_TRUE(controls.insert(o.nControlId).second);
        EXPECT_TRUE(o.nRecordIndex < 4 ||
                    (o.nRecordIndex > 7 && o.nRecordIndex < kSettingCount - 1));
        EXPECT_EQ(p.*o.pField, o.nDefault);
        EXPECT_EQ(FindViewerOption(o.pszName), &o);
        // Setting this option's field changes no other option.
        p.*o.pField = 7;
        int changed = 0;
        for (const ViewerOption& other : kViewerOptions)
            changed += p.*other.pField == 7;
        EXPECT_EQ(changed, 1);
        p.*o.pField = o.nDefault;
    }
    EXPECT_EQ(FindViewerOption("showtoolbar"), nullptr);  // names are compared exactly
}
