#include "pages/pagesetupdlg.h"

#include <arpa/inet.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "appearance/errorbox.h"
#include "controls/ipaddressctrl.h"
#include "link/devicecommand.h"
#include "link/setupcheck.h"
#include "link/vexalib.h"
#include "pages/commandfailure.h"
#include "pages/pageowner.h"
#include "res/dlgtemplate.h"
#include "settings/inifile.h"

// The owner of the last setup page created; cleared when that page goes. The handlers use
// their own page's m_pMainDlg, so a second main window never borrows the first one's link.
IPageOwner* g_pSetupMainDlg = nullptr;

namespace {

constexpr int kCommandTimeout = 500;
constexpr std::size_t kCommandBufferSize = 4096;
// Connection texts are formatted into buffers of this many characters, terminator included.
constexpr std::size_t kAddressTextSize = 512;
constexpr int kSerialPorts = 9;

constexpr const char* kSection = "setup";
constexpr const char* kDefaultIp = "192.168.1.80";
constexpr const char* kBadInput = "Input mast between 1 and 48.";
constexpr const char* kBadOutput = "Output mast between 1 and 48.";
constexpr const char* kBadBuzzer = "Buzzer must be on or off.";

// The four numbers of a dotted address text, first number first, by the rules of inet_addr; a
// text that is no address gives the all-ones value 255.255.255.255.
CIPAddressCtrl::Address ParseDotted(const std::string& text) {
    const in_addr_t value = inet_addr(text.c_str());
    CIPAddressCtrl::Address address{};
    static_assert(sizeof(value) == address.size());
    std::memcpy(address.data(), &value, address.size());
    return address;
}

std::string DottedText(const CIPAddressCtrl::Address& a) {
    std::array<char, kAddressTextSize> text{};
    std::snprintf(text.data(), text.size(), "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
    return text.data();
}

}  // namespace

CPageSetupDlg::CPageSetupDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_SETUP, parent) {}

CPageSetupDlg::~CPageSetupDlg() {
    if (g_pSetupMainDlg == m_pMainDlg) {
        g_pSetupMainDlg = nullptr;
    }
}

QWidget* CPageSetupDlg::CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) {
    if (ctl.kind == CtlKind::IpAddress) {
        return new CIPAddressCtrl(parent);
    }
    return CResizableDlg::CreateCustomControl(ctl, parent);
}

void CPageSetupDlg::DoDataExchange() {
    m_editBuzzer = Item<QLineEdit>(IDC_EDIT_BUZZER);
    m_ipConnect = Item<CIPAddressCtrl>(IDC_IP_CONNECT);
    m_comboPort = Item<QComboBox>(IDC_COMBO_PORT);
    m_radioCom = Item<QRadioButton>(IDC_RADIO_COM);
    m_radioNet = Item<QRadioButton>(IDC_RADIO_NET);
    m_editOutput = Item<QLineEdit>(IDC_EDIT_OUTPUT);
    m_editInput = Item<QLineEdit>(IDC_EDIT_INPUT);
    m_ipGateway = Item<CIPAddressCtrl>(IDC_IP_GATEWAY);
    m_ipMask = Item<CIPAddressCtrl>(IDC_IP_MASK);
    m_ipAddress = Item<CIPAddressCtrl>(IDC_IP_ADDRESS);

    // Names for screen readers, from the labels beside the fields.
    m_editInput->setAccessibleName(QStringLiteral("INPUT"));
    m_editOutput->setAccessibleName(QStringLiteral("OUTPUT"));
    m_editBuzzer->setAccessibleName(QStringLiteral("Buzzer"));
    m_ipAddress->SetName(QStringLiteral("IP"));
    m_ipMask->SetName(QStringLiteral("MASK"));
    m_ipGateway->SetName(QStringLiteral("Gateway"));
    m_ipConnect->SetName(QStringLiteral("CONNECT address"));
    m_comboPort->setAccessibleName(QStringLiteral("CONNECT port"));

    connect(Item<QAbstractButton>(IDC_LOAD), &QAbstractButton::clicked, this,
            &CPageSetupDlg::OnBnClickedLoad);
    connect(Item<QAbstractButton>(IDC_SAVE), &QAbstractButton::clicked, this,
            &CPageSetupDlg::OnBnClickedSave);
    connect(Item<QAbstractButton>(IDC_SAVE_CONNECT), &QAbstractButton::clicked, this,
            &CPageSetupDlg::OnBnClickedSaveConnect);
}

bool CPageSetupDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    DoDataExchange();
    InitResize();
    g_pSetupMainDlg = m_pMainDlg;
    InitConnectGroup();
    return true;
}

void CPageSetupDlg::InitResize() {
    // The group boxes keep their place and size; nothing on the page moves.
    AddAnchor(IDC_GROUP_SET, {0, 0}, {0, 0});
    AddAnchor(IDC_GROUP_CONNECT, {0, 0}, {0, 0});
}

void CPageSetupDlg::InitConnectGroup() {
    if (m_pMainDlg == nullptr || m_pMainDlg->Settings() == nullptr) {
        return;
    }
    CIniFile& ini = *m_pMainDlg->Settings();
    const int mode = ini.GetInt("mode", kSection, 0);
    const std::string ip = ini.GetString("ip", kSection, kDefaultIp);
    const int serial = ini.GetInt("serial", kSection, 1);

    m_radioCom->setChecked(mode == 0);
    m_radioNet->setChecked(mode != 0);
    m_comboPort->setCurrentIndex(serial >= 1 && serial <= kSerialPorts ? serial - 1 : 0);
    m_ipConnect->SetAddress(ParseDotted(ip));
}

