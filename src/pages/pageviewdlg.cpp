#include "pages/pageviewdlg.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <iterator>
#include <span>

#include "appearance/errorbox.h"
#include "appearance/trace.h"
#include "link/devicecommand.h"
#include "link/stateimage.h"
#include "link/vexalib.h"
#include "pages/actionjournal.h"
#include "pages/commandfailure.h"
#include "pages/lastknownnote.h"
#include "pages/pageowner.h"
#include "res/dlgtemplate.h"

// The owner, shared by both scene pages; set when a page is created.
IPageOwner* g_pViewMainDlg = nullptr;

namespace {

constexpr int kCommandTimeout = 500;
constexpr std::size_t kCommandBufferSize = 4096;

struct Column {
    const char* heading;
    Qt::Alignment alignment;
    int width;  // pixels
};

// "*" (always empty), "IN" (the input number), "OUT" (the outputs that input feeds).
constexpr Column kColumns[] = {
    {"*", Qt::AlignHCenter, 30},
    {"IN", Qt::AlignHCenter, 60},
    {"OUT", Qt::AlignLeft, 1000},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

// Sets the text of a cell, creating its item the first time so later rebuilds only change
// texts.
void SetCell(QTableWidget& list, int row, int column, const QString& text) {
    QTableWidgetItem* item = list.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setTextAlignment(kColumns[column].alignment | Qt::AlignVCenter);
        list.setItem(row, column, item);
    }
    if (item->text() != text) {
        item->setText(text);
    }
}

}  // namespace

CPageViewDlg::CPageViewDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_VIEW, parent) {
    m_timerHoldStart.setSingleShot(true);
    m_timerHoldEnd.setSingleShot(true);
    // A coarse timer may end the hold up to 5 % early.
    m_timerHoldEnd.setTimerType(Qt::PreciseTimer);
    connect(&m_timerHoldStart, &QTimer::timeout, this, [this] { OnTimer(kTimerHoldStart); });
    connect(&m_timerHoldEnd, &QTimer::timeout, this, [this] { OnTimer(kTimerHoldEnd); });
}

CPageViewDlg::~CPageViewDlg() {
    if (g_pViewMainDlg == m_pMainDlg) {
        g_pViewMainDlg = nullptr;
    }
}

bool CPageViewDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    // The list stretches with the page; the buttons keep their distance from its right edge.
    AddAnchor(IDC_LIST, {0, 0}, {1, 1});
    for (int id = IDC_SCENE_FIRST; id <= IDC_ACTION; ++id) {
        AddAnchor(id, {1, 0}, {1, 0});
    }
    g_pViewMainDlg = m_pMainDlg;
    InitList();
    if (auto* action = Item<QPushButton>(IDC_ACTION)) {
        const QString caption = m_bLoadMode != 0 ? QStringLiteral("LOAD") : QStringLiteral("SAVE");
        action->setText(caption);
        action->setAccessibleName(caption);
    }
    BindButtons();
    return true;
}

void CPageViewDlg::InitList() {
    m_list = Item<QTableWidget>(IDC_LIST);
    if (m_list == nullptr) {
        return;
    }
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setColumnCount(kColumnCount);
    // The narrow "*" column is narrower than the header's default minimum.
    m_list->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < kColumnCount; ++c) {
        auto* heading = new QTableWidgetItem(QString::fromLatin1(kColumns[c].heading));
        heading->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        m_list->setHorizontalHeaderItem(c, heading);
        m_list->setColumnWidth(c, kColumns[c].width);
    }
    m_list->setAccessibleName(QStringLiteral("Routing"));
    m_pLastKnown = new CLastKnownNote(m_list, CLastKnownNote::Corner::kBottomRight);
    m_pLastKnown->Show(m_bLastKnown);
}

void CPageViewDlg::ShowLastKnown(bool shown) {
    m_bLastKnown = shown;
    if (m_pLastKnown != nullptr) {
        m_pLastKnown->Show(shown);
    }
}

void CPageViewDlg::BindButtons() {
    for (int id = IDC_SCENE_FIRST; id <= IDC_SCENE_LAST; ++id) {
        if (auto* scene = Item<QAbstractButton>(id)) {
            connect(scene, &QAbstractButton::clicked, this, &CPageViewDlg::OnSelectScene);
        }
    }
    if (auto* action = Item<QAbstractButton>(IDC_ACTION)) {
        connect(action, &QAbstractButton::clicked, this, &CPageViewDlg::OnBnClickedAction);
    }
}

void CPageViewDlg::ShowImage(const unsigned char* image) {
    if (image == nullptr) {
        return;
    }
    std::copy_n(image, kImageSize, m_image.begin());
    if (m_list == nullptr) {
        return;  // not created yet: the copy is kept, the list is built by the next image
    }
    const std::vector<CStateImage::ListRow> rows = CStateImage(m_image).RoutingList();
    // One repaint for the whole rebuild instead of one per cell.
    const bool updates = m_list->updatesEnabled();
    m_list->setUpdatesEnabled(false);
    m_list->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const CStateImage::ListRow& row = rows[static_cast<std::size_t>(r)];
        SetCell(*m_list, r, 0, QString());
        SetCell(*m_list, r, 1, QString::fromStdString(row.in));
        SetCell(*m_list, r, 2, QString::fromStdString(row.out));
    }
    m_list->setUpdatesEnabled(updates);
}

