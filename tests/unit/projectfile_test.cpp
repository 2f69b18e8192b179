#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "platform/File.h"
#include "platform/ReplaceFile.h"
#include "platform/ContainedName.h"
#include "project/ProjectFile.h"
#include "store_testutil.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

const char kEofText[] =
    "Cannot open E-Book Project\nAn attempt was made to access an unnamed file "
    "past its end.";

void AddEntry(CBookProject& p, const std::string& name, int seq, int search, int inProject) {
    std::unique_ptr<CPieceElem> e(new CPieceElem);
    e->m_strFile = name;
    e->m_bInSequence = seq;
    e->m_bInSearch = search;
    e->m_bInProject = inProject;
    p.AddPage(std::move(e));
}

// The two-entry project of the file layout, with every text and option set.
void FillProject(CBookProject& p) {
    p.DeleteAllPages();
    AddEntry(p, "index.html", 1, 1, 1);
    AddEntry(p, "img\\a.gif", 0, 0, 1);
    p.m_strTitle = "My Book";
    p.m_strAuthor = "Ann";
    p.m_strCopyright = "(C) 2026";
    p.m_strUrl = "http://x.example/";
    p.m_strEMail = "ann@x.example";
    p.m_strAboutInfo = "About\r\ntext";
    p.m_strSplashFile = "C:\\s.bmp";
    p.m_strIconFile = "C:\\i.ico";
    p.m_strEBookFile = "C:\\out\\book.exe";
    p.m_strProjectDir = "C:\\site";
    p.m_bShowAboutAtStart = 1;
    p.m_bStartMaximized = 0;
    p.m_bStartFullScreen = 1;
    p.m_bShowToolbar = 0;
    p.m_bHomeButton = 0;
    p.m_bPrevNextButtons = 1;
    p.m_bHistoryButtons = 0;
    p.m_bCopyButton = 1;
    p.m_bSearchButton = 1;
    p.m_bFullScreenButton = 0;
    p.m_bFontSizeButton = 1;
    p.m_bPrintButton = 0;
    p.m_bAboutButton = 0;
    p.m_bExitButton = 0;
    p.m_bProjectLoaded = 1;
}

Bytes Str(Bytes b, const std::string& s) {
    return b.U8(static_cast<uint8_t>(s.size())).Text(s);
}

// The file FillProject's project is saved as.
std::vector<uint8_t> FilledProjectBytes() {
    Bytes b;
    b.U32(65539).U32(2).NewClass("CPieceElem");
    b = Str(b, "index.html");
    b.U32(1).U32(0).U32(1).U32(1).U16(0x8001);
    b = Str(b, "img\\a.gif");
    b.U32(0).U32(0).U32(0).U32(1).U16(0);
    for (const char* s :
         {"", "", "My Book", "Ann", "(C) 2026", "http://x.example/", "ann@x.example", "",
          "About\r\ntext", "", "C:\\s.bmp", "C:\\i.ico", "C:\\out\\book.exe", "C:\\site"})
        b = Str(b, s);
    for (uint32_t v : {1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 0, 0})
        b.U32(v);
    return b.Get();
}

class ProjectFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name = "book.ebp") const { return m_dir.File(name); }
    int Load(const std::vector<uint8_t>& bytes) {
        WriteAll(Path("in.ebp"), bytes);
        m_loaded.m_strProjectFile = Path("in.ebp");
        return LoadProject(m_loaded, m_ui);
    }
    CTempFolder m_dir;
    ScriptedUi m_ui;
    CBookProject m_loaded;
};

TEST_F(ProjectFileTest, SavesTheDocumentedBytes) {
    CBookProject p;
    FillProject(p);
    p.m_strProjectFile = Path();
    ASSERT_EQ(SaveProject(p, m_ui), 1);
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(ReadAll(Path()), FilledProjectBytes());
    EXPECT_EQ(m_dir.Entries(), std::vector<std::string>{"book.ebp"});
}

