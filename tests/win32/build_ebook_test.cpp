// The e-book build on Windows: an output that is also one of the pages is known by its file index
// and refused, with one packing thread or eight; the finished e-book replaces the previous one in
// one move, and an output another program holds open is refused by the system's own sharing
// rules; one page listed many times packs alike on eight threads; a program without the viewer
// resource says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

// No temporary file of a safe save may be left in the test folder.
bool NoTemporaryFiles(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool none = true;
    do {
        none = none && !IsReplaceFileTempName(fd.cFileName);
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
        // last handle (the save's hold), when the process ends.
        EXPECT_EQ(RemoveGuardedTempFiles(), 1);
        file.Abort();
    }
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
    EXPECT_EQ(ReadText(dir.File("out.exe")), "old book");
}

// A save sweeps its folder of stale temporary files, but one that a save is still writing (open)
// stays, and that save then commits.
TEST(BuildEBookWin32, ASaveSweepsStaleTemporaryFilesButNotALiveSaves) {
    CTempFolder dir;
    CReplaceFile live(dir.File("live.exe"));
    CFile liveFile;
    live.Create(liveFile, CFile::shareExclusive);
    liveFile.Write("being written", 13);
    const std::string stale = dir.File("~pv00000001.tmp"), other = dir.File("~pv00000002.tmpx");
    Write(stale, "left by a crash");
    Write(other, "not ours");
    {
        CReplaceFile save(dir.File("out.exe"));
        CFile file;
        save.Create(file, CFile::shareExclusive);
        file.Close();
        save.Commit();
    }
    EXPECT_EQ(GetFileAttributesA(stale.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadText(other), "not ours");
    // The live file denies every sharing, so only its presence can be seen.
    EXPECT_NE(GetFileAttributesA(live.GetTempPath().c_str()), INVALID_FILE_ATTRIBUTES);
    Write(stale, "left by a crash");
    EXPECT_EQ(SweepReplaceFileTemps(dir.File("out.exe")), 1);
    EXPECT_NE(GetFileAttributesA(live.GetTempPath().c_str()), INVALID_FILE_ATTRIBUTES);

    // Closed, then opened again by name as the build does, then closed before the move: held
    // all along, so a sweep leaves it.
    liveFile.Close();
    EXPECT_EQ(SweepReplaceFileTemps(dir.File("out.exe")), 0);
    liveFile.Open(live.GetTempPath(), CFile::modeWrite | CFile::shareExclusive);
    liveFile.Seek(0, CFile::end);
    liveFile.Write(", then its store", 16);
    liveFile.Close();
    EXPECT_EQ(SweepReplaceFileTemps(dir.File("out.exe")), 0);
    live.Commit();
    EXPECT_EQ(ReadText(dir.File("live.exe")), "being written, then its store");
    EXPECT_TRUE(NoTemporaryFiles(dir.Path()));
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
