#include "controls/setnewdlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "res/dlgtemplate.h"

SetNewDlg::SetNewDlg(QWidget* pParent) : CResizableDlg(IDD_SETNEW, pParent) {}

SetNewDlg::~SetNewDlg() = default;

bool SetNewDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    if (auto* edit = Item<QLineEdit>(IDC_NEW_NAME)) {
        // As long as the edit allows; nothing is cut or refused here.
        edit->setMaxLength(32767);
        edit->clear();
        edit->setFocus();
    }
    if (auto* save = Item<QPushButton>(IDC_SAVE)) {
        connect(save, &QPushButton::clicked, this, &SetNewDlg::OnBnClickedSave);
    }
    if (auto* cancel = Item<QPushButton>(IDC_CANCEL)) {
        connect(cancel, &QPushButton::clicked, this, &SetNewDlg::OnBnClickedCancel);
    }
    return true;
}

void SetNewDlg::OnBnClickedSave() {
    if (auto* edit = Item<QLineEdit>(IDC_NEW_NAME)) {
        m_strNewName = edit->text();
    }
    accept();
}

void SetNewDlg::OnBnClickedCancel() {
    reject();
}