TEST_F(ProjectFileTest, LoadRestoresEveryStoredField) {
    CBookProject saved;
    FillProject(saved);
    saved.m_strProjectFile = Path();
    ASSERT_EQ(SaveProject(saved, m_ui), 1);

    m_loaded.m_strAuthor = "someone else";
    m_loaded.m_strLastProject = "C:\\kept";
    AddEntry(m_loaded, "old.htm", 1, 0, 1);
    m_loaded.m_strProjectFile = Path();
    ASSERT_EQ(LoadProject(m_loaded, m_ui), 1);
    EXPECT_TRUE(m_ui.messages.empty());
    ASSERT_EQ(m_loaded.GetPageCount(), 2u);
    const CPieceElem& a = *m_loaded.GetPage(0);
    const CPieceElem& b = *m_loaded.GetPage(1);
    EXPECT_EQ(a.m_strFile, "index.html");
    EXPECT_EQ(std::vector<int>({a.m_bInSequence, a.m_bInSearch, a.m_bInProject}),
              std::vector<int>({1, 1, 1}));
    EXPECT_EQ(b.m_strFile, "img\\a.gif");
    EXPECT_EQ(std::vector<int>({b.m_bInSequence, b.m_bInSearch, b.m_bInProject}),
              std::vector<int>({0, 0, 1}));
    EXPECT_EQ(m_loaded.m_strAuthor, "Ann");
    EXPECT_EQ(m_loaded.m_strLastProject, "C:\\kept");
    EXPECT_EQ(m_loaded.m_bProjectLoaded, 0);  // the caller sets it
    // Saving the loaded project gives the same bytes again.
    m_loaded.m_bProjectLoaded = 1;
    m_loaded.m_strProjectFile = Path("again.ebp");
    ASSERT_EQ(SaveProject(m_loaded, m_ui), 1);
    EXPECT_EQ(ReadAll(Path("again.ebp")), FilledProjectBytes());
}

TEST_F(ProjectFileTest, PageNamesOutsideTheProjectFolderAreRefused) {
    const std::pair<const char*, bool> cases[] = {
        {"index.html", true},
        {"img\\a.gif", true},
        {"..hidden.htm", true},
        {"..\\private\\secret.txt", false},
        {"sub\\..\\..\\up.txt", false},
        {"C:\\x.txt", false},
        {"c:x.txt", false},
        {"\\x.txt", false},
        {"/etc/passwd", false},
        {"\\\\server\\share\\x", false},
        {"page.htm:stream", false},
        {"sub\\...\\x", false},
        {"con", false},
        {"sub\\con.htm", false},
        {"Help:Contents.html", false},
        {"   ", false},
        {"page.htm.", false},
        {"a|b.htm", false},
        {"caf\xE9 .htm", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        CBookProject saved;
        FillProject(saved);
        AddEntry(saved, c.first, 1, 1, 1);
        saved.m_strProjectFile = Path();
        ASSERT_EQ(SaveProject(saved, m_ui), 1);
        m_ui.messages.clear();
        m_loaded.m_strProjectFile = Path();
        EXPECT_EQ(LoadProject(m_loaded, m_ui), c.second ? 1 : 0);
        if (c.second) {
            EXPECT_TRUE(m_ui.messages.empty());
            continue;
        }
        // One message naming the project file, the entry and why; nothing of the file is kept.
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, "Cannot open E-Book Project\n" + Path() +
                                             " lists the page \"" + c.first +
                                             "\", which is not a file inside the project folder (" +
                                             RelativeNameProblem(c.first) + ").");
        EXPECT_EQ(m_ui.messages[0].icon, MsgIcon::stop);
        EXPECT_EQ(m_loaded.GetPageCount(), 0u);
        EXPECT_EQ(m_loaded.m_strProjectDir, "");
    }
}

