#include "pages/pageswitchdlg.h"

#include <QEvent>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <string>
#include <string_view>

#include "appearance/errorbox.h"
#include "appearance/trace.h"
#include "controls/rxbutton.h"
#include "controls/setnewdlg.h"
#include "controls/txbutton.h"
#include "controls/wrapbutton.h"
#include "link/devicecommand.h"
#include "link/stateimage.h"
#include "link/vexalib.h"
#include "pages/actionjournal.h"
#include "pages/commandfailure.h"
#include "pages/labeltransfer.h"
#include "pages/lastknownnote.h"
#include "pages/pageowner.h"
#include "pages/switchkeyboard.h"
#include "res/dlgtemplate.h"
#include "settings/buttonlabel.h"
#include "settings/inifile.h"
#include "settings/textcodec.h"

namespace {

// The page's owner, for the handlers that reach its link and settings object.
IPageOwner* g_pSwitchMainDlg = nullptr;

constexpr int kCommandTimeout = 500;
constexpr std::size_t kCommandBufferSize = 4096;
constexpr const char kSectionNumber[] = "NUMBER";

// Offsets of the state image that the page reads.
constexpr std::size_t kInputCountOffset = 5;
constexpr std::size_t kOutputCountOffset = 6;
constexpr std::size_t kPortTableOffset = 7;

bool IsLaidOutCount(int count) {
    return count > 1 && count <= CPageSwitchDlg::kButtonCount;
}

int HoldToGrid(int value) {
    return std::clamp(value, CPageSwitchDlg::kGridMin, CPageSwitchDlg::kGridMax);
}

// A label as the settings file can hold it (see StorableLabel), so the button shows now what
// it shows after a restart.
QString StorableName(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    return QString::fromStdString(vantel::StorableLabel(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

// A stored label: UTF-8; a cut made by another writer may have left the start of a character
// at the end, which is dropped rather than shown as garbage.
QString DecodeName(const std::string& bytes) {
    const std::size_t end = vantel::WithoutCutCharacter(bytes);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(end));
}

// The stored names of every button of a kind, a button without one named by its number.
std::vector<QString> StoredNames(CIniFile& ini, vantel::ButtonKind kind) {
    std::vector<QString> names;
    for (const std::string& bytes :
         vantel::ReadButtonLabels(ini, kind, vantel::UnlabelledAs::kNumber)) {
        names.push_back(DecodeName(bytes));
    }
    return names;
}

// Shows buttons 0..count-1 of a kind and hides (and unticks) the rest.
template <class Button>
void ShowFirstOfKind(const std::array<Button*, CPageSwitchDlg::kButtonSlots>& buttons, int count) {
    if (!IsLaidOutCount(count)) {
        return;  // a count the page cannot lay out leaves the buttons as they are
    }
    for (int i = 0; i < CPageSwitchDlg::kButtonCount; ++i) {
        Button* button = buttons[static_cast<std::size_t>(i)];
        const bool inUse = i < count;
        if (!inUse) {
            button->setChecked(false);
        }
        if (button->isHidden() == inUse) {
            button->setVisible(inUse);
        }
    }
}

// Shows buttons 0..count-1 of a kind, never beyond the buttons that exist; the rest stay as
// they are.
template <class Button>
void ShowFirst(const std::array<Button*, CPageSwitchDlg::kButtonSlots>& buttons, int count) {
    const int n = std::clamp(count, 0, CPageSwitchDlg::kButtonCount);
    for (int i = 0; i < n; ++i) {
        if (Button* button = buttons[static_cast<std::size_t>(i)]; button != nullptr) {
            button->show();
        }
    }
}

template <class Button>
void HideAll(const std::array<Button*, CPageSwitchDlg::kButtonSlots>& buttons) {
    for (Button* button : buttons) {
        if (button != nullptr) {
            button->hide();
        }
    }
}

}  // namespace

CPageSwitchDlg::CPageSwitchDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_SWITCH, parent) {
    m_nSelInput = 0;
}

CPageSwitchDlg::~CPageSwitchDlg() {
    for (int i = 0; i < kButtonCount; ++i) {
        delete m_pRxButtons[i];
        m_pRxButtons[i] = nullptr;
        delete m_pTxButtons[i];
        m_pTxButtons[i] = nullptr;
    }
    if (g_pSwitchMainDlg == m_pMainDlg) {
        g_pSwitchMainDlg = nullptr;
    }
}

bool CPageSwitchDlg::OnInitDialog() {
    // The same file the owner uses; a page without an owner has no settings file.
    m_pIniFile = std::make_unique<CIniFile>(
        m_pMainDlg != nullptr ? m_pMainDlg->SettingsPath().toStdString() : std::string());
    CResizableDlg::OnInitDialog();
    InitSliders();
    m_rcPage = rect();
    CreateLabelButtons();
    m_pLastKnown = new CLastKnownNote(this, CLastKnownNote::Corner::kTopRight);
    m_pLastKnown->Show(m_bLastKnown);
    m_pKeyboard = new CSwitchKeyboard(*this);
    InitResize();
    g_pSwitchMainDlg = m_pMainDlg;
    // Context menu: the labels to and from a CSV file.
    new CLabelTransfer(this, m_pIniFile->m_strPath, [this] { ReloadLabels(); });
    connect(Item<QPushButton>(IDC_OK), &QPushButton::clicked, this, &CPageSwitchDlg::OnBnClickedOk);
    connect(Item<QPushButton>(IDC_ALL), &QPushButton::clicked, this,
            &CPageSwitchDlg::OnBnClickedAll);
    connect(Item<QPushButton>(IDC_CLEAR), &QPushButton::clicked, this,
            &CPageSwitchDlg::OnBnClickedClear);
    return true;
}

void CPageSwitchDlg::InitSliders() {
    m_sliderLine = Item<QSlider>(IDC_SLIDER_LINE);
    m_sliderRow = Item<QSlider>(IDC_SLIDER_ROW);
    // Stored values outside the trackbars' range (0 or negative among them: they divide the
    // layout) are held to it, so the trackbars always show the grid in use.
    m_nLine = HoldToGrid(m_pIniFile->GetInt("LINE", kSectionNumber, kGridDefault));
    m_nRow = HoldToGrid(m_pIniFile->GetInt("ROW", kSectionNumber, kGridDefault));
    for (QSlider* slider : {m_sliderLine, m_sliderRow}) {
        slider->setRange(kGridMin, kGridMax);
        slider->setPageStep(1);
        slider->installEventFilter(this);
    }
    m_sliderRow->setValue(m_nRow);
    m_sliderLine->setValue(m_nLine);
}

void CPageSwitchDlg::CreateLabelButtons() {
    for (int j = 0; j < kButtonCount; ++j) {
        auto* button = new CRxButton(this);
        button->m_nIndex = j;
        button->setObjectName(QString::number(IDC_RX_FIRST + j));
        button->setGeometry(QRect());
        button->hide();
        connect(
            button, &CLabelButton::doubleClicked, this,
            [this, id = IDC_RX_FIRST + j] { OnDoubleClickedLabel(id); }, Qt::QueuedConnection);
        m_pRxButtons[j] = button;
    }
    for (int k = 0; k < kButtonCount; ++k) {
        auto* button = new CTxButton(this);
        button->m_nIndex = k;
        button->setObjectName(QString::number(IDC_TX_FIRST + k));
        button->setGeometry(QRect());
        connect(button, &QPushButton::clicked, this, [this, k] { OnSelectInput(k); });
        connect(
            button, &CLabelButton::doubleClicked, this,
            [this, id = IDC_TX_FIRST + k] { OnDoubleClickedLabel(id); }, Qt::QueuedConnection);
        m_pTxButtons[k] = button;
    }
    TakeStoredNames();
}

QWidget* CPageSwitchDlg::CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) {
    if (ctl.id == IDC_SEL_NAME) {
        // The selected input's name wraps like the label buttons' names.
        auto* button = new CWrapButton(parent);
        button->setAutoDefault(false);
        return button;
    }
    return CResizableDlg::CreateCustomControl(ctl, parent);
}

