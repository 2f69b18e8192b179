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

HWND CContentPage::List() const {
    return ::GetDlgItem(m_hWnd, IDC_PAGE_LIST);
}

LRESULT CContentPage::OnSetActive() {
    if (!m_bColumnsInserted) {
        // The two columns share the list's width: 15 and 4 twentieths of it.
        RECT rc;
        ::GetWindowRect(List(), &rc);
        const int unit = (rc.right - rc.left) / 20;
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_CENTER;
        char file[] = "File";
        col.pszText = file;
        col.cx = 15 * unit;
        col.iSubItem = 0;
        ::SendMessageA(List(), LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
        char included[] = "Included";
        col.pszText = included;
        col.cx = 4 * unit;
        col.iSubItem = 1;
        ::SendMessageA(List(), LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&col));
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
    const UINT selected = static_cast<UINT>(::SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0));
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
        ::SendMessageA(m_page.List(), WM_SETREDRAW, FALSE, 0);
    }
    ~CListBatch() {
        if (!m_bOuter)
            return;
        ::SendMessageA(m_page.List(), WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(m_page.List(), nullptr, TRUE);
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
    std::string file = GetRowText(elem, 0);
    std::string included = GetRowText(elem, 1);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = &file[0];
    ::SendMessageA(List(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = &included[0];
    ::SendMessageA(List(), LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
}

void CContentPage::SetRowTexts(size_t row) {
    const CPieceElem& elem = *m_project.m_arrPages[row];
    std::string file = GetRowText(elem, 0);
    std::string included = GetRowText(elem, 1);
    ListView_SetItemText(List(), static_cast<int>(row), 0, &file[0]);
    ListView_SetItemText(List(), static_cast<int>(row), 1, &included[0]);
}

void CContentPage::FillList() {
    CListBatch batch(*this);
    ::SendMessageA(List(), LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageA(List(), LVM_SETITEMCOUNT, m_project.m_arrPages.size(), 0);
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
    const int rows = static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    std::vector<bool> selected(static_cast<size_t>(rows < 0 ? 0 : rows));
    // The list's own search visits the selected rows only: one message per selected row rather
    // than one per row.
    for (int row = ListView_GetNextItem(List(), -1, LVNI_SELECTED); row >= 0 && row < rows;
         row = ListView_GetNextItem(List(), row, LVNI_SELECTED))
        selected[static_cast<size_t>(row)] = true;
    return selected;
}

// Only the selected state is set; the focus stays where it was.
void CContentPage::SetSelectedRows(const std::vector<bool>& selected) {
    CListBatch batch(*this);
    for (size_t row = 0; row < selected.size(); ++row)
        ListView_SetItemState(List(), static_cast<int>(row), selected[row] ? LVIS_SELECTED : 0,
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
            ListView_SetItemState(List(), static_cast<int>(row), selected[row] ? LVIS_SELECTED : 0,
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
    const int row = static_cast<int>(ListView_GetNextItem(List(), -1, LVNI_FOCUSED));
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
    std::string included = GetRowText(elem, 1);
    ListView_SetItemText(List(), row, 1, &included[0]);
    if (dlg.m_bMakeHomePage) {
        MoveToFront(m_project, static_cast<size_t>(row));
        ::SendMessageA(List(), LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        InsertRow(0);
        const UINT state = LVIS_FOCUSED | LVIS_SELECTED;
        ListView_SetItemState(List(), 0, state, state);
    }
}
