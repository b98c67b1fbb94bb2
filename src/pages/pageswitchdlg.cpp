#include "pages/pageswitchdlg.h"

#include <algorithm>

#include "res/dlgtemplate.h"

CPageSwitchDlg::CPageSwitchDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_SWITCH, parent) {}

void CPageSwitchDlg::SetImage(const unsigned char* image) {
    if (image != nullptr) {
        std::copy_n(image, kImageSize, m_image.begin());
    }
}