IPageOwner* CPageSetupDlg::OpenLink() {
    if (m_pMainDlg == nullptr || m_pMainDlg->Link().IsOpen() == 0) {
        // The command the operator asked for does not go out: said, never silent.
        ShowErrorBox(this, CommandFailureText(kVexaClosed));
        return nullptr;
    }
    return m_pMainDlg;
}

void CPageSetupDlg::OnBnClickedLoad() {
    HideLabelButtons();
    IPageOwner* main = OpenLink();
    if (main == nullptr) {
        return;
    }
    // A fresh buffer each time: a reply shorter than the block leaves zeros behind it.
    std::array<unsigned char, kCommandBufferSize> buf{};
    const unsigned result =
        main->Link().Command(kReadSetup, buf.data(), buf.size(), 0, kCommandTimeout);
    if (result != kVexaOk) {
        ShowErrorBox(this, CommandFailureText(result));
        return;
    }
    m_setupBlock = CSetupBlock(std::span(buf.data(), CSetupBlock::kSetupBlockSize));
    if (!m_setupBlock.HasMark()) {
        return;
    }
    ShowBlock();
}

void CPageSetupDlg::ShowBlock() {
    const int inputs = m_setupBlock.InputCount();
    const int outputs = m_setupBlock.OutputCount();
    m_editInput->setText(QString::number(inputs));
    m_editOutput->setText(QString::number(outputs));
    m_pMainDlg->ShowLabelButtons(inputs, outputs);
    m_editBuzzer->setText(m_setupBlock.BuzzerOn() ? QStringLiteral("on") : QStringLiteral("off"));
    m_ipAddress->SetAddress(m_setupBlock.Ip());
    m_ipMask->SetAddress(m_setupBlock.Mask());
    m_ipGateway->SetAddress(m_setupBlock.Gateway());
}

void CPageSetupDlg::HideLabelButtons() {
    if (m_pMainDlg != nullptr) {
        m_pMainDlg->HideLabelButtons();
    }
}

void CPageSetupDlg::OnBnClickedSave() {
    if (!m_setupBlock.HasMark()) {
        return;  // nothing valid has been loaded
    }
    IPageOwner* main = OpenLink();
    if (main == nullptr) {
        return;
    }
    const auto inputs = vantel::CheckedCount(m_editInput->text().toStdString());
    if (!inputs) {
        RejectField(m_editInput, kBadInput);
        return;
    }
    const auto outputs = vantel::CheckedCount(m_editOutput->text().toStdString());
    if (!outputs) {
        RejectField(m_editOutput, kBadOutput);
        return;
    }
    m_setupBlock.SetCounts(*inputs, *outputs);
    if (const auto buzzer = vantel::ParseBuzzerText(m_editBuzzer->text().toStdString())) {
        m_setupBlock.SetBuzzer(*buzzer);
    } else {
        ShowErrorBox(this, QString::fromUtf8(kBadBuzzer));  // the byte goes out as loaded
    }
    m_setupBlock.SetIp(m_ipAddress->GetAddress());
    m_setupBlock.SetMask(m_ipMask->GetAddress());
    m_setupBlock.SetGateway(m_ipGateway->GetAddress());

    // The block itself is the buffer: the link writes nothing back for this command, and the
    // capacity keeps it from writing beyond the 40 bytes in any case.
    const unsigned result = main->Link().Command(
        kWriteSetup, m_setupBlock.Data(), CSetupBlock::kSetupBlockSize,
        static_cast<unsigned char>(CSetupBlock::kSetupBlockSize), kCommandTimeout);
    if (result != kVexaOk) {
        // Otherwise the operator would take settings the device never got for saved.
        ShowErrorBox(this, CommandFailureText(result));
        return;
    }
    // The switch page offers no port the device no longer has, from now on.
    main->UseCounts(*inputs, *outputs);
}

void CPageSetupDlg::RejectField(QLineEdit* edit, const char* message) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    ShowErrorBox(this, QString::fromUtf8(message));
}

void CPageSetupDlg::OnBnClickedSaveConnect() {
    if (m_pMainDlg == nullptr || m_pMainDlg->Settings() == nullptr) {
        return;
    }
    const int mode = m_radioCom->isChecked() ? 0 : 1;
    const std::string address = DottedText(m_ipConnect->GetAddress());
    const int serial = m_comboPort->currentIndex() + 1;

    // One change of the file: a failure leaves all three as they were, never a mode of the
    // new choice with the port of the old one.
    CIniFile& ini = *m_pMainDlg->Settings();
    const bool saved =
        ini.SetStrings(
            {{"mode", std::to_string(mode)}, {"ip", address}, {"serial", std::to_string(serial)}},
            kSection) != 0;
    if (!saved) {
        // Reconnecting would only reopen the old port: say that the choice was not kept.
        ShowErrorBox(this,
                     QStringLiteral("can not open %1").arg(QString::fromStdString(ini.m_strPath)));
        return;
    }
    m_pMainDlg->Connect();
}
