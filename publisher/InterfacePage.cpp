#include "publisher/InterfacePage.h"

#include <commctrl.h>

#include "project/ViewerOptions.h"
#include "publisher/resource.h"

CInterfacePage::CInterfacePage(CBookProject& project, Ui& ui)
    : CPropertyPage(IDD_INTERFACE), m_project(project), m_ui(ui) {}

void CInterfacePage::DoDataExchange(CDataExchange* pDX) {
    for (const ViewerOption& option : kViewerOptions)
        DDX_Check(pDX, option.nControlId, m_project.*option.pField);
    DDX_Text(pDX, IDC_SPLASH_FILE, m_project.m_strSplashFile);
    DDX_Text(pDX, IDC_ICON_FILE, m_project.m_strIconFile);
}

LRESULT CInterfacePage::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    static const int kHidden[] = {IDC_SPLASH_BROWSE, IDC_ICON_BROWSE,     IDC_COPY_BUTTON,
                                  IDC_SEARCH_BUTTON, IDC_FONTSIZE_BUTTON, IDC_SPLASH_LABEL,
                                  IDC_ICON_LABEL,    IDC_ICON_FILE,       IDC_SPLASH_FILE};
    for (int id : kHidden)
        ShowItem(id, false);
    return CPropertyPage::OnSetActive();
}

LRESULT CInterfacePage::StoreAndMove() {
    UpdateData(true);
    return 0;
}

LRESULT CInterfacePage::OnWizardBack() {
    return StoreAndMove();
}

LRESULT CInterfacePage::OnWizardNext() {
    return StoreAndMove();
}

bool CInterfacePage::OnCommand(WORD id, WORD code, HWND hCtl) {
    if (code == BN_CLICKED && id == IDC_SPLASH_BROWSE) {
        OnChooseSplash();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_ICON_BROWSE) {
        OnChooseIcon();
        return true;
    }
    return CPropertyPage::OnCommand(id, code, hCtl);
}

void CInterfacePage::ChooseFile(const char* pszPattern, const char* pszDefExt,
                                const char* pszFilter, std::string* pField, std::string* pLast) {
    UpdateData(true);  // ticks made so far are kept
    FileDialogSpec spec;
    spec.bSave = false;
    spec.strFilter = pszFilter;
    spec.strDefExt = pszDefExt;
    spec.strInitialName = pLast->empty() ? std::string(pszPattern) : *pLast;
    spec.uFlags = kOfnHideReadOnly | kOfnPathMustExist | kOfnFileMustExist;
    std::string chosen;
    if (!m_ui.FileDialog(spec, &chosen))
        return;
    *pField = chosen;
    *pLast = chosen;
    UpdateData(false);
}

void CInterfacePage::OnChooseSplash() {
    ChooseFile("*.bmp", "bmp", "Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*||",
               &m_project.m_strSplashFile, &m_project.m_strLastSplash);
}

void CInterfacePage::OnChooseIcon() {
    ChooseFile("*.ico", "ico", "Icon Files (*.ico)|*.ico|All Files (*.*)|*.*||",
               &m_project.m_strIconFile, &m_project.m_strLastIcon);
}
