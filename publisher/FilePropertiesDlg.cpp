#include "publisher/FilePropertiesDlg.h"

#include "publisher/resource.h"

CFilePropertiesDlg::CFilePropertiesDlg() : CDialog(IDD_FILE_PROPERTIES) {}

void CFilePropertiesDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_MAKE_HOME_PAGE, m_bMakeHomePage);
    DDX_Check(pDX, IDC_IN_PROJECT, m_bInProject);
    DDX_Check(pDX, IDC_IN_SEQUENCE, m_bInSequence);
    DDX_Check(pDX, IDC_IN_SEARCH, m_bInSearch);
}
