#include "publisher/ContentPage.h"

#include <commctrl.h>

#include <vector>

#include "project/PageList.h"
#include "project/ProjectFile.h"
#include "project/Scan.h"
#include "publisher/resource.h"
#include "publisher/FilePropertiesDlg.h"

const char CContentPage::kNoPagesMessage[] =
    "No pages in the E-Book.\nClick \"New Project...\" button to select a folder with HTML files";
const char CContentPage::kInvalidFolderMessage[] = "Invalid folder has been selected. Try Again";

CContentPage::CContentPage(CBookProject& project, Ui& ui)
    : CPropertyPage(IDD_CONTENT), m_project(project), m_ui(ui) {}

CListView CContentPage::List() const {
    return CListView(GetDlgItem(IDC_PAGE_LIST));
}

LRESULT CContentPage::OnSetActive() {
    if (!m_bColumnsInserted) {
        // The two columns share the list's width: 15 and 4 twentieths of it.
        RECT rc;
        ::GetWindowRect(List().GetHwnd(), &rc);
        const int unit = (rc.right - rc.left) / 20;
        List().InsertColumn(0, "File", 15 * unit, LVCFMT_CENTER);
        List().InsertColumn(1, "Included", 4 * unit, LVCFMT_CENTER);
        m_bColumnsInserted = true;
    }
    Refresh();
    return CPropertyPage::OnSetActive();
}

LRESULT CContentPage::OnWizardNext() {
    if (m_project.m_arrPages.empty()) {
        m_ui.ShowMessage(kNoPagesMessage, MsgIcon::exclamation, MsgButtons::ok);
        return -1;
    }
    return CPropertyPage::OnWizardNext();
}

bool CContentPage::OnCommand(WORD id, WORD code, HWND hCtl) {
    if (code != BN_CLICKED)
        return CPropertyPage::OnCommand(id, code, hCtl);
    switch (id) {
        case IDC_NEW_PROJECT:
            OnNewProject();
            return true;
        case IDC_RESCAN_DIR:
            OnRescanDir();
            return true;
        case IDC_OPEN_PROJECT:
            OnOpenProject();
            return true;
        case IDC_FILE_PROPERTIES:
            OnFileProperties();
            return true;
        case IDC_MOVE_UP:
            OnMoveUp();
            return true;
        case IDC_MOVE_DOWN:
            OnMoveDown();
            return true;
        default:
            return CPropertyPage::OnCommand(id, code, hCtl);
    }
}

LRESULT CContentPage::OnPageNotify(NMHDR* pNMHDR) {
    if (pNMHDR->idFrom == IDC_PAGE_LIST && pNMHDR->code == LVN_ITEMCHANGED) {
        if (!m_bFilling)
            Refresh();
        return 0;
    }
    return CPropertyPage::OnPageNotify(pNMHDR);
}

void CContentPage::Refresh() {
    // Next only: this is the first page, and Finish is never offered.
    SetWizardButtons(PSWIZB_NEXT);
    const int selected = List().GetSelectedCount();
    EnableItem(IDC_MOVE_UP, selected > 0);
    EnableItem(IDC_MOVE_DOWN, selected > 0);
    EnableItem(IDC_FILE_PROPERTIES, selected == 1);
    EnableItem(IDC_RESCAN_DIR, m_project.m_bProjectLoaded != 0);
    ShowItem(IDC_OPEN_PROJECT, false);
    ShowItem(IDC_FILE_PROPERTIES, false);
}

// While it lives, the list view neither redraws nor refreshes the page per row: filling or moving
// tens of thousands of rows one by one with redraw on takes minutes. One repaint and one refresh
// of the buttons follow at the end.
class CContentPage::CListBatch {
  public:
    explicit CListBatch(CContentPage& page) : m_page(page), m_bOuter(!page.m_bFilling) {
        if (!m_bOuter)
            return;
        m_page.m_bFilling = true;
        m_page.List().SetRedraw(false);
    }
    ~CListBatch() {
        if (!m_bOuter)
            return;
        m_page.List().SetRedraw(true);
        m_page.m_bFilling = false;
        m_page.Refresh();
    }
    CListBatch(const CListBatch&) = delete;
    CListBatch& operator=(const CListBatch&) = delete;

  private:
    CContentPage& m_page;
    const bool m_bOuter;  // batches nest; the outermost one switches redraw
};

void CContentPage::InsertRow(int row) {
    const CPieceElem& elem = *m_project.m_arrPages[static_cast<size_t>(row)];
    List().InsertItem(row, GetRowText(elem, 0));
    List().SetItemText(row, 1, GetRowText(elem, 1));
}

void CContentPage::SetRowTexts(size_t row) {
    const CPieceElem& elem = *m_project.m_arrPages[row];
    List().SetItemText(static_cast<int>(row), 0, GetRowText(elem, 0));
    List().SetItemText(static_cast<int>(row), 1, GetRowText(elem, 1));
}

