#include <gtest/gtest.h>

#include "SheetTestUtil.h"
#include "publisher/resource.h"
#include "platform/File.h"
#include "project/ProjectFile.h"
#include "publisher/ContentPage.h"

namespace {

bool Enabled(SheetFixture& f, int id) {
    return ::IsWindowEnabled(f.PageItem(id)) != FALSE;
}
bool Visible(SheetFixture& f, int id) {
    return ::IsWindowVisible(f.PageItem(id)) != FALSE;
}

void Select(HWND hList, std::initializer_list<int> rows) {
    ListView_SetItemState(hList, -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(hList, row, LVIS_SELECTED, LVIS_SELECTED);
}

class ContentPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        f.project.m_strLastProject = "C:\\remembered";
        f.Open();
        list = f.PageItem(IDC_PAGE_LIST);
    }
    // New Project on the sample book.
    void NewProject() {
        f.ui.dialogResults.push_back(SampleBookFolder());
        f.Click(IDC_NEW_PROJECT);
        f.Settle();
    }
    SheetFixture f;
    HWND list = nullptr;
};

TEST_F(ContentPageTest, NewProjectListsTheFolderAndTheButtonsFollowTheSelection) {
    RECT rc = {};
    ::GetWindowRect(list, &rc);
    const int unit = (rc.right - rc.left) / 20;
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 15 * unit);
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 4 * unit);
    EXPECT_FALSE(Enabled(f, IDC_RESCAN_DIR));
    EXPECT_FALSE(Enabled(f, IDC_MOVE_UP));

    NewProject();
    ASSERT_EQ(f.ui.folderBrowses.size(), 1u);
    EXPECT_EQ(f.ui.folderBrowses[0], "C:\\remembered");
    ASSERT_EQ(f.project.m_arrPages.size(), 7u);
    EXPECT_EQ(ListRows(list), ProjectRows(f.project));
    EXPECT_EQ(f.project.m_bProjectLoaded, 1);
    EXPECT_EQ(f.project.m_strLastProject, SampleBookFolder());
    EXPECT_TRUE(f.ui.messages.empty());  // the sample has HTML pages
    EXPECT_TRUE(Enabled(f, IDC_RESCAN_DIR));

    const struct {
        std::initializer_list<int> rows;
        bool move, properties;
    } cases[] = {{{}, false, false}, {{2}, true, true}, {{1, 4}, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows.size());
        Select(list, c.rows);
        f.Settle();
        EXPECT_EQ(Enabled(f, IDC_MOVE_UP), c.move);
        EXPECT_EQ(Enabled(f, IDC_MOVE_DOWN), c.move);
        EXPECT_EQ(Enabled(f, IDC_FILE_PROPERTIES), c.properties);
        EXPECT_FALSE(Visible(f, IDC_FILE_PROPERTIES));
        EXPECT_FALSE(Visible(f, IDC_OPEN_PROJECT));
    }
}

// The list switches its redraw off while it fills or moves rows; it must be drawn again after.
TEST_F(ContentPageTest, MovesFollowRowByRowAndKeepTheSelection) {
    NewProject();
    EXPECT_TRUE(::IsWindowVisible(list));
    const std::vector<std::string> before = ProjectRows(f.project);
    Select(list, {0, 2, 6});
    f.Click(IDC_MOVE_UP);  // row 0 stays, 2 -> 1, 6 -> 5
    EXPECT_EQ(ListRows(list), ProjectRows(f.project));
    EXPECT_EQ(RowsWithState(list, LVIS_SELECTED), (std::vector<int>{0, 1, 5}));
    EXPECT_EQ(ListRows(list)[1], before[2]);
    f.Click(IDC_MOVE_DOWN);  // 5 -> 6, then 0 and 1 move down as a block
    EXPECT_EQ(ListRows(list), ProjectRows(f.project));
    EXPECT_EQ(RowsWithState(list, LVIS_SELECTED), (std::vector<int>{1, 2, 6}));
    EXPECT_EQ(ListRows(list)[6], before[6]);
    EXPECT_TRUE(::IsWindowVisible(list));
    EXPECT_TRUE(Enabled(f, IDC_MOVE_UP));
}

