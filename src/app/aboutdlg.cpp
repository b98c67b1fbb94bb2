#include "app/aboutdlg.h"

#include <QAbstractButton>

#include "res/dlgtemplate.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CResizableDlg(IDD_ABOUTBOX, parent) {}

bool CAboutDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    // The OK command ends the box, as a dialog's default OK handling does.
    if (auto* ok = Item<QAbstractButton>(IDOK)) {
        connect(ok, &QAbstractButton::clicked, this, &CAboutDlg::accept);
    }
    return true;
}
