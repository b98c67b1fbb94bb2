#pragma once
// CPageSetupDlg: the setup page, template 133: the device's own settings and the connection.

#include "appearance/resizabledlg.h"

class CVantelDlg;

class CPageSetupDlg : public CResizableDlg {
    Q_OBJECT
public:
    explicit CPageSetupDlg(QWidget* parent = nullptr);

    // Set by the main dialog before the page is created.
    CVantelDlg* m_pMainDlg = nullptr;
};