TEST_F(ContentPageTest, BrowserOutcomesAndTheLeaveCheck) {
    // Next with no pages: the two-line message, and the page stays.
    PropSheet_PressButton(f.sheet->m_hWnd, PSBTN_NEXT);
    f.Settle();
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text,
              "No pages in the E-Book.\nClick \"New Project...\" button to select a folder "
              "with HTML files");
    EXPECT_EQ(f.ui.messages[0].icon, MsgIcon::exclamation);
    EXPECT_EQ(f.sheet->GetActiveIndex(), 0);

    // A folder without a path: the message, nothing else.
    f.ui.dialogResults.push_back(ScriptedUi::kNoPath);
    f.Click(IDC_NEW_PROJECT);
    ASSERT_EQ(f.ui.messages.size(), 2u);
    EXPECT_EQ(f.ui.messages[1].text, "Invalid folder has been selected. Try Again");
    EXPECT_EQ(f.project.m_bProjectLoaded, 0);
    f.Click(IDC_NEW_PROJECT);  // cancelled: nothing
    EXPECT_EQ(f.ui.messages.size(), 2u);
    EXPECT_EQ(f.ui.folderBrowses.size(), 2u);

    // Re-Scan merges: an entry moved to the end keeps its place, a vanished one goes.
    NewProject();
    auto extra = std::make_unique<CPieceElem>();
    extra->m_strFile = "gone.html";
    f.project.AddPage(std::move(extra));
    f.project.SwapPages(0, 1);
    const std::string first = f.project.m_arrPages[0]->m_strFile;
    f.ui.dialogResults.push_back(SampleBookFolder());
    f.Click(IDC_RESCAN_DIR);
    EXPECT_EQ(f.project.m_arrPages.size(), 7u);
    EXPECT_EQ(f.project.m_arrPages[0]->m_strFile, first);
    EXPECT_EQ(ListRows(list), ProjectRows(f.project));

    PropSheet_PressButton(f.sheet->m_hWnd, PSBTN_NEXT);
    f.Settle();
    EXPECT_EQ(f.sheet->GetActiveIndex(), 1);
}

// A folder that cannot be read changes nothing: with no project the page stays empty and not
// loaded (Re-Scan Dir off, nothing to save); a loaded project keeps its pages and folder.
TEST_F(ContentPageTest, AFolderThatCannotBeReadChangesNothing) {
    const std::string missing = SampleBookFolder() + "\\no such folder";
    f.ui.dialogResults.push_back(missing);
    f.Click(IDC_NEW_PROJECT);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text.rfind("Cannot read folder " + missing + "\n", 0), 0u)
        << f.ui.messages[0].text;
    EXPECT_EQ(f.project.m_bProjectLoaded, 0);
    EXPECT_FALSE(Enabled(f, IDC_RESCAN_DIR));
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    f.project.m_strProjectFile = std::string(temp) + "pv-unread.ebp";
    EXPECT_EQ(SaveProject(f.project, f.ui), 1);  // nothing loaded, nothing written
    EXPECT_EQ(::GetFileAttributesA(f.project.m_strProjectFile.c_str()), INVALID_FILE_ATTRIBUTES);

    NewProject();
    const std::vector<std::string> rows = ProjectRows(f.project);
    for (int button : {IDC_NEW_PROJECT, IDC_RESCAN_DIR}) {
        SCOPED_TRACE(button);
        f.ui.dialogResults.push_back(missing);
        f.Click(button);
        EXPECT_EQ(ProjectRows(f.project), rows);
        EXPECT_EQ(ListRows(list), rows);
        EXPECT_EQ(f.project.m_strProjectDir, SampleBookFolder());
        EXPECT_EQ(f.project.m_bProjectLoaded, 1);
        EXPECT_TRUE(Enabled(f, IDC_RESCAN_DIR));
    }
}

