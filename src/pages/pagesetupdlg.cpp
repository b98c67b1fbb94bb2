#include "pages/pagesetupdlg.h"

#include "res/dlgtemplate.h"

CPageSetupDlg::CPageSetupDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_SETUP, parent) {}