void CPageViewDlg::OnSelectScene() {
    const int scene = SelectedSceneButton();
    if (scene >= 0) {
        m_nScene = scene;
    }
    if (m_bLoadMode == 0) {
        return;
    }
    if (!LinkOpen()) {
        // The scene shown as selected is not the one the list would otherwise still show.
        ShowNoRouting();
        return;
    }
    PreviewScene();
}

int CPageViewDlg::SelectedSceneButton() const {
    // The first scene button that is set; without one, the first that is pressed or has the
    // focus. A set button wins over a focused one, so a click that did not move the focus
    // (keyboard, accessibility tools) still selects the scene that shows as set.
    int pressed = -1;
    for (int id = IDC_SCENE_FIRST; id <= IDC_SCENE_LAST; ++id) {
        const auto* scene = Item<QAbstractButton>(id);
        if (scene == nullptr) {
            continue;
        }
        if (scene->isChecked()) {
            return id - IDC_SCENE_FIRST;
        }
        if (pressed < 0 && (scene->isDown() || scene->hasFocus())) {
            pressed = id - IDC_SCENE_FIRST;
        }
    }
    return pressed;
}

void CPageViewDlg::PreviewScene() {
    // A fresh buffer for every request: a reply that never came leaves no mark behind.
    std::array<unsigned char, kCommandBufferSize> buf{};
    buf[0] = static_cast<unsigned char>(m_nScene & 0xFF);
    const unsigned result =
        m_pMainDlg->Link().Command(kReadImage, buf.data(), buf.size(), 1, kCommandTimeout);
    vantel::Trace("scene %d preview: result %u", m_nScene, result);
    const CStateImage image(std::span<const std::uint8_t>(buf.data() + 1, kImageSize));
    if (result != kVexaOk || !image.HasMark()) {
        ShowNoRouting();
        return;
    }
    ShowImage(image.Data());
}

void CPageViewDlg::ShowNoRouting() {
    // An image without counts: the single row "00" with no output.
    CStateImage none;
    none.ClearCounts();
    ShowImage(none.Data());
}

void CPageViewDlg::OnBnClickedAction() {
    if (m_nScene < 0) {
        return;
    }
    m_timerHoldStart.start(0);
    const auto scene = static_cast<unsigned char>(m_nScene & 0xFF);
    if (m_bLoadMode == 0) {
        // Scene 0 is the live routing itself: there is nothing to store it into.
        if (m_nScene < 1) {
            return;
        }
        SendSceneCommand(kSaveScene, scene, 0);
    } else {
        LoadJournaled(scene);
    }
}

unsigned CPageViewDlg::SendSceneCommand(unsigned char cmd, unsigned char first,
                                        unsigned char second) {
    if (!LinkOpen()) {
        // Nothing goes out, and the operator who pressed the button is told so.
        ShowErrorBox(this, CommandFailureText(kVexaClosed));
        return kVexaClosed;
    }
    std::array<unsigned char, kCommandBufferSize> buf{};
    buf[0] = first;
    buf[1] = second;
    const unsigned result =
        m_pMainDlg->Link().Command(cmd, buf.data(), buf.size(), 2, kCommandTimeout);
    if (result != kVexaOk) {
        ShowErrorBox(this, CommandFailureText(result));
    }
    return result;
}

void CPageViewDlg::OnTimer(int nIDEvent) {
    QWidget* action = GetDlgItem(IDC_ACTION);
    if (nIDEvent == kTimerHoldStart) {
        m_timerHoldEnd.start(kActionHoldMs);
        if (action != nullptr) {
            action->setEnabled(false);
        }
        m_timerHoldStart.stop();
    } else if (nIDEvent == kTimerHoldEnd) {
        if (action != nullptr) {
            action->setEnabled(true);
        }
        m_timerHoldEnd.stop();
    }
}

void CPageViewDlg::LoadJournaled(unsigned char scene) {
    if (!LinkOpen()) {
        SendSceneCommand(kLoadScene, 0, scene);  // nothing goes out, which it reports
        return;
    }
    const std::string settingsFile = m_pMainDlg->SettingsPath().toStdString();
    std::optional<vantel::JournalEntry> line;
    const QString unjournaled =
        vantel::JournalSceneLoad(m_pMainDlg->Link(), settingsFile, m_nScene, line);
    if (!unjournaled.isEmpty()) {
        ShowErrorBox(this, unjournaled);
        return;
    }
    vantel::CloseAction(settingsFile, line, SendSceneCommand(kLoadScene, 0, scene));
}

bool CPageViewDlg::LinkOpen() const {
    return m_pMainDlg != nullptr && m_pMainDlg->Link().IsOpen() != 0;
}
