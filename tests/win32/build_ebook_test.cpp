// The e-book build on Windows: the system's own sharing rules refuse an output that is also one of
// the pages, with one packing thread or eight; a program without the viewer resource says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ScriptedUi.h"
#include "compiler/BuildEBook.h"
#include "platform/File.h"

namespace {

class BuildTempDir {
  public:
    BuildTempDir() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        for (int n = 0; n < 1000 && m_path.empty(); ++n) {
            const std::string candidate = std::string(base) + "pvbuild" +
                                          std::to_string(GetCurrentProcessId()) + "_" +
                                          std::to_string(n);
            if (CreateDirectoryA(candidate.c_str(), nullptr))
                m_path = candidate;
        }
    }
    ~BuildTempDir() {
        for (const char* name : {"index.htm", "out.exe", "one.exe"})
            DeleteFileA(File(name).c_str());
        RemoveDirectoryA(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

  private:
    std::string m_path;
};

void Write(const std::string& path, const std::string& text) {
    CFile f;
    f.Open(path, CFile::modeCreate | CFile::modeWrite);
    f.Write(text.data(), static_cast<uint32_t>(text.size()));
}

TEST(BuildEBookWin32, OutputThatIsAPageIsASharingViolation) {
    BuildTempDir dir;
    Write(dir.File("index.htm"), "<html>home</html>");
    CBookProject project;
    project.m_strProjectDir = dir.Path();
    auto page = std::make_unique<CPieceElem>();
    page->m_strFile = "INDEX.HTM";  // Windows finds it whatever the case
    project.AddPage(std::move(page));
    const std::string stub(600, 'S');
    CMemoryStubSource source(stub.data(), stub.size());
    ScriptedUi ui;

    project.m_strEBookFile = dir.File("out.exe");
    ASSERT_EQ(BuildEBook(project, ui, source), 1);
    EXPECT_TRUE(ui.messages.empty());

    project.m_strEBookFile = dir.File("index.htm");
    EXPECT_EQ(BuildEBook(project, ui, source), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string p = dir.Path() + "\\INDEX.HTM";
    EXPECT_EQ(ui.messages[0].text, "Cannot read file " + p +
                                       "\nA sharing violation occurred while accessing " + p + ".");
    EXPECT_EQ(GetFileAttributesA(dir.File("index.htm").c_str()), INVALID_FILE_ATTRIBUTES);
}

std::string ReadAll(const std::string& path) {
    CFile f;
    f.Open(path, CFile::modeRead);
    std::string bytes(static_cast<size_t>(f.GetLength()), '\0');
    f.ReadExact(&bytes[0], static_cast<uint32_t>(bytes.size()));
    return bytes;
}

// Eight threads packing one page listed many times (as two names): each open is exclusive, yet
// the build succeeds with one thread's bytes; the output as a page still fails as with one.
TEST(BuildEBookWin32, EightThreadsAndOnePageListedManyTimes) {
    BuildTempDir dir;
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
    ASSERT_EQ(BuildEBook(project, ui, source, kMaxEBookSize, 1), 1);
    project.m_strEBookFile = dir.File("out.exe");
    ASSERT_EQ(BuildEBook(project, ui, source, kMaxEBookSize, 8), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ReadAll(dir.File("out.exe")) == ReadAll(dir.File("one.exe")));

    project.m_strEBookFile = dir.File("index.htm");
    EXPECT_EQ(BuildEBook(project, ui, source, kMaxEBookSize, 8), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string p = dir.Path() + "\\index.htm";
    EXPECT_EQ(ui.messages[0].text, "Cannot read file " + p +
                                       "\nA sharing violation occurred while accessing " + p + ".");
}

TEST(BuildEBookWin32, ProgramWithoutTheViewerResource) {
    // The test program carries no resource 348/1.
    CModuleStubSource source;
    const uint8_t* data = nullptr;
    size_t size = 0;
    EXPECT_FALSE(source.GetStub(&data, &size));

    BuildTempDir dir;
    CBookProject project;
    project.m_strEBookFile = dir.File("out.exe");
    ScriptedUi ui;
    EXPECT_EQ(BuildEBook(project, ui, source), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot save E-Book file:\n", 0), 0u);
    EXPECT_EQ(GetFileAttributesA(dir.File("out.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
