// The e-book build on Windows: an output that is also one of the pages is known by its file index
// and refused, with one packing thread or eight; the finished e-book replaces the previous one in
// one move, and an output another program holds open is refused by the system's own sharing
// rules; one page listed many times packs alike on eight threads; a program without the viewer
// resource says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <aclapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScriptedUi.h"
#include "TempFolder.h"
#include "compiler/BuildEBook.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "platform/TempFileGuard.h"

namespace {

void Write(const std::string& path, const std::string& text) {
    CFile f;
    f.Open(path, CFile::modeCreate | CFile::modeWrite);
    f.Write(text.data(), static_cast<uint32_t>(text.size()));
}

std::string ReadText(const std::string& path) {
    CFile f;
    f.Open(path, CFile::modeRead | CFile::shareDenyNone);
    std::string text(static_cast<size_t>(f.GetLength()), '\0');
    if (!text.empty())
        f.ReadExact(&text[0], static_cast<uint32_t>(text.size()));
    return text;
}

// No private folder of a safe save may be left in the test folder.
bool NoTemporaryFiles(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool none = true;
    do {
        none = none && !IsPrivateFolderName(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return none;
}

class BuildOutputWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        Write(dir.File("index.htm"), "<html>home</html>");
        project.m_strProjectDir = dir.Path();
        auto page = std::make_unique<CPieceElem>();
        page->m_strFile = "INDEX.HTM";  // Windows finds it whatever the case
        project.AddPage(std::move(page));
        project.m_strEBookFile = dir.File("out.exe");
    }
    int Build(const std::string& stub) {
        CMemoryStubSource source(stub.data(), stub.size());
        ui.messages.clear();
        return BuildEBook(project, project.m_strEBookFile, ui, source);
    }

    CTempFolder dir;
    CBookProject project;
    ScriptedUi ui;
};

TEST_F(BuildOutputWin32, OutputThatIsAPageIsRefusedByItsFileIndex) {
    ASSERT_EQ(Build(std::string(600, 'S')), 1);
    EXPECT_TRUE(ui.messages.empty());

    project.m_strEBookFile = dir.File("index.htm");
    EXPECT_EQ(Build(std::string(600, 'S')), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot save E-Book file:\n" + dir.File("index.htm") +
                                       " is the file " + dir.Path() +
                                       "\\INDEX.HTM of the book; the e-book would overwrite "
                                       "it. Choose another name for the e-book.");
    EXPECT_EQ(ReadText(dir.File("index.htm")), "<html>home</html>");
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
}

TEST_F(BuildOutputWin32, TheFinishedEBookReplacesThePreviousOneInOneMove) {
    ASSERT_EQ(Build(std::string(600, 'A')), 1);
    ASSERT_EQ(Build(std::string(700, 'B')), 1) << ui.messages[0].text;
    const std::string second = ReadText(dir.File("out.exe"));
    EXPECT_EQ(second.substr(0, 700), std::string(700, 'B'));
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));

    // A rebuild that fails leaves the previous e-book as it was.
    DeleteFileA(dir.File("index.htm").c_str());
    EXPECT_EQ(Build(std::string(800, 'C')), 0);
    EXPECT_EQ(ReadText(dir.File("out.exe")), second);
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
}

