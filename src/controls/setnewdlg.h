#pragma once
// SetNewDlg: the modal "INPUT YOUR NAME" dialog (template 103) in which the operator types a
// new label. "save" (and Enter) ends it with OK and the edit's text in m_strNewName; "cancel"
// (and Escape) ends it with cancel and leaves m_strNewName alone. The edit starts empty and
// any text, the empty one included, is accepted.

#include <QString>

#include "appearance/resizabledlg.h"

class SetNewDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr int IDC_NEW_NAME = 1157;
    static constexpr int IDC_SAVE = 1151;
    static constexpr int IDC_CANCEL = 1152;

    explicit SetNewDlg(QWidget* pParent = nullptr);
    ~SetNewDlg() override;

    QString m_strNewName;

protected:
    bool OnInitDialog() override;

private:
    void OnBnClickedSave();
    void OnBnClickedCancel();
};
