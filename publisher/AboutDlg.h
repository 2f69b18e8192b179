// The About box opened from the wizard's system menu: the program's name, version and
// copyright, all in its dialog template.
#pragma once

#include "platform/win/Dialog.h"

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();
};