TEST_F(BuildOutputWin32, AnOutputOpenInAnotherProgramIsASharingViolation) {
    ASSERT_EQ(Build(std::string(600, 'A')), 1);
    const std::string before = ReadText(dir.File("out.exe"));
    HANDLE held = CreateFileA(dir.File("out.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Build(std::string(700, 'B')), 0);
    CloseHandle(held);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Cannot save E-Book file:\nA sharing violation occurred while "
              "accessing " +
                  dir.File("out.exe") + ".");
    EXPECT_EQ(ReadText(dir.File("out.exe")), before);
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
}

// A file is itself whatever name reaches it: another case, a hard link; another file is not.
TEST_F(BuildOutputWin32, FileIdentityIsTheVolumeAndFileIndex) {
    Write(dir.File("other.htm"), "<p>other</p>");
    ASSERT_TRUE(
        CreateHardLinkA(dir.File("twin.htm").c_str(), dir.File("index.htm").c_str(), nullptr));
    FileIdentity index, upper, twin, other, folder;
    ASSERT_TRUE(CFile::GetIdentity(dir.File("index.htm"), &index));
    ASSERT_TRUE(CFile::GetIdentity(dir.File("INDEX.HTM"), &upper));
    ASSERT_TRUE(CFile::GetIdentity(dir.File("twin.htm"), &twin));
    ASSERT_TRUE(CFile::GetIdentity(dir.File("other.htm"), &other));
    ASSERT_TRUE(CFile::GetIdentity(dir.Path(), &folder));
    EXPECT_TRUE(index == upper);
    EXPECT_TRUE(index == twin);
    EXPECT_FALSE(index == other);
    EXPECT_FALSE(index == folder);
    FileIdentity none;
    EXPECT_FALSE(CFile::GetIdentity(dir.File("missing.htm"), &none));
    // A file held exclusively by another program still tells who it is.
    HANDLE held = CreateFileA(dir.File("other.htm").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileIdentity again;
    EXPECT_TRUE(CFile::GetIdentity(dir.File("other.htm"), &again));
    CloseHandle(held);
    EXPECT_TRUE(again == other);
}

std::string ReadAll(const std::string& path) {
    CFile f;
    f.Open(path, CFile::modeRead);
    std::string bytes(static_cast<size_t>(f.GetLength()), '\0');
    f.ReadExact(&bytes[0], static_cast<uint32_t>(bytes.size()));
    return bytes;
}

// Eight threads packing one page listed many times (as two names): each open is exclusive, yet
// the build succeeds with one thread's bytes; the output as a page is still refused.
TEST(BuildEBookWin32, EightThreadsAndOnePageListedManyTimes) {
    CTempFolder dir;
    Write(dir.File("index.htm"), std::string(300000, 'x') + "<html>home</html>");
    CBookProject project;
    project.m_strProjectDir = dir.Path();
    for (int k = 0; k < 40; ++k) {
        auto page = std::make_unique<CPieceElem>();
        page->m_strFile = k % 2 ? "INDEX.HTM" : "index.htm";
        project.AddPage(std::move(page));
    }
    const std::string stub(600, 'S');
    CMemoryStubSource source(stub.data(), stub.size());
    ScriptedUi ui;
    project.m_strEBookFile = dir.File("one.exe");
    ASSERT_EQ(BuildEBook(project, project.m_strEBookFile, ui, source, {kMaxEBookSize, 1}), 1);
    project.m_strEBookFile = dir.File("out.exe");
    ASSERT_EQ(BuildEBook(project, project.m_strEBookFile, ui, source, {kMaxEBookSize, 8}), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ReadAll(dir.File("out.exe")) == ReadAll(dir.File("one.exe")));

    project.m_strEBookFile = dir.File("index.htm");
    EXPECT_EQ(BuildEBook(project, project.m_strEBookFile, ui, source, {kMaxEBookSize, 8}), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind(
                  "Cannot save E-Book file:\n" + dir.File("index.htm") + " is the file ", 0),
              0u)
        << ui.messages[0].text;
    EXPECT_EQ(ReadAll(dir.File("index.htm")).size(), 300000u + 17);
}

// What the console event handler does while a save is being written: the temporary file, still
// open, is deleted, and is gone once the ending process closes it; the old e-book stays. The
// same when the build has closed it and opened it again by name to write the store (exclusively).
TEST(BuildEBookWin32, AConsoleEventRemovesTheTemporaryFileOfASave) {
    CTempFolder dir;
    Write(dir.File("out.exe"), "old book");
    for (int reopened = 0; reopened < 2; ++reopened) {
        SCOPED_TRACE(reopened);
        std::string temp;
        CReplaceFile replace(dir.File("out.exe"));
        CFile file;
        replace.Create(file, CFile::shareExclusive);
        temp = replace.GetTempPath();
        file.Write("half of a new book", 18);
        if (reopened) {
            file.Close();
            file.Open(temp, CFile::modeWrite | CFile::shareExclusive);
            file.Write("store", 5);
        }
        // The handler's deletion goes through every open of the file; the name goes with the
        // last handle, when the process ends. The folder, not yet empty, goes with the save.
        EXPECT_GE(RemoveGuardedTempFiles(), 1);
        file.Abort();
        EXPECT_EQ(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
    EXPECT_EQ(ReadText(dir.File("out.exe")), "old book");
}

// The SID and access of each entry of a file's or folder's access list, in order.
struct Entry {
    BYTE type;
    BYTE flags;
    ACCESS_MASK mask;
    std::string sid;
    bool operator==(const Entry& o) const {
        return type == o.type && flags == o.flags && mask == o.mask && sid == o.sid;
    }
};
std::vector<Entry> AccessList(const std::string& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    std::vector<Entry> entries;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        GetAce(dacl, i, &raw);
        const ACCESS_ALLOWED_ACE* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        char* text = nullptr;
        ConvertSidToStringSidA(const_cast<DWORD*>(&ace->SidStart), &text);
        entries.push_back(
            {ace->Header.AceType, ace->Header.AceFlags, ace->Mask, text ? text : "?"});
        LocalFree(text);
    }
    LocalFree(sd);
    return entries;
}

std::string Describe(const std::vector<Entry>& list) {
    std::string text;
    for (const Entry& e : list)
        text += "(" + std::to_string(e.type) + " " + std::to_string(e.flags) + " " +
                std::to_string(e.mask) + " " + e.sid + ")";
    return text;
}

std::string CurrentUserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    char* text = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    const std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

// A save works in a hidden folder of its own that nobody but the current user may use; what it
// moves into place has the access list of a file made in the target's folder, not the private
// folder's; and it deletes nothing it did not create (files named as earlier versions named their
// temporary files, an author's folder of a private folder's form). Windows keeps the access lists
// given; Wine shows lists made from the Unix permission bits (with the system's account beside
// the user's), so the checks hold for both: no entry for anyone else on the private folder, the
// same list for the moved file as for a file made in the folder, which everyone may read.
TEST(BuildEBookWin32, ASaveWorksInAPrivateFolderAndDeletesNothingElse) {
    CTempFolder dir;
    // The book's folder hands down: the user, full access; everyone, reading (files only).
    const std::string books = dir.File("books");
    const std::string user = CurrentUserSid();
    const std::string sddl = "D:P(A;OICI;FA;;;" + user + ")(A;OI;FR;;;WD)";
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                     &sd, nullptr));
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    ASSERT_TRUE(CreateDirectoryA(books.c_str(), &sa));
    LocalFree(sd);
    const std::string author[] = {books + "\\~pv00000001.tmp", books + "\\~pv0123abcd.tmp",
                                  books + "\\.pv0123abcd\\inside.htm"};
    CreateDirectoryA((books + "\\.pv0123abcd").c_str(), nullptr);
    for (const std::string& f : author)
        Write(f, "the author's");
    Write(books + "\\made-here.txt", "a file made in the folder");
    const auto everyone = [](const std::vector<Entry>& list) {
        return std::any_of(list.begin(), list.end(),
                           [](const Entry& e) { return e.sid == "S-1-1-0"; });
    };

    {
        CReplaceFile replace(books + "\\out.exe");
        CFile file;
        replace.Create(file, CFile::shareExclusive);
        file.Write("new book", 8);
        file.Close();
        const std::string folder = replace.GetFolder();
        EXPECT_EQ(folder.rfind(books + "\\.pv", 0), 0u) << folder;
        EXPECT_NE(folder, books + "\\.pv0123abcd");
        EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        const std::vector<Entry> list = AccessList(folder);
        EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const Entry& e) {
            return e.sid == user;
        })) << Describe(list);
        for (const Entry& e : list)
            EXPECT_TRUE(e.sid == user || e.sid == "S-1-5-18") << Describe(list);
        replace.Commit();
    }
    EXPECT_EQ(ReadText(books + "\\out.exe"), "new book");
    const std::vector<Entry> moved = AccessList(books + "\\out.exe");
    const std::vector<Entry> made = AccessList(books + "\\made-here.txt");
    EXPECT_TRUE(everyone(moved)) << Describe(moved);
    EXPECT_TRUE(moved == made) << Describe(moved) << " / " << Describe(made);
    for (const std::string& f : author)
        EXPECT_EQ(ReadText(f), "the author's") << f;
    // Only the author's folder of that form is there.
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((books + "\\.pv*").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(fd.cFileName, ".pv0123abcd");
    EXPECT_FALSE(FindNextFileA(find, &fd)) << fd.cFileName;
    FindClose(find);
}

TEST(BuildEBookWin32, ProgramWithoutTheViewerResource) {
    // The test program carries no resource 348/1.
    CModuleStubSource source;
    const uint8_t* data = nullptr;
    size_t size = 0;
    EXPECT_FALSE(source.GetStub(&data, &size));

    CTempFolder dir;
    CBookProject project;
    project.m_strEBookFile = dir.File("out.exe");
    ScriptedUi ui;
    EXPECT_EQ(BuildEBook(project, project.m_strEBookFile, ui, source), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot save E-Book file:\n", 0), 0u);
    EXPECT_EQ(GetFileAttributesA(dir.File("out.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