void CPageSwitchDlg::InitResize() {
    for (int id : {IDC_OK, IDC_ALL, IDC_CLEAR, IDC_SLIDER_LINE, IDC_SLIDER_ROW}) {
        AddAnchor(id, {1, 1}, {1, 1});
    }
    AddAnchor(IDC_SEL_NAME, {0, 1}, {0, 1});
}

int CPageSwitchDlg::InputCount() const {
    return m_image[kInputCountOffset];
}

int CPageSwitchDlg::OutputCount() const {
    return m_image[kOutputCountOffset];
}

int CPageSwitchDlg::OutputsOnPage() const {
    return std::min(OutputCount(), kButtonCount);
}

void CPageSwitchDlg::SetImage(const unsigned char* image) {
    if (image == nullptr) {
        return;
    }
    std::copy_n(image, kImageSize, m_image.begin());
    m_nInputsInUse = InputCount();
    m_nOutputsInUse = OutputCount();
    if (isVisible() && (InputCount() != m_nLaidOutInputs || OutputCount() != m_nLaidOutOutputs)) {
        ArrangeButtons();
    } else {
        // A hidden page is laid out when shown; which buttons exist follows the image now,
        // also after the setup page hid them all.
        ShowButtonsInUse();
    }
}

void CPageSwitchDlg::UseCounts(int inputs, int outputs) {
    m_nInputsInUse = inputs;
    m_nOutputsInUse = outputs;
    ShowButtonsInUse();
}

