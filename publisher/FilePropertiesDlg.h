// The File Properties dialog: the flags of one page entry, and whether to make it the home page.
// The dialog only exchanges its check boxes with its members; the Content page's command copies
// the entry's flags in and, on OK, back out.
#pragma once

#include "platform/win/Dialog.h"

class CFilePropertiesDlg : public CDialog {
  public:
    CFilePropertiesDlg();

    int m_bMakeHomePage = 0;
    int m_bInSequence = 0;  // exchanged with a box that is never shown, so it passes through
    int m_bInProject = 0;
    int m_bInSearch = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
