#pragma once
// CAboutDlg: the About box, template 100, with its single button "确定" (OK), which ends it.

#include "appearance/resizabledlg.h"

class CAboutDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr int IDOK = 1;

    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;
};
