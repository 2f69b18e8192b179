// Safe saves: the temporary name beside the target, names of every length the system allows,
// and errors that name the target.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "TempFolder.h"
#include "platform/ReplaceFile.h"

namespace fs = std::filesystem;

namespace {

class ReplaceFileTest : public ::testing::Test {
  protected:
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

    CTempFolder m_temp{"pv-replace"};
    const fs::path root = m_temp.Path();
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

// Names in use by saves still being written (another process's, here held by a locked
// descriptor of this one: locks belong to the open file) are passed by and stay as they were.
TEST_F(ReplaceFileTest, NamesInUseArePassedBy) {
    const std::string target = (root / "book.exe").string();
    std::vector<int> held;
    for (unsigned n = 0; n < 2; ++n) {
        std::ofstream(ReplaceFileTempPath(target, n)) << "someone else's";
        held.push_back(open(ReplaceFileTempPath(target, n).c_str(), O_RDONLY));
        ASSERT_EQ(flock(held.back(), LOCK_EX | LOCK_NB), 0);
    }
    CReplaceFile replace(target);
    CFile file;
    replace.Create(file, CFile::shareExclusive);
    EXPECT_EQ(replace.GetTempPath(), ReplaceFileTempPath(target, 2));
    file.Close();
    replace.Commit();
    for (unsigned n = 0; n < 2; ++n)
        EXPECT_EQ(Read(ReplaceFileTempPath(target, n)), "someone else's");
    EXPECT_EQ(Read(target), "");
    for (int fd : held)
        close(fd);
}

// A save sweeps its folder: temporary files of ours that nobody holds (left by a killed run)
// go; one a live process is writing (a forked child holding a save open), a folder and a link of
// that form, names of any other form, and other folders' files stay.
TEST_F(ReplaceFileTest, ASaveSweepsStaleTemporaryFilesButNoLiveOnes) {
    const std::string target = (root / "book.exe").string();
    // The child starts a save of its own into the same folder and keeps it open until told.
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CReplaceFile live((root / "other.exe").string());
        CFile file;
        live.Create(file, CFile::shareExclusive);
        file.Write("being written", 13);
        const std::string name = fs::path(live.GetTempPath()).filename().string();
        (void)!write(ready[1], name.c_str(), name.size());
        char c;
        (void)!read(go[0], &c, 1);
        _exit(0);
    }
    char buf[64] = {};
    ASSERT_GT(read(ready[0], buf, sizeof buf - 1), 0);
    const std::string live = buf;
    ASSERT_TRUE(IsReplaceFileTempName(live)) << live;

    // Created once the child's save has swept the folder, so that this save's sweep is tested.
    const std::string stale1 = (root / "~pv00000001.tmp").string();
    const std::string stale2 = ReplaceFileTempPath(target, 0);  // the first name the save tries
    std::ofstream(stale1) << "left by a crash";
    std::ofstream(stale2) << "left by a crash";
    for (const char* other : {"~pv0000000A.tmp", "~pv00000002.tmp.keep", "notes.tmp"})
        std::ofstream(root / other) << "mine";
    fs::create_directory(root / "~pv00000003.tmp");
    fs::create_symlink(root / "notes.tmp", root / "~pv00000004.tmp");
    fs::create_directory(root / "sub");
    std::ofstream(root / "sub" / "~pv00000005.tmp") << "another folder's";

    Save(target, "new book");
    EXPECT_EQ(Read(target), "new book");
    std::vector<std::string> expected = {
        "book.exe",        "notes.tmp",       "sub", "~pv00000002.tmp.keep", "~pv00000003.tmp",
        "~pv00000004.tmp", "~pv0000000A.tmp", live};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(Read(root / live), "being written");
    EXPECT_TRUE(fs::exists(root / "sub" / "~pv00000005.tmp"));

    // Once the child has ended without cleaning up, its file is stale and the next save takes it.
    (void)!write(go[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(fs::exists(root / live));
    EXPECT_EQ(SweepReplaceFileTemps(target), 1);
    EXPECT_FALSE(fs::exists(root / live));
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        close(fd);
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
