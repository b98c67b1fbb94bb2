#include "app/vanteldlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "app/aboutdlg.h"
#include "app/apppaths.h"
#include "app/pollrhythm.h"
#include "app/vantel.h"
#include "appearance/errorbox.h"
#include "appearance/skintabctrl.h"
#include "link/devicecommand.h"
#include "link/mark.h"
#include "link/stateimage.h"
#include "res/resources.h"
#include "routing/lastknownimage.h"

StateImageCopy g_LastImage{};

namespace {

// Lamp colours and lights.
constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kLit = 0;
constexpr int kDim = 1;

constexpr int kCommandTimeout = 500;
constexpr std::size_t kCommandBufferSize = 4096;
constexpr auto kPassSleep = std::chrono::milliseconds(10);
constexpr unsigned kCloseTimeout = 100;
constexpr unsigned kDestroyTimeout = 1000;
// Connection texts go into buffers of this many characters, terminator included.
constexpr std::size_t kPortTextSize = 512;
constexpr int kMinTabWidth = 100;

struct TabEntry {
    const char* text;
    int image;
};
constexpr TabEntry kTabs[] = {
    {"LOAD", 1}, {"SWITCH", 2}, {"SAVE / VIEW", 0}, {"SET", 3}, {"SALVO", 4},
};
constexpr int kSalvoTab = 4;

}  // namespace

CVantelDlg::CVantelDlg(QWidget* pParent) : CResizableDlg(IDD_VANTEL_DIALOG, pParent) {
    m_hIcon = LoadAppIcon();
}

CVantelDlg::~CVantelDlg() {
    // The worker uses the link, the pages and the lamps: it ends before any of them does.
    CloseAllThread(kDestroyTimeout);
}

QWidget* CVantelDlg::CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) {
    CLedRect* led = nullptr;
    switch (ctl.id) {
        case IDC_LED_STATUS:
            led = &m_ledStatus;
            break;
        case IDC_LED_RESPOND:
            led = &m_ledRespond;
            break;
        case IDC_LED_COMMAND:
            led = &m_ledCommand;
            break;
        case IDC_LED_CONNECT:
            led = &m_ledConnect;
            break;
        default:
            return CResizableDlg::CreateCustomControl(ctl, parent);
    }
    led->setParent(parent);
    return led;
}

bool CVantelDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    m_stcPort = Item<QLabel>(IDC_PORT);
    m_stcLastKnown = Item<QLabel>(IDC_LAST_KNOWN);
    m_tab = Item<CSkinTabCtrl>(IDC_TAB);

    AddAboutEntry();
    setWindowIcon(m_hIcon);
    InitResize();

    m_strSettingsPath = vantel::SettingsFilePath(
        g_strAppPath, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    m_pIniFile = std::make_unique<CIniFile>(m_strSettingsPath.toStdString());
    // The link reads its "ports" and "port" keys from the same file.
    m_link.SetSettingsFile(m_strSettingsPath.toStdString());
    m_strLastKnownPath =
        vantel::LastKnownFileBeside(QFile::encodeName(m_strSettingsPath).toStdString()).string();

    InitTabs();
    CreatePages();
    InitUndo();
    SetMinimumFromPages();
    InitLamps();
    ShowLastKnownImage();
    Connect();
    RunInThread(&CVantelDlg::PollThreadProc);
    return true;
}

