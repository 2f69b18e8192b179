#include "publisher/AboutDlg.h"

#include "publisher/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
