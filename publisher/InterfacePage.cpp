#include "publisher/InterfacePage.h"

#include <commctrl.h>

#include "publisher/resource.h"

CInterfacePage::CInterfacePage(CBookProject& project, Ui& ui)
    : CPropertyPage(IDD_INTERFACE), m_project(project), m_ui(ui) {}

void CInterfacePage::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_SHOW_TOOLBAR, m_project.m_bShowToolbar);
    DDX_Check(pDX, IDC_HOME_BUTTON, m_project.m_bHomeButton);
    DDX_Check(pDX, IDC_PREVNEXT_BUTTONS, m_project.m_bPrevNextButtons);
    DDX_Check(pDX, IDC_HISTORY_BUTTONS, m_project.m_bHistoryButtons);
    DDX_Check(pDX, IDC_COPY_BUTTON, m_project.m_bCopyButton);
    DDX_Check(pDX, IDC_SEARCH_BUTTON, m_project.m_bSearchButton);
    DDX_Check(pDX, IDC_FULLSCREEN_BUTTON, m_project.m_bFullScreenButton);
    DDX_Check(pDX, IDC_FONTSIZE_BUTTON, m_project.m_bFontSizeButton);
    DDX_Check(pDX, IDC_PRINT_BUTTON, m_project.m_bPrintButton);
    DDX_Check(pDX, IDC_ABOUT_BUTTON, m_project.m_bAboutButton);
    DDX_Check(pDX, IDC_EXIT_BUTTON, m_project.m_bExitButton);
    DDX_Check(pDX, IDC_SHOW_ABOUT, m_project.m_bShowAboutAtStart);
    DDX_Check(pDX, IDC_START_MAXIMIZED, m_project.m_bStartMaximized);
    DDX_Check(pDX, IDC_START_FULLSCREEN, m_project.m_bStartFullScreen);
    DDX_Text(pDX, IDC_SPLASH_FILE, m_project.m_strSplashFile);
    DDX_Text(pDX, IDC_ICON_FILE, m_project.m_strIconFile);
}

LRESULT CInterfacePage::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    static const int kHidden[] = {IDC_SPLASH_BROWSE, IDC_ICON_BROWSE,     IDC_COPY_BUTTON,
                                  IDC_SEARCH_BUTTON, IDC_FONTSIZE_BUTTON, IDC_SPLASH_LABEL,
                                  IDC_ICON_LABEL,    IDC_ICON_FILE,       IDC_SPLASH_FILE};
    for (int id : kHidden)
        ::ShowWindow(::GetDlgItem(m_hWnd, id), SW_HIDE);
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