TEST_F(ProjectFileTest, StringLengthForms) {
    struct Case {
        size_t length;
        std::vector<uint8_t> head;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        CBookProject p;
        p.m_bProjectLoaded = 1;
        p.m_strTitle = std::string(c.length, 't');
        p.m_strProjectFile = Path();
        ASSERT_EQ(SaveProject(p, m_ui), 1);
        const std::vector<uint8_t> bytes = ReadAll(Path());
        // version, N = 0, empty reserved list, two reserved empty strings, then the title.
        const size_t at = 4 + 4 + 2 + 2;
        ASSERT_GT(bytes.size(), at + c.head.size());
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + c.head.size()),
                  c.head);
        m_loaded.m_strProjectFile = Path();
        ASSERT_EQ(LoadProject(m_loaded, m_ui), 1);
        EXPECT_EQ(m_loaded.m_strTitle, p.m_strTitle);
        EXPECT_EQ(m_loaded.GetPageCount(), 0u);
    }
}

TEST_F(ProjectFileTest, NothingToSaveBeforeAProjectIsLoaded) {
    CBookProject p;
    p.m_strProjectFile = Path();
    EXPECT_EQ(SaveProject(p, m_ui), 1);
    EXPECT_EQ(SaveProjectAs(p, m_ui), 1);
    EXPECT_FALSE(CFile::Exists(Path()));
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_TRUE(m_ui.fileDialogs.empty());
}

TEST_F(ProjectFileTest, OtherVersionsAreRefusedAfterTheReset) {
    for (const uint32_t version : {65538u, 65540u, 0u}) {
        SCOPED_TRACE(version);
        std::vector<uint8_t> bytes = FilledProjectBytes();
        bytes[0] = static_cast<uint8_t>(version);
        bytes[1] = static_cast<uint8_t>(version >> 8);
        bytes[2] = static_cast<uint8_t>(version >> 16);
        AddEntry(m_loaded, "old.htm", 1, 0, 1);
        m_loaded.m_strTitle = "Old";
        m_ui.messages.clear();
        EXPECT_EQ(Load(bytes), 0);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, "Old version of the .EBP file. Please regenerate.");
        EXPECT_EQ(m_ui.messages[0].icon, MsgIcon::stop);
        EXPECT_EQ(m_loaded.GetPageCount(), 0u);
        EXPECT_EQ(m_loaded.m_strTitle, "E-Book");
    }
}

// A file that fails part-way leaves an empty project: no entry read before the failure (the
// folder they belong to comes last in the file), none of the texts or options read, and the texts
// the reset keeps as they were before the load.
TEST_F(ProjectFileTest, EveryTruncationReportsTheEndAndLeavesAnEmptyProject) {
    const std::vector<uint8_t> full = FilledProjectBytes();
    for (size_t len = 0; len < full.size(); ++len) {
        SCOPED_TRACE(len);
        m_ui.messages.clear();
        AddEntry(m_loaded, "old.htm", 1, 0, 1);
        m_loaded.m_strProjectDir = "C:\\old";
        m_loaded.m_strAuthor = "Kept";
        m_loaded.m_strEMail = "kept@x.example";
        EXPECT_EQ(Load(std::vector<uint8_t>(full.begin(), full.begin() + len)), 0);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, kEofText);
        EXPECT_EQ(m_loaded.GetPageCount(), 0u);
        EXPECT_EQ(m_loaded.m_strProjectDir, "");
        EXPECT_EQ(m_loaded.m_strTitle, "E-Book");
        EXPECT_EQ(m_loaded.m_strAuthor, "Kept");
        EXPECT_EQ(m_loaded.m_strEMail, "kept@x.example");
        EXPECT_EQ(m_loaded.m_strEBookFile, "");
        EXPECT_EQ(m_loaded.m_bShowAboutAtStart, 0);  // reset value; the file says 1
    }
    // Bytes after the last option are not read.
    std::vector<uint8_t> longer = full;
    longer.push_back(0xEE);
    EXPECT_EQ(Load(longer), 1);
    EXPECT_EQ(m_loaded.GetPageCount(), 2u);
    EXPECT_EQ(m_loaded.m_strProjectDir, "C:\\site");
}

