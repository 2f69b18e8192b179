// Safe saves: the temporary name beside the target, names of every length the system allows,
// and errors that name the target.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/ReplaceFile.h"

namespace fs = std::filesystem;

namespace {

class ReplaceFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "pv-replace-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
    }
    void TearDown() override { fs::remove_all(root); }

    // Saves text to target through a CReplaceFile.
    void Save(const std::string& target, const std::string& text) {
        CReplaceFile replace(target);
        CFile file;
        replace.Create(file, CFile::shareExclusive);
        file.Write(text.data(), static_cast<uint32_t>(text.size()));
        file.Close();
        replace.Commit();
    }
    std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
};

// A name of 255 bytes, the most a Linux file system allows, is written and replaced; nothing
// else is left in the folder.
TEST_F(ReplaceFileTest, TheLongestNameTheSystemAllowsIsSavedAndReplaced) {
    const std::string name = std::string(251, 'n') + ".exe";
    ASSERT_EQ(name.size(), 255u);
    const std::string target = (root / name).string();
    Save(target, "first");
    EXPECT_EQ(Read(target), "first");
    Save(target, "second");
    EXPECT_EQ(Read(target), "second");
    EXPECT_EQ(Names(), std::vector<std::string>{name});
}

// Names already in use (left by a killed run, or planted) are passed by and stay as they were.
TEST_F(ReplaceFileTest, NamesInUseArePassedBy) {
    const std::string target = (root / "book.exe").string();
    for (unsigned n = 0; n < 2; ++n)
        std::ofstream(ReplaceFileTempPath(target, n)) << "someone else's";
    CReplaceFile replace(target);
    CFile file;
    replace.Create(file, CFile::shareExclusive);
    EXPECT_EQ(replace.GetTempPath(), ReplaceFileTempPath(target, 2));
    file.Close();
    replace.Commit();
    for (unsigned n = 0; n < 2; ++n)
        EXPECT_EQ(Read(ReplaceFileTempPath(target, n)), "someone else's");
    EXPECT_EQ(Read(target), "");
}

// The temporary names: short, in the target's folder, different for each attempt, and
// recognised by their form only.
TEST_F(ReplaceFileTest, TemporaryNamesAreShortAndRecognisable) {
    const std::string targets[] = {"/books/" + std::string(255, 'x'), "C:\\Books\\a.exe",
                                   "relative.exe"};
    const std::string folders[] = {"/books/", "C:\\Books\\", ""};
    for (size_t t = 0; t < 3; ++t) {
        SCOPED_TRACE(targets[t].substr(0, 20));
        std::set<std::string> seen;
        for (unsigned n = 0; n < 1000; ++n) {
            const std::string temp = ReplaceFileTempPath(targets[t], n);
            ASSERT_EQ(temp.compare(0, folders[t].size(), folders[t]), 0) << temp;
            const std::string name = temp.substr(folders[t].size());
            ASSERT_EQ(name.size(), 15u) << name;
            ASSERT_TRUE(IsReplaceFileTempName(name)) << name;
            seen.insert(name);
        }
        EXPECT_EQ(seen.size(), 1000u);
    }
    for (const char* name : {"~pv0123abcd.tmp"})
        EXPECT_TRUE(IsReplaceFileTempName(name)) << name;
    for (const char* name :
         {"~pv0123abc.tmp", "~pv0123abcde.tmp", "~pv0123ABCD.tmp", "~pv0123abcg.tmp",
          "x~pv0123abcd.tmp", "~pv0123abcd.tmpx", "~px0123abcd.tmp", "book.exe.~tmp", ""})
        EXPECT_FALSE(IsReplaceFileTempName(name)) << name;
}

// Failures name the target the person chose, never the temporary file.
TEST_F(ReplaceFileTest, ErrorsNameTheTarget) {
    const std::string target = (root / "missing" / "book.exe").string();
    CReplaceFile replace(target);
    CFile file;
    try {
        replace.Create(file, CFile::shareExclusive);
        FAIL() << "created in a folder that does not exist";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, target);
        EXPECT_EQ(e.GetErrorMessage().find("~pv"), std::string::npos) << e.GetErrorMessage();
    }

    // Commit onto a folder of the target's name fails, naming the target; the temporary file
    // goes with the object.
    const std::string folder = (root / "taken").string();
    fs::create_directory(folder);
    fs::create_directory(folder + "/inside");
    {
        CReplaceFile onto(folder);
        CFile f;
        onto.Create(f, CFile::shareExclusive);
        f.Close();
        try {
            onto.Commit();
            FAIL() << "replaced a folder";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_strFileName, folder);
        }
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"taken"});
}

}  // namespace