void CVantelDlg::AddAboutEntry() {
    // The window system gives the program no system menu: the entry lives in the window's
    // context menu and on F1.
    const QString text = LoadResString(IDS_ABOUTBOX);
    if (text.isEmpty()) {
        return;
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    auto* about = new QAction(text, this);
    about->setObjectName(QStringLiteral("IDM_ABOUTBOX"));
    about->setShortcut(QKeySequence::HelpContents);
    about->setShortcutContext(Qt::WindowShortcut);
    connect(about, &QAction::triggered, this, &CVantelDlg::OnAboutBox);
    addAction(separator);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CVantelDlg::OnAboutBox() {
    CAboutDlg about(this);
    about.DoModal();
}

void CVantelDlg::InitResize() {
    AddAnchor(IDC_TAB, {0, 0}, {1, 1});
    AddAnchor(IDC_LAST_KNOWN, {0, 1}, {0, 1});
    for (int id : {IDC_PORT, IDC_LED_CONNECT, IDC_LED_COMMAND, IDC_LED_RESPOND, IDC_LED_STATUS}) {
        AddAnchor(id, {1, 1}, {1, 1});
    }
}

void CVantelDlg::InitTabs() {
    m_imageList = LoadTabImages();
    if (m_tab == nullptr) {
        return;
    }
    m_tab->SetMinTabWidth(kMinTabWidth);
    m_tab->SetImageList(m_imageList);
    int index = 0;
    for (const TabEntry& tab : kTabs) {
        m_tab->InsertItem(index++, QString::fromUtf8(tab.text), tab.image);
    }
    connect(m_tab, &CSkinTabCtrl::selChange, this, &CVantelDlg::OnTcnSelchangeTab);
}

void CVantelDlg::CreatePages() {
    m_pageView.m_bLoadMode = 0;
    m_pageLoad.m_bLoadMode = 1;
    m_pageView.m_pMainDlg = this;
    m_pageLoad.m_pMainDlg = this;
    m_pageSwitch.m_pMainDlg = this;
    m_pageSetup.m_pMainDlg = this;
    m_pageSalvo.m_pMainDlg = this;
    if (m_tab != nullptr) {
        m_tab->SetCurSel(0);
    }
    CreatePage(m_pageLoad);
}

void CVantelDlg::CreatePage(CResizableDlg& page) {
    if (page.IsCreated()) {
        return;
    }
    page.Create(m_tab);
    if (m_tab != nullptr) {
        page.setGeometry(m_tab->GetPageArea());
    }
    const bool inView = m_tab != nullptr && PageOfTab(m_tab->GetCurSel()) == &page;
    page.setVisible(inView);
    page.setEnabled(true);
}

void CVantelDlg::CreateRemainingPages() {
    for (CResizableDlg* page : AllPages()) {
        CreatePage(*page);
    }
    if (m_knownAtStart) {
        const CStateImage known = *std::exchange(m_knownAtStart, std::nullopt);
        GiveImageToPages(known.Data());
    }
}

CResizableDlg* CVantelDlg::PageOfTab(int index) {
    // Pages by tab index: LOAD, SWITCH, SAVE / VIEW, SET, SALVO.
    const std::array<CResizableDlg*, 5> byTab = {&m_pageLoad, &m_pageSwitch, &m_pageView,
                                                 &m_pageSetup, &m_pageSalvo};
    return index >= 0 && index < static_cast<int>(byTab.size())
               ? byTab[static_cast<std::size_t>(index)]
               : nullptr;
}

void CVantelDlg::paintEvent(QPaintEvent* event) {
    CResizableDlg::paintEvent(event);
    if (!m_bRestRequested) {
        // Once this paint pass, the pages' included, has run.
        m_bRestRequested = true;
        QTimer::singleShot(0, this, &CVantelDlg::CreateRemainingPages);
    }
}

void CVantelDlg::HideLabelButtons() {
    CreatePage(m_pageSwitch);
    m_pageSwitch.HideLabelButtons();
}

void CVantelDlg::ShowLabelButtons(int inputs, int outputs) {
    CreatePage(m_pageSwitch);
    m_pageSwitch.ShowLabelButtons(inputs, outputs);
}

void CVantelDlg::UseCounts(int inputs, int outputs) {
    CreatePage(m_pageSwitch);
    m_pageSwitch.UseCounts(inputs, outputs);
}

void CVantelDlg::InitUndo() {
    // Ctrl+Z works on every tab: its action sits on the tab control, which is always shown
    // and, unlike the window, lends its actions to no context menu. The menus get the undo
    // that asks first, below a separator after the About entry, so that a slip onto the first
    // entry never reverses the live routing.
    if (m_tab != nullptr) {
        m_tab->addAction(m_pageSalvo.UndoAction());
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    addAction(m_pageSalvo.UndoAskAction());
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // The SALVO tab then shows what the undo did.
    connect(&m_pageSalvo, &CPageSalvoDlg::undoReported, this, [this] {
        if (m_tab != nullptr && m_tab->GetCurSel() != kSalvoTab) {
            m_tab->SetCurSel(kSalvoTab);
            OnTcnSelchangeTab(kSalvoTab);
        }
    });
}

void CVantelDlg::InitLamps() {
    m_ledConnect.SetLed(kGreen, kDim);
    m_ledCommand.SetLed(kGreen, kDim);
    m_ledRespond.SetLed(kGreen, kDim);
    m_ledStatus.SetLed(kRed, kLit);
    m_ledConnect.SetText(QStringLiteral("Connect"));
    m_ledCommand.SetText(QStringLiteral("Command"));
    m_ledRespond.SetText(QStringLiteral("Respond"));
    m_ledStatus.SetText(QStringLiteral("Status"));
}

std::array<CResizableDlg*, 5> CVantelDlg::AllPages() {
    return {&m_pageView, &m_pageLoad, &m_pageSwitch, &m_pageSetup, &m_pageSalvo};
}

void CVantelDlg::OnTcnSelchangeTab(int /*index*/) {
    for (CResizableDlg* page : AllPages()) {
        page->hide();
    }
    if (CResizableDlg* page = PageOfTab(m_tab->GetCurSel())) {
        CreatePage(*page);
        page->show();
        page->setEnabled(true);
    }
}

void CVantelDlg::resizeEvent(QResizeEvent* event) {
    CResizableDlg::resizeEvent(event);
    if (m_tab != nullptr) {
        PlacePages();
    }
}

void CVantelDlg::SetMinimumFromPages() {
    if (m_tab == nullptr) {
        return;
    }
    // The page area grows and shrinks with the window one to one.
    QSize room = m_tab->GetPageArea().size();
    QSize need(0, 0);
    for (CResizableDlg* page : AllPages()) {
        if (const DlgTemplate* t = page->Template()) {
            need = need.expandedTo(page->DluRect(0, 0, t->cx, t->cy).size());
        }
    }
    const QSize spare = (room - need).expandedTo(QSize(0, 0));
    setMinimumSize(size() - spare);
}

void CVantelDlg::showEvent(QShowEvent* event) {
    CResizableDlg::showEvent(event);
    if (!m_bFitted) {
        m_bFitted = true;
        FitToScreen();
    }
}

void CVantelDlg::FitToScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    QSize frame = frameGeometry().size() - size();
    if (frame.isNull()) {
        // Not framed by the window manager yet: keep room for a title bar and borders.
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        frame = QSize(2 * border,
                      style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2 * border);
    }
    const QSize fitted = size().boundedTo(available.size() - frame).expandedTo(minimumSize());
    if (fitted != size()) {
        resize(fitted);
    }
    // Keep the title bar and the status row on the screen.
    QRect placed = frameGeometry();
    placed.moveLeft(std::clamp(placed.left(), available.left(),
                               std::max(available.left(), available.right() - placed.width() + 1)));
    placed.moveTop(std::clamp(placed.top(), available.top(),
                              std::max(available.top(), available.bottom() - placed.height() + 1)));
    if (placed.topLeft() != frameGeometry().topLeft()) {
        move(placed.topLeft());
    }
}

void CVantelDlg::PlacePages() {
    const QRect area = m_tab->GetPageArea();
    for (CResizableDlg* page : AllPages()) {
        if (!page->IsCreated()) {
            continue;  // placed when it is built
        }
        page->setGeometry(area);
        page->update();
    }
}

void CVantelDlg::Connect() {
    const int mode = m_pIniFile->GetInt("mode", "setup", 0);
    const std::string ip = m_pIniFile->GetString("ip", "setup", "192.168.1.80");
    const int serial = m_pIniFile->GetInt("serial", "setup", 1);

    std::array<char, kPortTextSize> port{};
    std::array<char, kPortTextSize> message{};
    if (mode != 0) {
        std::snprintf(port.data(), port.size(), "%s", ip.c_str());
        std::snprintf(message.data(), message.size(), "can not open %s", ip.c_str());
    } else if (serial >= 1 && serial <= 9) {
        std::snprintf(port.data(), port.size(), "COM%d", serial);
        std::snprintf(message.data(), message.size(), "can not open COM%d", serial);
    } else {
        return;  // no usable port: nothing is tried and the port text stays
    }
    if (OpenPort(port.data()) == 0) {
        ShowErrorBox(this, QString::fromUtf8(message.data()));
    }
}

int CVantelDlg::OpenPort(char* port) {
    // The port text is in view before the open is tried, and stays when it fails.
    // Screen readers read what the screen shows.
    m_stcPort->setText(QString::fromUtf8(port));
    m_stcPort->setAccessibleName(m_stcPort->text());
    m_stcPort->repaint();
    m_link.Open(port);
    return m_link.IsOpen();
}

void CVantelDlg::PollThreadProc() {
    vantel::PollRhythm rhythm;
    int nLastSend = 0;
    int nLastRecv = 0;
    std::array<unsigned char, kCommandBufferSize> buf{};
    while (m_bClosing == 0) {
        if (rhythm.PollDue()) {
            PollImage(buf.data(), buf.size());
        }
        if (rhythm.LampsDue()) {
            UpdateLamps(nLastSend, nLastRecv);
        }
        rhythm.Next();
        std::this_thread::sleep_for(kPassSleep);
    }
}

void CVantelDlg::PollImage(unsigned char* buf, std::size_t capacity) {
    if (m_link.IsOpen() == 0) {
        NoAnswer();
        return;
    }
    buf[0] = 0;  // scene 0: the live routing
    if (m_link.Command(kReadImage, buf, capacity, 1, kCommandTimeout) != kVexaOk) {
        NoAnswer();
        return;
    }
    const unsigned char* image = buf + 1;
    if (vantel::HasMark({image, kStateImageSize})) {
        if (std::memcmp(image, g_LastImage.data(), kStateImageSize) != 0) {
            std::memcpy(g_LastImage.data(), image, kStateImageSize);
            // Kept for a start without the device; a failed write keeps the older file.
            vantel::SaveLastKnownImage(m_strLastKnownPath, CStateImage({image, kStateImageSize}));
            // A whole copy travels to the GUI thread; the pages never see the worker's buffer.
            QMetaObject::invokeMethod(
                this, [this, copy = g_LastImage] { HandOverImage(copy); }, Qt::QueuedConnection);
        } else if (!m_bAnswered) {
            // The device is back with the routing the pages already show: live again.
            QMetaObject::invokeMethod(
                this, [this] { MarkLastKnown(false); }, Qt::QueuedConnection);
        }
        m_bAnswered = true;
    }
    m_ledStatus.SetColor(kGreen);
}

void CVantelDlg::NoAnswer() {
    m_ledStatus.SetColor(kRed);
    if (m_bAnswered) {
        // The pages keep the routing last seen, marked as such until the device answers.
        m_bAnswered = false;
        QMetaObject::invokeMethod(
            this, [this] { MarkLastKnown(true); }, Qt::QueuedConnection);
    }
}

void CVantelDlg::UpdateLamps(int& nLastSend, int& nLastRecv) {
    m_ledConnect.SetLight(m_link.IsOpen() != 0 ? kLit : kDim);
    FollowCount(&CVexaLib::GetSendCount, nLastSend, m_ledCommand);
    FollowCount(&CVexaLib::GetRecvCount, nLastRecv, m_ledRespond);
}

void CVantelDlg::FollowCount(int (CVexaLib::*count)() const, int& nLast, CLedRect& led) {
    if ((m_link.*count)() != nLast) {
        nLast = (m_link.*count)();
        led.SetLight(kLit);
    } else {
        led.SetLight(kDim);
    }
}

void CVantelDlg::HandOverImage(const StateImageCopy& image) {
    GiveImageToPages(image.data());
    MarkLastKnown(false);
    emit imageHandedOver();
}

void CVantelDlg::GiveImageToPages(const unsigned char* image) {
    CreateRemainingPages();
    m_pageView.ShowImage(image);
    m_pageSwitch.SetImage(image);
    m_pageSalvo.SetImage(image);
}

void CVantelDlg::ShowLastKnownImage() {
    // The pages that show it take it when they are built (the page in view does not show it).
    m_knownAtStart = vantel::LoadLastKnownImage(m_strLastKnownPath);
    if (m_knownAtStart) {
        MarkLastKnown(true);
    }
}

void CVantelDlg::MarkLastKnown(bool shown) {
    if (m_stcLastKnown != nullptr) {
        m_stcLastKnown->setVisible(shown);
    }
    // The pages that show the kept routing say so beside it too.
    m_pageView.ShowLastKnown(shown);
    m_pageSwitch.ShowLastKnown(shown);
    m_pageSalvo.ShowLastKnown(shown);
}

void CVantelDlg::PumpMessages() {
    QCoreApplication::processEvents();
}

void CVantelDlg::CancelThreadWaits() {
    m_link.CancelPending();
}

bool CVantelDlg::StopWorkers(unsigned nTimeout) {
    if (m_bStopping) {
        return false;
    }
    m_bStopping = true;
    CloseAllThread(nTimeout);
    m_bStopping = false;
    return true;
}

void CVantelDlg::closeEvent(QCloseEvent* event) {
    // Events are served while the worker stops; a second close meanwhile is ignored.
    if (!StopWorkers(kCloseTimeout)) {
        event->ignore();
        return;
    }
    CResizableDlg::closeEvent(event);
}

void CVantelDlg::done(int result) {
    // Escape and Enter end the dialog without a close command: the worker stops here too.
    if (!StopWorkers(kCloseTimeout)) {
        return;
    }
    CResizableDlg::done(result);
}