TEST_F(ProjectFileTest, BadEntryTagsAreRefused) {
    const std::vector<uint8_t> full = FilledProjectBytes();
    const size_t secondTagAt = 8 + 16 + 11 + 16;
    const std::vector<uint8_t> firstEntry(full.begin(), full.begin() + secondTagAt);
    const std::vector<uint8_t> secondRest(full.begin() + secondTagAt + 2, full.end());
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        const char* description;  // after the prefix; %1 is the path
        size_t entries;
    };
    const std::string path = Path("in.ebp");
    const auto withFirstTag = [&](const Bytes& tag) {
        return Bytes()
            .U32(65539)
            .U32(2)
            .Raw(tag.Get())
            .Raw(std::vector<uint8_t>(full.begin() + 8 + 16, full.end()))
            .Get();
    };
    const auto withSecondTag = [&](const Bytes& tag) {
        return Bytes().Raw(firstEntry).Raw(tag.Get()).Raw(secondRest).Get();
    };
    const Case cases[] = {
        {"unknown class", withFirstTag(Bytes().NewClass("CPieceElex")),
         "contained an unexpected object.", 0},
        {"another known class", withFirstTag(Bytes().NewClass("CUpdateDir")),
         "contained an unexpected object.", 0},
        {"name of 64 bytes", withFirstTag(Bytes().NewClass(std::string(64, 'C'))),
         "contained an unexpected object.", 0},
        {"schema 2", withFirstTag(Bytes().NewClass("CPieceElem", 2)),
         "contains an incorrect schema.", 0},
        {"class reference before any class", withFirstTag(Bytes().U16(0x8001)), "has a bad format.",
         0},
        {"empty entry (object 0)", withSecondTag(Bytes().U16(0x0000)), "has a bad format.", 0},
        {"the first entry again (object 2)", withSecondTag(Bytes().U16(0x0002)),
         "has a bad format.", 0},
        {"reference to an object", withSecondTag(Bytes().U16(0x8002)), "has a bad format.", 0},
        {"long form of object 2", withSecondTag(Bytes().U16(0x7FFF).U32(2)), "has a bad format.",
         0},
        {"long form of class 1 is accepted", withSecondTag(Bytes().U16(0x7FFF).U32(0x80000001)),
         nullptr, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.messages.clear();
        const int result = Load(c.file);
        EXPECT_EQ(m_loaded.GetPageCount(), c.entries);
        if (c.description == nullptr) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(m_ui.messages.empty());
            continue;
        }
        EXPECT_EQ(result, 0);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text,
                  "Cannot open E-Book Project\n" + path + " " + c.description);
        EXPECT_EQ(m_ui.messages[0].icon, MsgIcon::stop);
    }
}

TEST_F(ProjectFileTest, HugeLengthsAreRefusedWithoutAllocating) {
    const std::vector<uint8_t> full = FilledProjectBytes();
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"entry name of 4 GiB", Bytes()
                                    .U32(65539)
                                    .U32(1)
                                    .NewClass("CPieceElem")
                                    .U8(0xFF)
                                    .U16(0xFFFF)
                                    .U32(0xFFFFFFF0)
                                    .Get()},
        {"wide entry name of 4 G units", Bytes()
                                             .U32(65539)
                                             .U32(1)
                                             .NewClass("CPieceElem")
                                             .U8(0xFF)
                                             .U16(0xFFFE)
                                             .U8(0xFF)
                                             .U16(0xFFFF)
                                             .U32(0xFFFFFFFF)
                                             .Get()},
        {"4 G entries",
         Bytes().U32(65539).U32(0xFFFFFFFF).NewClass("CPieceElem").U8(0).U32(1).Get()},
        {"4 G reserved strings", Bytes().U32(65539).U32(0).U16(0xFFFF).U32(0xFFFFFFFF).U8(0).Get()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.messages.clear();
        int result = -1;
        const long long largest = LargestAllocationDuring([&] { result = Load(c.file); });
        EXPECT_EQ(result, 0);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].text, kEofText);
        EXPECT_LT(largest, 1 << 20);
    }
}

