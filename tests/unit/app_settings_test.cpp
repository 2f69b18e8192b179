#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publisher/RememberedSettings.h"

namespace {

// A profile that records the order of every read and write.
class RecordingProfile : public MemoryProfile {
  public:
    std::vector<std::string> calls;

    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& def) override {
        calls.push_back("get " + section + "\\" + entry);
        return MemoryProfile::GetProfileString(section, entry, def);
    }
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override {
        calls.push_back("put " + section + "\\" + entry);
        MemoryProfile::WriteProfileString(section, entry, value);
    }
};

const char* const kOrder[] = {"LastProject",   "LastProjectFile", "LastIcon",
                              "LastSplash",    "LastEBook",       "LastAuthor",
                              "LastCopyright", "LastUrl",         "LastEMail"};

std::vector<std::string> Expected(const char* verb) {
    std::vector<std::string> calls;
    for (const char* entry : kOrder)
        calls.push_back(std::string(verb) + " Options\\" + entry);
    return calls;
}

TEST(RememberedSettings, FirstRunReadsDefaultsAndExitWritesAllNineInOrder) {
    RecordingProfile profile;
    CBookProject project;
    project.m_strLastProject = "stale";
    ReadRememberedSettings(profile, project, 2031);
    EXPECT_EQ(profile.calls, Expected("get"));
    EXPECT_EQ(project.m_strLastProject, "");
    EXPECT_EQ(project.m_strLastEBook, "");
    EXPECT_EQ(project.m_strAuthor, "*Your Name*");
    EXPECT_EQ(project.m_strCopyright, "Copyright (C) 2031 *your company name*");
    EXPECT_EQ(project.m_strUrl, "http://*your web site*/");
    EXPECT_EQ(project.m_strEMail, "*your e-mail address*");

    profile.calls.clear();
    WriteRememberedSettings(profile, project);
    EXPECT_EQ(profile.calls, Expected("put"));
    EXPECT_EQ(profile.values.size(), 9u);
    EXPECT_EQ(profile.GetProfileString("Options", "LastIcon", "absent"), "");
}

TEST(RememberedSettings, StoredValuesWinOverDefaultsEvenWhenEmpty) {
    MemoryProfile profile;
    {
        CBookProject first;
        ReadRememberedSettings(profile, first, 2026);
        first.m_strAuthor.clear();  // the user emptied the author
        first.m_strLastEBook = "C:\\out\\book.exe";
        WriteRememberedSettings(profile, first);
    }
    CBookProject next;
    ReadRememberedSettings(profile, next, 2040);
    EXPECT_EQ(next.m_strAuthor, "");
    // The year of the first run stays until the user changes the text.
    EXPECT_EQ(next.m_strCopyright, "Copyright (C) 2026 *your company name*");
    EXPECT_EQ(next.m_strLastEBook, "C:\\out\\book.exe");
}

TEST(RememberedSettings, AppNameIsTheProgramFileNameWithoutExtension) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Program Files\\Pagevane\\Pagevane.exe", "Pagevane"},
        {"C:\\tools\\maker.exe", "maker"},
        {"D:/mixed/slashes/Book.Maker.EXE", "Book.Maker"},
        {"C:maker.exe", "maker"},
        {"C:\\my.tools\\maker", "maker"},
        {"maker", "maker"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(AppNameFromModulePath(c.path), c.name);
    }
}

}  // namespace