void CContentPage::FillList() {
    CListBatch batch(*this);
    List().DeleteAllItems();
    List().ReserveItems(m_project.m_arrPages.size());
    for (size_t i = 0; i < m_project.m_arrPages.size(); ++i)
        InsertRow(static_cast<int>(i));
}

void CContentPage::ChooseAndScan(bool bNew) {
    std::string folder;
    const FolderBrowse choice = m_ui.BrowseForFolder(m_project.m_strLastProject, &folder);
    if (choice == FolderBrowse::noPath) {
        m_ui.ShowMessage(kInvalidFolderMessage, MsgIcon::exclamation, MsgButtons::ok);
    } else if (choice == FolderBrowse::chosen) {
        if (bNew)
            NewProjectFrom(folder);
        else
            RescanProject(m_project, m_ui, folder, [this] { FillList(); });
    }
    Refresh();
}

void CContentPage::NewProjectFrom(const std::string& folder) {
    // The scan starts from an empty list. A folder that cannot be read leaves everything as it
    // was before: the pages, the folder, and whether a project is loaded at all.
    std::vector<std::unique_ptr<CPieceElem>> previous;
    previous.swap(m_project.m_arrPages);
    if (RescanProject(m_project, m_ui, folder, [this] { FillList(); })) {
        m_project.m_bProjectLoaded = 1;
        return;
    }
    m_project.m_arrPages.swap(previous);
    FillList();
}

void CContentPage::OnNewProject() {
    ChooseAndScan(true);
}

void CContentPage::OnRescanDir() {
    ChooseAndScan(false);
}

void CContentPage::OnOpenProject() {
    std::string path;
    if (!m_ui.FileDialog(ProjectOpenDialogSpec(m_project), &path))
        return;
    m_project.m_strProjectFile = path;
    m_project.m_strLastProjectFile = path;
    const int loaded = LoadProject(m_project, m_ui);
    if (!loaded)
        m_project.m_strProjectFile.clear();
    m_project.m_bProjectLoaded = loaded;
    FillList();
    Refresh();
}

std::vector<bool> CContentPage::SelectedRows() const {
    const CListView list = List();
    const int rows = list.GetItemCount();
    std::vector<bool> selected(static_cast<size_t>(rows < 0 ? 0 : rows));
    // The list's own search visits the selected rows only: one message per selected row rather
    // than one per row.
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0 && row < rows;
         row = list.GetNextItem(row, LVNI_SELECTED))
        selected[static_cast<size_t>(row)] = true;
    return selected;
}

// Only the selected state is set; the focus stays where it was.
void CContentPage::SetSelectedRows(const std::vector<bool>& selected) {
    CListBatch batch(*this);
    for (size_t row = 0; row < selected.size(); ++row)
        List().SetItemState(static_cast<int>(row), selected[row] ? LVIS_SELECTED : 0,
                            LVIS_SELECTED);
}

void CContentPage::MoveSelected(bool bUp) {
    std::vector<bool> selected = SelectedRows();
    if (selected.empty() || m_project.m_arrPages.empty())
        return;
    const std::vector<bool> before = selected;
    CListBatch batch(*this);
    // Two entries swap places: the two rows take each other's texts.
    const auto swapRows = [this](size_t upper, size_t lower) {
        SetRowTexts(upper);
        SetRowTexts(lower);
    };
    if (bUp)
        MoveSelectedUp(m_project, selected, swapRows);
    else
        MoveSelectedDown(m_project, selected, swapRows);
    // Only the rows whose selection changed are touched.
    for (size_t row = 0; row < selected.size(); ++row) {
        if (selected[row] != before[row])
            List().SetItemState(static_cast<int>(row), selected[row] ? LVIS_SELECTED : 0,
                                LVIS_SELECTED);
    }
}

void CContentPage::OnMoveUp() {
    MoveSelected(true);
}

void CContentPage::OnMoveDown() {
    MoveSelected(false);
}

void CContentPage::OnFileProperties() {
    const int row = List().GetNextItem(-1, LVNI_FOCUSED);
    if (row < 0 || static_cast<size_t>(row) >= m_project.m_arrPages.size())
        return;
    CPieceElem& elem = *m_project.m_arrPages[static_cast<size_t>(row)];
    CFilePropertiesDlg dlg;
    dlg.m_bMakeHomePage = 0;
    dlg.m_bInSequence = elem.m_bInSequence;
    dlg.m_bInProject = elem.m_bInProject;
    dlg.m_bInSearch = elem.m_bInSearch;
    if (dlg.DoModal(m_hWnd) != IDOK)
        return;
    elem.m_bInSequence = dlg.m_bInSequence;
    elem.m_bInProject = dlg.m_bInProject;
    elem.m_bInSearch = dlg.m_bInSearch;
    List().SetItemText(row, 1, GetRowText(elem, 1));
    if (dlg.m_bMakeHomePage) {
        MoveToFront(m_project, static_cast<size_t>(row));
        List().DeleteItem(row);
        InsertRow(0);
        const UINT state = LVIS_FOCUSED | LVIS_SELECTED;
        List().SetItemState(0, state, state);
    }
}