TEST_F(ProjectFileTest, FileThatCannotBeOpenedLeavesTheProjectAlone) {
    FillProject(m_loaded);
    m_loaded.m_strProjectFile = Path("missing.ebp");
    EXPECT_EQ(LoadProject(m_loaded, m_ui), 0);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text,
              "Cannot open E-Book Project\n" + Path("missing.ebp") + " was not found.");
    EXPECT_EQ(m_loaded.GetPageCount(), 2u);
    EXPECT_EQ(m_loaded.m_strTitle, "My Book");
}

// Saving must not lose the old file, nor leave a temporary one, whatever fails.
TEST_F(ProjectFileTest, FailedSaveKeepsTheOldFile) {
    struct Case {
        const char* name;
        bool existing;
        std::function<void(const std::string&, std::unique_ptr<CFile>&)> arrange;
        std::string description;  // %1 is the path
    };
    const Case cases[] = {
        {"disk full half-way", true,
         [](const std::string&, std::unique_ptr<CFile>&) {
             SetFileFault(FileFaultOp::write, 1, CFileException::diskFull);
         },
         "Disk full while accessing %1."},
        {"disk full on a new file", false,
         [](const std::string&, std::unique_ptr<CFile>&) {
             SetFileFault(FileFaultOp::write, 1, CFileException::diskFull);
         },
         "Disk full while accessing %1."},
        {"target held open by someone", true,
         [](const std::string& path, std::unique_ptr<CFile>& holder) {
             holder.reset(new CFile);
             holder->Open(path, CFile::modeRead | CFile::shareDenyWrite);
         },
         "A sharing violation occurred while accessing %1."},
        {"read-only target", true,
         [](const std::string& path, std::unique_ptr<CFile>&) { chmod(path.c_str(), 0444); },
         "Access to %1 was denied."},
        {"folder missing", false, [](const std::string&, std::unique_ptr<CFile>&) {},
         "%1 was not found."},
    };
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempFolder dir;
        std::string path = dir.File("book.ebp");
        if (std::string(c.name) == "folder missing")
            path = dir.File("nowhere/book.ebp");
        if (c.existing)
            WriteAll(path, old);
        std::unique_ptr<CFile> holder;
        c.arrange(path, holder);
        CBookProject p;
        FillProject(p);
        p.m_strProjectFile = path;
        ScriptedUi ui;
        EXPECT_EQ(SaveProject(p, ui), 0);
        ClearFileFaults();
        holder.reset();
        ASSERT_EQ(ui.messages.size(), 1u);
        std::string description = c.description;
        description.replace(description.find("%1"), 2, path);
        EXPECT_EQ(ui.messages[0].text, "Cannot save E-Book Project\n" + description);
        EXPECT_EQ(ui.messages[0].icon, MsgIcon::stop);
        if (c.existing) {
            EXPECT_EQ(ReadAll(path), old);
            EXPECT_EQ(dir.Entries(), std::vector<std::string>{"book.ebp"});
        } else {
            EXPECT_TRUE(dir.Entries().empty());
        }
    }
}

