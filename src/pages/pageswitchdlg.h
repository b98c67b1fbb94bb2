#pragma once
// CPageSwitchDlg: the switch page (template 131). One label button per input in the upper half
// and one per output in the lower half; the operator clicks an input, ticks the outputs it is
// to feed and presses "OK", which sends the switch command. Two trackbars set the grid's
// columns ("LINE") and rows per half ("ROW"); double-clicking a label button renames it.
//
// The layout runs when the page is shown or resized, after an image with other counts, after a
// rename and after a grid change; never from a paint event.

#include <QRect>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>

#include "appearance/resizabledlg.h"

class CIniFile;
class CLastKnownNote;
class IPageOwner;
class CRxButton;
class CSwitchKeyboard;
class CTxButton;
class QSlider;

class CPageSwitchDlg : public CResizableDlg {
    Q_OBJECT
    // Routes typed on the keyboard, shown and taken through the page's own controls.
    friend class CSwitchKeyboard;

public:
    static constexpr std::size_t kImageSize = 508;
    // Label buttons of each kind that exist; room for 200 pointers of each is kept.
    static constexpr int kButtonCount = 72;
    static constexpr int kButtonSlots = 200;

    static constexpr int IDC_OK = 1018;
    static constexpr int IDC_ALL = 1158;
    static constexpr int IDC_CLEAR = 1159;
    static constexpr int IDC_SEL_NAME = 1151;
    static constexpr int IDC_SEPARATOR = 1160;
    static constexpr int IDC_SLIDER_LINE = 1164;
    static constexpr int IDC_SLIDER_ROW = 1165;
    static constexpr int IDC_RX_FIRST = 2500;  // output button j: 2500 + j
    static constexpr int IDC_TX_FIRST = 3000;  // input button k: 3000 + k

    // Range of both trackbars; stored grid values are held to it.
    static constexpr int kGridMin = 6;
    static constexpr int kGridMax = 16;
    static constexpr int kGridDefault = 12;

    explicit CPageSwitchDlg(QWidget* parent = nullptr);
    ~CPageSwitchDlg() override;

    // Takes a whole copy of the 508 image bytes (mark first) and nothing else: checks stay as
    // they are. GUI thread only (the status monitor hands copies over queued). New counts take
    // effect at the next layout, which follows at once while the page is visible.
    void SetImage(const unsigned char* image);
    // Places the output buttons (shown) and the input buttons of the current counts on the
    // grid of m_nLine columns and m_nRow rows per half, and the separator at half height.
    void ArrangeButtons();
    // Gives label button id (2500 + j or 3000 + k) the name and stores it in section "BUTTON".
    void RenameButton(int id, QString strName);
    // The device now has these counts (its setup block says so): the buttons beyond them are
    // hidden at once, and until an image with these counts arrives "OK" sends nothing, since
    // the port numbers it sends are counted from the image's counts.
    void UseCounts(int inputs, int outputs);
    // Hides every label button (the setup page does while it loads the device's setup block).
    void HideLabelButtons();
    // Shows input buttons 0..inputs-1 and output buttons 0..outputs-1, at most as many as
    // exist; the others stay as they are.
    void ShowLabelButtons(int inputs, int outputs);
    // Reads every label button's name from the settings file again (the labels were changed
    // there, e.g. by an import from the context menu).
    void ReloadLabels();
    // Marks the page's routing as the one last known, not the live one (or takes the mark
    // away); kept for a page not created yet.
    void ShowLastKnown(bool shown);

    // Check states captured by "OK", one per output; the first 72 are used.
    std::array<int, kButtonSlots> m_outputChecked{};
    // 0-based index of the selected input.
    int m_nSelInput = 0;
    // The page's copy of the last state image; all zero until the first hand-over.
    std::array<unsigned char, kImageSize> m_image{};
    // The page's owner, set before the page is created.
    IPageOwner* m_pMainDlg = nullptr;
    // The label buttons, owned by the page; the first 72 of each exist once the page is
    // created. The setup page hides and shows them.
    std::array<CRxButton*, kButtonSlots> m_pRxButtons{};
    std::array<CTxButton*, kButtonSlots> m_pTxButtons{};
    // The page's rectangle, taken anew at every layout.
    QRect m_rcPage;
    // Rows per grid half and columns per grid, always within the trackbars' range.
    int m_nRow = kGridDefault;
    int m_nLine = kGridDefault;
    // The page's own settings object on its owner's setup.ini, made when the page is created.
    std::unique_ptr<CIniFile> m_pIniFile;
    QSlider* m_sliderLine = nullptr;
    QSlider* m_sliderRow = nullptr;

protected:
    bool OnInitDialog() override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) override;

private:
    void InitSliders();
    void CreateLabelButtons();
    // Every label button takes its name from the settings file (its number when none).
    void TakeStoredNames();
    void InitResize();

    void OnSelectInput(int k);
    void OnBnClickedOk();
    void OnBnClickedAll();
    void OnBnClickedClear();
    void OnReleasedCaptureSlider();
    void OnDoubleClickedLabel(int id);

    int InputCount() const;
    int OutputCount() const;
    // Outputs that have a button: the output count, at most 72.
    int OutputsOnPage() const;
    // Shows the label buttons of the counts in use and hides (and unticks) the others, so no
    // button of a port the device does not have can be reached, by mouse or by Tab.
    void ShowButtonsInUse();
    void SetAllChecks(bool bChecked);
    // Shows an error when a write to ini failed (nResult 0), so a lost setting is never silent.
    void ReportUnsaved(int nResult, CIniFile& ini);

    // The counts of the last layout, to lay out again when an image brings others.
    int m_nLaidOutInputs = -1;
    int m_nLaidOutOutputs = -1;
    // The counts whose buttons are shown: the image's, or newer ones from the device's setup.
    int m_nInputsInUse = 0;
    int m_nOutputsInUse = 0;
    // Keyboard routing; a child of the page, made once the controls exist.
    CSwitchKeyboard* m_pKeyboard = nullptr;
    bool m_bLastKnown = false;
    CLastKnownNote* m_pLastKnown = nullptr;
};
