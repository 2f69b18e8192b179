// Safe saves: the private folder beside the target, names of every length the system allows,
// nothing deleted that the save did not create, and errors that name the target.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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
        std::vector<std::string> names = m_temp.Entries();
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

// While a save is written, its file lives in a folder of its own beside the target: new, hidden,
// only this user's (0700), holding nothing else. The folder goes with the commit, and with the
// save when it is given up.
TEST_F(ReplaceFileTest, TheTemporaryFileLivesInAPrivateFolderOfItsOwn) {
    const std::string target = (root / "book.exe").string();
    std::ofstream(target) << "old";
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "given up");
        {
            CReplaceFile replace(target);
            CFile file;
            replace.Create(file, CFile::shareExclusive);
            file.Write("new", 3);
            file.Close();
            const fs::path temp = replace.GetTempPath();
            const std::string folder = temp.parent_path().filename().string();
            EXPECT_EQ(temp.parent_path(), root / folder);
            EXPECT_TRUE(IsPrivateFolderName(folder)) << folder;
            EXPECT_EQ(folder[0], '.');  // hidden from folder scans
            EXPECT_EQ(temp.filename(), "new.exe");
            EXPECT_TRUE(IsInPrivateFolder(temp.string()));
            struct stat st;
            ASSERT_EQ(lstat(temp.parent_path().c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
            EXPECT_EQ(st.st_uid, geteuid());
            EXPECT_EQ(
                std::distance(fs::directory_iterator(temp.parent_path()), fs::directory_iterator()),
                1);
            EXPECT_EQ(Names(), (std::vector<std::string>{folder, "book.exe"}));
            if (commit)
                replace.Commit();
        }
        EXPECT_EQ(Names(), std::vector<std::string>{"book.exe"});
        EXPECT_EQ(Read(target), commit ? "new" : "old");
    }
}

// A save deletes nothing it did not create: files named as earlier versions named their
// temporary files, folders and links of a private folder's form (even one holding a file), an
// author's "~pv....tmp" — all stay as they were through saves that succeed, fail before the
// commit and fail at it.
TEST_F(ReplaceFileTest, ASaveDeletesNothingItDidNotCreate) {
    const std::vector<std::string> files = {"~pv0123abcd.tmp", "~pv00000001.tmp", "notes.tmp",
                                            ".pv0123abcd/inside.htm"};
    fs::create_directory(root / ".pv0123abcd");
    fs::create_directory(root / ".pv89abcdef");
    for (const std::string& f : files)
        std::ofstream(root / f) << "the author's " << f;
    fs::create_symlink(root / "notes.tmp", root / ".pv11111111");
    fs::create_directory(root / "taken");
    const std::vector<std::string> before = Names();

    Save((root / "book.exe").string(), "saved");
    {
        CReplaceFile given(root / "given-up.exe");
        CFile file;
        given.Create(file, CFile::shareExclusive);
    }
    {
        CReplaceFile onto((root / "taken").string());
        CFile file;
        onto.Create(file, CFile::shareExclusive);
        file.Close();
        EXPECT_THROW(onto.Commit(), CFileException);
    }
    std::vector<std::string> expected = before;
    expected.push_back("book.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(), expected);
    for (const std::string& f : files)
        EXPECT_EQ(Read(root / f), "the author's " + f) << f;
    EXPECT_TRUE(fs::is_empty(root / ".pv89abcdef"));
}

// A save another process is writing into the same folder is left alone by this process's saves,
// and then commits. The child reports through a pipe; should it fail, it exits, and the parent,
// holding no write end of that pipe, reads the end of it instead of waiting for ever.
TEST_F(ReplaceFileTest, ASaveByAnotherProcessIntoTheSameFolderIsLeftAlone) {
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(go[1]);
        try {
            CReplaceFile live((root / "other.exe").string());
            CFile file;
            live.Create(file, CFile::shareExclusive);
            file.Write("being written", 13);
            const std::string temp = live.GetTempPath();
            char c;
            if (write(ready[1], temp.c_str(), temp.size()) != static_cast<ssize_t>(temp.size()) ||
                read(go[0], &c, 1) != 1)
                _exit(1);
            file.Close();
            live.Commit();
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    close(ready[1]);
    close(go[0]);
    char buf[4096] = {};
    const ssize_t got = read(ready[0], buf, sizeof buf - 1);
    ASSERT_GT(got, 0) << "the child's save failed";
    const std::string live = buf;

    for (int n = 0; n < 3; ++n)
        Save((root / "book.exe").string(), "mine " + std::to_string(n));
    EXPECT_EQ(Read(live), "being written");

    EXPECT_EQ(write(go[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(Read(root / "other.exe"), "being written");
    EXPECT_EQ(Read(root / "book.exe"), "mine 2");
    EXPECT_EQ(Names(), (std::vector<std::string>{"book.exe", "other.exe"}));
    close(ready[0]);
    close(go[1]);
}

// A private folder is only ever made new: a file, a folder, a link (even one leading nowhere)
// of the name is refused, and left as it was. The names' form is recognised exactly.
TEST_F(ReplaceFileTest, APrivateFolderIsMadeNewOrNotAtAll) {
    std::ofstream(root / "file") << "x";
    fs::create_directory(root / "folder");
    fs::create_symlink(root / "nowhere", root / "dangling");
    fs::create_symlink(root / "folder", root / "link");
    for (const char* name : {"file", "folder", "dangling", "link"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(CFile::CreatePrivateFolder((root / name).string()));
    }
    EXPECT_EQ(Read(root / "file"), "x");
    EXPECT_TRUE(fs::is_symlink(root / "dangling"));
    EXPECT_FALSE(fs::exists(root / "nowhere"));
    EXPECT_TRUE(CFile::CreatePrivateFolder((root / "fresh").string()));
    EXPECT_FALSE(CFile::RemoveEmptyFolder((root / "folder").string() + "/missing"));

    for (const char* name : {".pv0123abcd", ".pv00000000", ".pvffffffff"})
        EXPECT_TRUE(IsPrivateFolderName(name)) << name;
    for (const char* name : {".pv0123abc", ".pv0123abcde", ".pv0123ABCD", ".pv0123abcg",
                             "pv0123abcd", "x.pv0123abcd", "~pv0123abcd.tmp", ""})
        EXPECT_FALSE(IsPrivateFolderName(name)) << name;
    EXPECT_TRUE(IsInPrivateFolder("/books/.pv0123abcd/new.exe"));
    EXPECT_TRUE(IsInPrivateFolder(".pv0123abcd/new"));
    EXPECT_FALSE(IsInPrivateFolder("/books/.pv0123abcd"));
    EXPECT_FALSE(IsInPrivateFolder("/books/new.exe"));
}

// Failures name the target the person chose, never the temporary file or its folder.
TEST_F(ReplaceFileTest, ErrorsNameTheTarget) {
    const std::string target = (root / "missing" / "book.exe").string();
    CReplaceFile replace(target);
    CFile file;
    try {
        replace.Create(file, CFile::shareExclusive);
        FAIL() << "created in a folder that does not exist";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, target);
        EXPECT_EQ(e.GetErrorMessage().find(".pv"), std::string::npos) << e.GetErrorMessage();
    }

    // Commit onto a folder of the target's name fails, naming the target; the temporary file
    // and its folder go with the object.
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
