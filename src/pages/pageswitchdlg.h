#pragma once
// CPageSwitchDlg: the switch page, template 131: input and output label buttons, routing.

#include <array>
#include <cstddef>

#include "appearance/resizabledlg.h"

class CVantelDlg;

class CPageSwitchDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr std::size_t kImageSize = 508;

    explicit CPageSwitchDlg(QWidget* parent = nullptr);

    // Takes a whole copy of the 508 image bytes (mark first). GUI thread only.
    void SetImage(const unsigned char* image);

    // Set by the main dialog before the page is created.
    CVantelDlg* m_pMainDlg = nullptr;
    // The page's copy of the live state image.
    std::array<unsigned char, kImageSize> m_image{};
};