void CPageSwitchDlg::HideLabelButtons() {
    HideAll(m_pRxButtons);
    HideAll(m_pTxButtons);
}

void CPageSwitchDlg::ShowLabelButtons(int inputs, int outputs) {
    ShowFirst(m_pTxButtons, inputs);
    ShowFirst(m_pRxButtons, outputs);
}

void CPageSwitchDlg::ReloadLabels() {
    TakeStoredNames();
    ArrangeButtons();
}

void CPageSwitchDlg::TakeStoredNames() {
    static_assert(kButtonCount == vantel::kMaxLabelButtons);
    const std::vector<QString> outputNames = StoredNames(*m_pIniFile, vantel::ButtonKind::kOutput);
    const std::vector<QString> inputNames = StoredNames(*m_pIniFile, vantel::ButtonKind::kInput);
    const auto reload = [](CLabelButton* button, const QString& name) {
        button->SetName(name);
        button->setText(button->m_strName);
    };
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        reload(m_pRxButtons[i], outputNames[i]);
        reload(m_pTxButtons[i], inputNames[i]);
    }
}

void CPageSwitchDlg::ShowButtonsInUse() {
    if (m_pRxButtons[0] == nullptr) {
        return;  // not created yet
    }
    ShowFirstOfKind(m_pTxButtons, m_nInputsInUse);
    ShowFirstOfKind(m_pRxButtons, m_nOutputsInUse);
}

void CPageSwitchDlg::ArrangeButtons() {
    if (m_pRxButtons[0] == nullptr) {
        return;  // not created yet
    }
    m_rcPage = rect();
    const int M = InputCount();
    const int N = OutputCount();
    m_nLaidOutInputs = M;
    m_nLaidOutOutputs = N;
    vantel::Trace("........%d\r\n", M);
    if (IsLaidOutCount(N)) {
        for (int j = 0; j < N; ++j) {
            CRxButton* button = m_pRxButtons[j];
            button->setGeometry(button->CalcRect(m_rcPage, m_nLine, m_nRow));
            button->setText(button->m_strName);
        }
    }
    if (IsLaidOutCount(M)) {
        for (int k = 0; k < M; ++k) {
            CTxButton* button = m_pTxButtons[k];
            button->setGeometry(button->CalcRect(m_rcPage, m_nLine, m_nRow));
            button->setText(button->m_strName);
        }
    }
    ShowButtonsInUse();
    if (QWidget* separator = GetDlgItem(IDC_SEPARATOR)) {
        separator->setGeometry(0, m_rcPage.height() / 2 - 10, 2000, 2);
    }
    // The typed route's line leaves the strip's right end to the last-known note.
    const int noteWidth =
        m_pLastKnown == nullptr || m_pLastKnown->isHidden() ? 0 : m_pLastKnown->width();
    m_pKeyboard->Place(m_rcPage.adjusted(0, 0, -noteWidth, 0));
}

void CPageSwitchDlg::ShowLastKnown(bool shown) {
    if (shown == m_bLastKnown) {
        return;  // every live image says "live": no layout for those
    }
    m_bLastKnown = shown;
    if (m_pLastKnown != nullptr) {
        m_pLastKnown->Show(shown);
        ArrangeButtons();
    }
}

void CPageSwitchDlg::showEvent(QShowEvent* event) {
    CResizableDlg::showEvent(event);
    ArrangeButtons();
}

void CPageSwitchDlg::resizeEvent(QResizeEvent* event) {
    CResizableDlg::resizeEvent(event);
    ArrangeButtons();
}

bool CPageSwitchDlg::eventFilter(QObject* watched, QEvent* event) {
    // A trackbar let the mouse go: the grid follows once the trackbar has taken the release,
    // so its final position is read. Keys move the trackbars without changing the grid.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_sliderLine || watched == m_sliderRow)) {
        QMetaObject::invokeMethod(this, &CPageSwitchDlg::OnReleasedCaptureSlider,
                                  Qt::QueuedConnection);
    }
    return CResizableDlg::eventFilter(watched, event);
}

void CPageSwitchDlg::OnSelectInput(int k) {
    if (k < 0 || k >= kButtonCount) {
        return;
    }
    if (auto* name = Item<QPushButton>(IDC_SEL_NAME)) {
        name->setText(m_pTxButtons[k]->text());
    }
    m_nSelInput = k;
    const std::size_t firstSlot = kPortTableOffset + static_cast<std::size_t>(InputCount());
    const int n = OutputsOnPage();
    for (int j = 0; j < n; ++j) {
        m_pRxButtons[j]->setChecked(m_image[firstSlot + static_cast<std::size_t>(j)] == k + 1);
    }
}