// Links around the project file: one planted under a name of the save's private folder is never
// written through, a project file that is a link stays a link, and the file keeps its permission
// bits.
TEST_F(ProjectFileTest, SaveNeverWritesThroughALinkAndKeepsThePermissions) {
    CBookProject p;
    FillProject(p);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};

    SCOPED_TRACE("a dangling link under a private folder's name");
    const std::string elsewhere = Path("elsewhere");
    const std::string firstTemp = Path(".pv0123abcd");
    ASSERT_EQ(symlink(elsewhere.c_str(), firstTemp.c_str()), 0);
    p.m_strProjectFile = Path();
    ASSERT_EQ(SaveProject(p, m_ui), 1);
    EXPECT_EQ(ReadAll(Path()), FilledProjectBytes());
    struct stat st;
    EXPECT_NE(lstat(elsewhere.c_str(), &st), 0);
    EXPECT_EQ(lstat(firstTemp.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    SCOPED_TRACE("the project file is a link, its target private");
    WriteAll(Path("real.ebp"), old);
    ASSERT_EQ(chmod(Path("real.ebp").c_str(), 0600), 0);
    ASSERT_EQ(symlink("real.ebp", Path("link.ebp").c_str()), 0);
    p.m_strProjectFile = Path("link.ebp");
    ASSERT_EQ(SaveProject(p, m_ui), 1);
    ASSERT_EQ(lstat(Path("link.ebp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(Path("real.ebp")), FilledProjectBytes());
    ASSERT_EQ(stat(Path("real.ebp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(ProjectFileTest, SaveAsAsksForAnotherFileAfterAFailure) {
    const std::string bad = Path("nowhere/x.ebp");
    const std::string good = Path("good.ebp");
    struct Case {
        const char* name;
        std::deque<std::string> dialogs;
        std::deque<MsgAnswer> answers;
        int result;
        size_t dialogCount;
    };
    const Case cases[] = {
        {"cancelled at once", {}, {}, 0, 1},
        {"saved at once", {good}, {}, 1, 1},
        {"fails, No", {bad}, {MsgAnswer::ok, MsgAnswer::no}, 0, 1},
        {"fails, Yes, cancelled", {bad}, {MsgAnswer::ok, MsgAnswer::yes}, 0, 2},
        {"fails, Yes, saved", {bad, good}, {MsgAnswer::ok, MsgAnswer::yes}, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (CFile::Exists(good))
            CFile::Remove(good);
        CBookProject p;
        FillProject(p);
        p.m_strLastProjectFile = "C:\\last.ebp";
        ScriptedUi ui;
        ui.dialogResults = c.dialogs;
        ui.answers = c.answers;
        EXPECT_EQ(SaveProjectAs(p, ui), c.result);
        ASSERT_EQ(ui.fileDialogs.size(), c.dialogCount);
        for (size_t i = 0; i < ui.fileDialogs.size(); ++i) {
            const FileDialogSpec& spec = ui.fileDialogs[i];
            EXPECT_TRUE(spec.bSave);
            EXPECT_EQ(spec.strFilter, "E-Book Project Files (*.ebp)|*.ebp|All Files (*.*)|*.*||");
            EXPECT_EQ(spec.strDefExt, "ebp");
            EXPECT_EQ(spec.uFlags, unsigned(kOfnOverwritePrompt | kOfnPathMustExist));
            // The dialog opens at the remembered file, then at the path chosen last.
            EXPECT_EQ(spec.strInitialName, i == 0 ? "C:\\last.ebp" : bad);
        }
        if (c.answers.empty()) {
            EXPECT_TRUE(ui.messages.empty());
        } else {
            ASSERT_EQ(ui.messages.size(), 2u);
            EXPECT_EQ(ui.messages[0].text.rfind("Cannot save E-Book Project\n", 0), 0u);
            EXPECT_EQ(ui.messages[1].text, "Do you want to save the project to other file?");
            EXPECT_EQ(ui.messages[1].icon, MsgIcon::question);
            EXPECT_EQ(ui.messages[1].buttons, MsgButtons::yesNo);
        }
        EXPECT_EQ(CFile::Exists(good), c.result == 1);
        if (!c.dialogs.empty()) {
            EXPECT_EQ(p.m_strProjectFile, c.dialogs.back());
            EXPECT_EQ(p.m_strLastProjectFile, c.dialogs.back());
        }
    }
}

TEST(ProjectFileDialogs, OpenDialogSpec) {
    CBookProject p;
    p.m_strLastProjectFile = "C:\\b.ebp";
    const FileDialogSpec spec = ProjectOpenDialogSpec(p);
    EXPECT_FALSE(spec.bSave);
    EXPECT_EQ(spec.strFilter, "E-Book Projects (*.ebp)|*.ebp|All Files (*.*)|*.*||");
    EXPECT_EQ(spec.strDefExt, "ebp");
    EXPECT_EQ(spec.strInitialName, "C:\\b.ebp");
    EXPECT_EQ(spec.uFlags, unsigned(kOfnHideReadOnly | kOfnPathMustExist | kOfnFileMustExist));
}

}  // namespace
