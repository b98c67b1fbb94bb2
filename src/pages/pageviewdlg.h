#pragma once
// CPageViewDlg: the scene page, template 130. One instance lists the live routing and stores
// it as a scene (SAVE / VIEW), the other previews and recalls stored scenes (LOAD).

#include <array>
#include <cstddef>

#include "appearance/resizabledlg.h"

class CVantelDlg;

class CPageViewDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr std::size_t kImageSize = 508;

    explicit CPageViewDlg(QWidget* parent = nullptr);

    // Takes a whole copy of the 508 image bytes (mark first). GUI thread only.
    void ShowImage(const unsigned char* image);

    // Set by the main dialog before the page is created.
    int m_bLoadMode = 0;
    CVantelDlg* m_pMainDlg = nullptr;
    // The page's copy of the last image it was given.
    std::array<unsigned char, kImageSize> m_image{};
};