void CPageSwitchDlg::OnBnClickedOk() {
    const int n = OutputsOnPage();
    for (int j = 0; j < n; ++j) {
        m_outputChecked[j] = m_pRxButtons[j]->isChecked() ? 1 : 0;
    }
    vantel::Trace("dsgsbr");
    if (g_pSwitchMainDlg == nullptr || g_pSwitchMainDlg->Link().IsOpen() == 0) {
        // Nothing goes out, and the operator who pressed OK is told so.
        ShowErrorBox(this, CommandFailureText(kVexaClosed));
        return;
    }
    if (m_nInputsInUse != InputCount() || m_nOutputsInUse != OutputCount()) {
        // Port numbers counted from the old counts would name other ports on the device.
        ShowErrorBox(this, QStringLiteral("The device's inputs and outputs have changed. Press "
                                          "OK again once the switch page shows them."));
        return;
    }
    const int M = InputCount();
    unsigned char buf[kCommandBufferSize] = {};
    unsigned len = 0;
    buf[len++] = static_cast<unsigned char>(m_nSelInput & 0xFF);
    std::vector<int> outputs;  // from 1, for the journal
    for (int j = 0; j < n; ++j) {
        if (m_outputChecked[j] == 0) {
            continue;
        }
        outputs.push_back(j + 1);
        if (M + j > 0xFF) {
            // A port number beyond one byte would name another port: send nothing.
            ShowErrorBox(this, QStringLiteral("Output port number out of range."));
            return;
        }
        buf[len++] = static_cast<unsigned char>(M + j);
    }
    // Journaled before it goes out, so that undo can take it back.
    const CStateImage live(m_image);
    const std::string settingsFile = g_pSwitchMainDlg->SettingsPath().toStdString();
    std::optional<vantel::JournalEntry> line;
    const QString unjournaled = vantel::JournalAction(
        settingsFile, "route", vantel::SwitchAsSalvo(live, m_nSelInput + 1, outputs), live, line);
    if (!unjournaled.isEmpty()) {
        ShowErrorBox(this, unjournaled);
        return;
    }
    const unsigned result = g_pSwitchMainDlg->Link().Command(
        kSwitch, buf, sizeof buf, static_cast<unsigned char>(len), kCommandTimeout);
    vantel::CloseAction(settingsFile, line, result);
    if (result != 0) {
        ShowErrorBox(this, CommandFailureText(result));
    }
}

void CPageSwitchDlg::SetAllChecks(bool bChecked) {
    const int n = OutputsOnPage();
    for (int j = 0; j < n; ++j) {
        m_pRxButtons[j]->setChecked(bChecked);
    }
}

void CPageSwitchDlg::OnBnClickedAll() {
    SetAllChecks(true);
}

void CPageSwitchDlg::OnBnClickedClear() {
    SetAllChecks(false);
}

void CPageSwitchDlg::OnReleasedCaptureSlider() {
    m_nLine = HoldToGrid(m_sliderLine->value());
    m_nRow = HoldToGrid(m_sliderRow->value());
    if (g_pSwitchMainDlg != nullptr && g_pSwitchMainDlg->Settings() != nullptr) {
        CIniFile& ini = *g_pSwitchMainDlg->Settings();
        ReportUnsaved(ini.SetInt(m_nLine, "LINE", kSectionNumber), ini);
        ReportUnsaved(ini.SetInt(m_nRow, "ROW", kSectionNumber), ini);
    }
    ArrangeButtons();
}

void CPageSwitchDlg::OnDoubleClickedLabel(int id) {
    SetNewDlg dlg(this);
    if (dlg.DoModal() == QDialog::Accepted) {
        RenameButton(id, dlg.m_strNewName);
    }
    ArrangeButtons();
}

void CPageSwitchDlg::RenameButton(int id, QString strName) {
    CLabelButton* button = nullptr;
    if (id >= IDC_RX_FIRST && id < IDC_RX_FIRST + kButtonCount) {
        button = m_pRxButtons[id - IDC_RX_FIRST];
    } else if (id >= IDC_TX_FIRST && id < IDC_TX_FIRST + kButtonCount) {
        button = m_pTxButtons[id - IDC_TX_FIRST];
    }
    if (button == nullptr) {
        return;
    }
    button->SetName(StorableName(std::move(strName)));
    button->setText(button->m_strName);
    ReportUnsaved(m_pIniFile->SetString(button->m_strName.toStdString(), std::to_string(id),
                                        vantel::kLabelSection),
                  *m_pIniFile);
}

void CPageSwitchDlg::ReportUnsaved(int nResult, CIniFile& ini) {
    if (nResult == 0) {
        ShowErrorBox(this,
                     QStringLiteral("can not open %1").arg(QString::fromStdString(ini.m_strPath)));
    }
}
