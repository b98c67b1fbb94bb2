#include "pages/pageviewdlg.h"

#include <algorithm>

#include "res/dlgtemplate.h"

CPageViewDlg::CPageViewDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_VIEW, parent) {}

void CPageViewDlg::ShowImage(const unsigned char* image) {
    if (image != nullptr) {
        std::copy_n(image, kImageSize, m_image.begin());
    }
}