// A project file that fails part-way (here it ends before the project's folder) leaves an empty
// project and an empty list: no entry whose file would be looked for beside no folder.
TEST_F(ContentPageTest, AProjectFileThatFailsPartWayLeavesAnEmptyProject) {
    NewProject();
    ASSERT_FALSE(f.project.m_arrPages.empty());
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string file =
        std::string(temp) + "pv-cut-" + std::to_string(::GetCurrentProcessId()) + ".ebp";
    f.project.m_strProjectFile = file;
    ASSERT_EQ(SaveProject(f.project, f.ui), 1);
    std::string bytes;
    {
        CFile in;
        in.Open(file, CFile::modeRead);
        bytes.resize(static_cast<size_t>(in.GetLength()));
        in.ReadExact(&bytes[0], static_cast<uint32_t>(bytes.size()));
    }
    const size_t folderAt = bytes.rfind(f.project.m_strProjectDir);
    ASSERT_NE(folderAt, std::string::npos);
    {
        CFile out;
        out.Open(file, CFile::modeCreate | CFile::modeWrite);
        out.Write(bytes.data(), static_cast<uint32_t>(folderAt));
    }

    f.ui.dialogResults.push_back(file);
    ::SendMessageA(f.sheet->GetCurrentPageHwnd(), WM_COMMAND,
                   MAKEWPARAM(IDC_OPEN_PROJECT, BN_CLICKED),
                   reinterpret_cast<LPARAM>(f.PageItem(IDC_OPEN_PROJECT)));
    ::DeleteFileA(file.c_str());
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].text.rfind("Cannot open E-Book Project\n", 0), 0u)
        << f.ui.messages[0].text;
    EXPECT_TRUE(f.project.m_arrPages.empty());
    EXPECT_EQ(f.project.m_strProjectDir, "");
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(f.project.m_bProjectLoaded, 0);
    EXPECT_EQ(f.project.m_strProjectFile, "");
}

// File Properties works on the focused row, not the selected one; OK copies the flags back and
// makes the entry the home page; Cancel changes nothing.
TEST_F(ContentPageTest, FilePropertiesOnTheFocusedRow) {
    NewProject();
    const std::vector<std::string> before = ProjectRows(f.project);
    const int32_t sequence = f.project.m_arrPages[2]->m_bInSequence;
    Select(list, {0});
    ListView_SetItemState(list, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    auto& page = f.sheet->ContentPage();

    int homeBoxAtOpen = -1;
    ModalDriver cancel("File Properties", [&](HWND h) {
        homeBoxAtOpen =
            static_cast<int>(::SendDlgItemMessageA(h, IDC_MAKE_HOME_PAGE, BM_GETCHECK, 0, 0));
        ::SendDlgItemMessageA(h, IDC_MAKE_HOME_PAGE, BM_CLICK, 0, 0);
        ::SendDlgItemMessageA(h, IDC_IN_PROJECT, BM_CLICK, 0, 0);
        ::PostMessageA(::GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0);
    });
    page.OnFileProperties();
    EXPECT_TRUE(cancel.ran);
    EXPECT_EQ(homeBoxAtOpen, BST_UNCHECKED);
    EXPECT_EQ(ProjectRows(f.project), before);

    bool sequenceBoxHidden = false;
    int offCentre = -1;
    ModalDriver ok("File Properties", [&](HWND h) {
        sequenceBoxHidden = !::IsWindowVisible(::GetDlgItem(h, IDC_IN_SEQUENCE));
        offCentre = CentreDistance(h, f.sheet->m_hWnd);
        PaintNow(h);
        SaveScreenshot("file-properties");
        ::SendDlgItemMessageA(h, IDC_MAKE_HOME_PAGE, BM_CLICK, 0, 0);
        ::SendDlgItemMessageA(h, IDC_IN_PROJECT, BM_CLICK, 0, 0);
        ::PostMessageA(::GetDlgItem(h, IDOK), BM_CLICK, 0, 0);
    });
    page.OnFileProperties();
    ASSERT_TRUE(ok.ran);
    EXPECT_TRUE(sequenceBoxHidden);
    EXPECT_LE(offCentre, 2) << "File Properties opens centred over the wizard";
    // The third entry leads, the others keep their order; it is left out of the book.
    const std::string third = before[2].substr(0, before[2].size() - 2);
    const std::vector<std::string> expected = {third + "| ", before[0], before[1], before[3],
                                               before[4],    before[5], before[6]};
    EXPECT_EQ(ProjectRows(f.project), expected);
    EXPECT_EQ(ListRows(list), expected);
    EXPECT_EQ(f.project.m_arrPages[0]->m_bInSequence, sequence);
    EXPECT_EQ(RowsWithState(list, LVIS_FOCUSED | LVIS_SELECTED), (std::vector<int>{0}));
    EXPECT_EQ(RowsWithState(list, LVIS_SELECTED), (std::vector<int>{0, 1}));
}

}  // namespace
