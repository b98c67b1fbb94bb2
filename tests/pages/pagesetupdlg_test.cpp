// The SET page: the CONNECT group from setup.ini and its "save" with the reconnect, "load" of
// the device's setup block with the switch page's label buttons, the checks and the whole-block
// write of "save", and the page's template.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>
#include <functional>
#include <ostream>
#include <utility>

#include "device/simprocess.h"
#include "settings/inifile.h"
#include "settings/profile.h"
#include "setuppagefixture.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace vantel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kGatewayAt = 12;
constexpr std::size_t kMaskAt = 16;
constexpr std::size_t kIpAt = 26;
constexpr std::size_t kInputsAt = 35;
constexpr std::size_t kOutputsAt = 36;
constexpr std::size_t kBuzzerAt = 37;

const QString kNoResponse = QStringLiteral("Operation failed, no response.");
const QString kRefused = QStringLiteral("The device refused the command.");
const QString kBadInput = QStringLiteral("Input mast between 1 and 48.");
const QString kBadOutput = QStringLiteral("Output mast between 1 and 48.");
const QString kBadBuzzer = QStringLiteral("Buzzer must be on or off.");

// The model's default block (which carries fixed content in the bytes nobody interprets), with
// other counts.
Block BlockWith(int inputs, int outputs) {
    Block block = CSwitcher::DefaultSetup(8, 8);
    block[kInputsAt] = static_cast<std::uint8_t>(inputs);
    block[kOutputsAt] = static_cast<std::uint8_t>(outputs);
    return block;
}

Bytes BytesOf(const Block& block) {
    return Bytes(block.begin(), block.end());
}

void Put(Block& block, std::size_t at, std::array<std::uint8_t, 4> address) {
    std::copy(address.begin(), address.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

QStringList FieldTexts(const CIPAddressCtrl* ip) {
    QStringList texts;
    for (int i = 0; i < CIPAddressCtrl::kFields; ++i) {
        texts << ip->Field(i)->text();
    }
    return texts;
}

// ---- CONNECT group ------------------------------------------------------------------------

struct StoredConnectCase {
    const char* name;
    const char* ini;  // nullptr: no setup.ini
    bool com;
    QString port;
    QStringList address;
};

const StoredConnectCase kStoredConnectCases[] = {
    {"no setup.ini", nullptr, true, "COM1", {"192", "168", "1", "80"}},
    {"serial 12 selects COM1", "[setup]\nserial=12\n", true, "COM1", {"192", "168", "1", "80"}},
    {"serial 0 selects COM1", "[setup]\nserial=0\n", true, "COM1", {"192", "168", "1", "80"}},
    {"serial 9", "[setup]\nserial=9\n", true, "COM9", {"192", "168", "1", "80"}},
    {"ip that is no address", "[setup]\nip=abc\n", true, "COM1", {"255", "255", "255", "255"}},
    {"ip in short form", "[setup]\nip=127.1\n", true, "COM1", {"127", "0", "0", "1"}},
    {"mode 1 is NET",
     "[setup]\nmode=1\nip=127.0.0.1\nserial=5\n",
     false,
     "COM5",
     {"127", "0", "0", "1"}},
    {"any other mode is NET",
     "[setup]\nmode=-4\nip=127.0.0.2\n",
     false,
     "COM1",
     {"127", "0", "0", "2"}},
};

TEST_F(SetupPageTest, ConnectGroupShowsTheStoredSettings) {
    for (const StoredConnectCase& c : kStoredConnectCases) {
        SCOPED_TRACE(c.name);
        QFile::remove(app.IniPath());
        CPageSetupDlg& p = StartPage(c.ini);
        EXPECT_EQ(p.m_radioCom->isChecked(), c.com);
        EXPECT_EQ(p.m_radioNet->isChecked(), !c.com);
        EXPECT_EQ(p.m_comboPort->currentText(), c.port);
        EXPECT_EQ(FieldTexts(p.m_ipConnect), c.address);
        // The SET group stays empty until the first "load".
        EXPECT_EQ(SetGroupTexts().join(QString()), QString());
        dlg.reset();
    }
}

struct SaveConnectCase {
    const char* name;
    bool com;
    int portIndex;
    std::optional<CIPAddressCtrl::Address> address;  // nothing: every field emptied
    bool reachable;
    const char* mode;
    const char* ip;
    const char* serial;
    std::string opened;
    QStringList messages;
};

const SaveConnectCase kSaveConnectCases[] = {
    {"COM3",
     true,
     2,
     CIPAddressCtrl::Address{127, 0, 0, 80},
     true,
     "0",
     "127.0.0.80",
     "3",
     "COM3",
     {}},
    // The address is only written here; the reconnect goes to the in-memory device (a loopback
    // address all the same, so no test could ever reach another host).
    {"NET",
     false,
     4,
     CIPAddressCtrl::Address{127, 0, 0, 7},
     true,
     "1",
     "127.0.0.7",
     "5",
     "127.0.0.7",
     {}},
    {"NET on loopback",
     false,
     0,
     CIPAddressCtrl::Address{127, 0, 0, 1},
     true,
     "1",
     "127.0.0.1",
     "1",
     "127.0.0.1",
     {}},
    {"empty address fields are 0",
     false,
     8,
     std::nullopt,
     true,
     "1",
     "0.0.0.0",
     "9",
     "0.0.0.0",
     {}},
    {"port that cannot be opened",
     true,
     6,
     CIPAddressCtrl::Address{127, 0, 0, 1},
     false,
     "0",
     "127.0.0.1",
     "7",
     "COM7",
     {"can not open COM7"}},
};

// The value of a key of section "setup", and where in the file it stands.
struct Stored {
    QString value;
    qsizetype at;
};
Stored StoredKey(const QByteArray& ini, const char* key) {
    const QString text = QString::fromUtf8(ini);
    const QString prefix = QStringLiteral("%1=").arg(QString::fromUtf8(key));
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (line.startsWith(prefix)) {
            return {line.mid(prefix.size()), text.indexOf(line)};
        }
    }
    return {QString(), -1};
}

TEST_F(SetupPageTest, ConnectionSaveStoresTheChoiceAndReconnects) {
    for (const SaveConnectCase& c : kSaveConnectCases) {
        SCOPED_TRACE(c.name);
        QFile::remove(app.IniPath());
        CPageSetupDlg& p = StartPage(nullptr);
        (c.com ? p.m_radioCom : p.m_radioNet)->click();
        p.m_comboPort->setCurrentIndex(c.portIndex);
        if (c.address) {
            p.m_ipConnect->SetAddress(*c.address);
        } else {
            p.m_ipConnect->ClearAddress();
        }
        device.SetReachable(c.reachable);
        const std::size_t opensBefore = device.Opened().size();

        SaveConnect();

        // Written in the order mode, ip, serial into a file that had none of them.
        const QByteArray ini = app.ReadIni();
        const Stored mode = StoredKey(ini, "mode");
        const Stored ip = StoredKey(ini, "ip");
        const Stored serial = StoredKey(ini, "serial");
        EXPECT_EQ(mode.value, c.mode);
        EXPECT_EQ(ip.value, c.ip);
        EXPECT_EQ(serial.value, c.serial);
        EXPECT_TRUE(mode.at >= 0 && mode.at < ip.at && ip.at < serial.at) << ini.toStdString();

        const std::vector<std::string> opened = device.Opened();
        ASSERT_EQ(opened.size(), opensBefore + 1);
        EXPECT_EQ(opened.back(), c.opened);
        EXPECT_EQ(dlg->m_stcPort->text(), QString::fromStdString(c.opened));
        EXPECT_EQ(dlg->m_link.IsOpen() != 0, c.reachable);
        EXPECT_EQ(errors.Texts(), c.messages);
        // The device's own settings are a separate matter.
        EXPECT_TRUE(device.Writes().empty());
        device.SetReachable(true);
        dlg.reset();
    }
}

TEST_F(SetupPageTest, ConnectionSaveThatCannotBeStoredSaysSoAndKeepsTheLink) {
    // A directory where the file belongs: it reads as empty and cannot be replaced.
    ASSERT_TRUE(QDir(app.Path()).mkdir(QStringLiteral("setup.ini")));
    CPageSetupDlg& p = StartPage(nullptr);
    ASSERT_EQ(dlg->SettingsPath(), app.IniPath());
    p.m_radioCom->click();
    p.m_comboPort->setCurrentIndex(2);
    const std::vector<std::string> opened = device.Opened();

    SaveConnect();

    EXPECT_EQ(errors.Texts(), QStringList{QStringLiteral("can not open %1").arg(app.IniPath())});
    EXPECT_EQ(device.Opened(), opened);
    EXPECT_NE(dlg->m_link.IsOpen(), 0);
}

TEST_F(SetupPageTest, ConnectionSaveWithTheLinkClosedBeforehandStoresAndOpens) {
    device.SetReachable(false);
    CPageSetupDlg& p = StartPage("[setup]\nmode=0\nserial=4\n");
    ASSERT_EQ(dlg->m_link.IsOpen(), 0);
    device.SetReachable(true);
    p.m_radioNet->click();
    p.m_ipConnect->SetAddress({127, 0, 0, 1});

    SaveConnect();

    EXPECT_EQ(StoredSetup("mode"), "1");
    EXPECT_EQ(StoredSetup("ip"), "127.0.0.1");
    EXPECT_EQ(StoredSetup("serial"), "4");
    EXPECT_NE(dlg->m_link.IsOpen(), 0);
    EXPECT_EQ(device.Opened().back(), "127.0.0.1");
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SetupPageTest, ConnectionSaveChangesAllThreeKeysOrNone) {
    // A file at the size limit of the settings layer: the first write that makes it larger
    // is the last one it takes. The three keys go in one change, so they arrive together.
    std::string text = "[setup]\nip=127.0.0.9\nserial=2\n[filler]\n";
    for (int line = 0; text.size() < vantel::kMaxProfileBytes - 64; ++line) {
        text += "k" + std::to_string(line) + "=" + std::string(40, 'x') + "\n";
    }
    text += "end=" + std::string(vantel::kMaxProfileBytes - text.size() - 5, 'y') + "\n";
    ASSERT_EQ(text.size(), vantel::kMaxProfileBytes);
    CPageSetupDlg& p = StartPage(text.c_str());
    p.m_radioNet->click();
    p.m_ipConnect->SetAddress({127, 0, 0, 1});
    p.m_comboPort->setCurrentIndex(4);

    SaveConnect();

    const std::array<std::string, 3> after = {StoredSetup("mode"), StoredSetup("ip"),
                                              StoredSetup("serial")};
    const std::array<std::string, 3> before = {"<none>", "127.0.0.9", "2"};
    const std::array<std::string, 3> chosen = {"1", "127.0.0.1", "5"};
    EXPECT_TRUE(after == chosen || (after == before && errors.Count() == 1))
        << after[0] << " " << after[1] << " " << after[2];
}

// ---- "load" -------------------------------------------------------------------------------

struct LoadCase {
    const char* name;
    Bytes reply;
    QString inputs, outputs;
    int inputButtons, outputButtons;
};

Bytes LongReply() {
    Bytes reply = BytesOf(BlockWith(3, 9));
    reply.resize(300, 0xEE);
    return reply;
}

const LoadCase kLoadCases[] = {
    {"8 inputs and 4 outputs", BytesOf(BlockWith(8, 4)), "8", "4", 8, 4},
    {"as many as the switch page has", BytesOf(BlockWith(72, 72)), "72", "72", 72, 72},
    {"more than the switch page has", BytesOf(BlockWith(100, 255)), "100", "255", 72, 72},
    {"no ports", BytesOf(BlockWith(0, 0)), "0", "0", 0, 0},
};

TEST_F(SetupPageTest, LoadShowsTheCountsAndAsManyLabelButtons) {
    CPageSetupDlg& p = StartPage();
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(c.name);
        device.ScriptSetupReply(c.reply);
        ShowAllLabelButtons();
        Load();
        EXPECT_EQ(p.m_editInput->text(), c.inputs);
        EXPECT_EQ(p.m_editOutput->text(), c.outputs);
        EXPECT_EQ(ShownInputs(), FirstShown(c.inputButtons));
        EXPECT_EQ(ShownOutputs(), FirstShown(c.outputButtons));
        EXPECT_TRUE(
            std::equal(p.m_setupBlock.Raw().begin(), p.m_setupBlock.Raw().end(), c.reply.begin()));
    }
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SetupPageTest, LoadShowsTheAddressesAndTheBuzzer) {
    Block block = BlockWith(8, 4);
    Put(block, kIpAt, {10, 0, 0, 7});
    Put(block, kMaskAt, {255, 255, 0, 0});
    Put(block, kGatewayAt, {10, 0, 0, 254});
    block[kBuzzerAt] = 0x03;
    ASSERT_TRUE(device.PutBlock(block));
    CPageSetupDlg& p = StartPage();

    Load();

    EXPECT_EQ(FieldTexts(p.m_ipAddress), (QStringList{"10", "0", "0", "7"}));
    EXPECT_EQ(FieldTexts(p.m_ipMask), (QStringList{"255", "255", "0", "0"}));
    EXPECT_EQ(FieldTexts(p.m_ipGateway), (QStringList{"10", "0", "0", "254"}));
    EXPECT_EQ(p.m_editBuzzer->text(), "on");
    // The address to connect to is another setting.
    EXPECT_EQ(FieldTexts(p.m_ipConnect), (QStringList{"192", "168", "1", "80"}));
}

TEST_F(SetupPageTest, LoadWithTheLinkClosedHidesEveryLabelButtonSaysSoAndChangesNothingElse) {
    device.SetReachable(false);
    CPageSetupDlg& p = StartPage();
    ASSERT_EQ(dlg->m_link.IsOpen(), 0);
    p.m_editInput->setText(QStringLiteral("5"));
    p.m_ipMask->SetAddress({255, 0, 0, 0});
    const QStringList texts = SetGroupTexts();
    ShowAllLabelButtons();

    Load();

    EXPECT_EQ(ShownInputs(), FirstShown(0));
    EXPECT_EQ(ShownOutputs(), FirstShown(0));
    EXPECT_EQ(SetGroupTexts(), texts);
    EXPECT_EQ(p.m_setupBlock, CSetupBlock());
    EXPECT_EQ(errors.Texts(), QStringList{kNoResponse});
    EXPECT_EQ(device.Reads(), 0);
}

TEST_F(SetupPageTest, LoadWithoutAnswerSaysSoAndKeepsTheLastBlock) {
    CPageSetupDlg& p = StartPage();
    Load();
    const CSetupBlock loaded = p.m_setupBlock;
    const QStringList texts = SetGroupTexts();
    ASSERT_TRUE(loaded.HasMark());
    device.SetSilent(5, true);
    ShowAllLabelButtons();

    Load();

    EXPECT_EQ(errors.Texts(), QStringList{kNoResponse});
    EXPECT_EQ(errors.Calls().front().owner, &p);
    EXPECT_EQ(ShownInputs(), FirstShown(0));
    EXPECT_EQ(ShownOutputs(), FirstShown(0));
    EXPECT_EQ(p.m_setupBlock, loaded);
    EXPECT_EQ(SetGroupTexts(), texts);
}

TEST_F(SetupPageTest, BlockWithoutTheMarkIsKeptButNeitherShownNorSaved) {
    CPageSetupDlg& p = StartPage();
    Load();
    Retype(p.m_editInput, QStringLiteral("7"));
    const QStringList texts = SetGroupTexts();
    Bytes unmarked = BytesOf(BlockWith(4, 4));
    const Bytes reversedMark{0xEB, 0x90, 0x55, 0xAA};
    std::copy(reversedMark.begin(), reversedMark.end(), unmarked.begin());
    device.ScriptSetupReply(unmarked);

    Load();
    EXPECT_EQ(BytesOf(p.m_setupBlock.Raw()), unmarked);
    EXPECT_EQ(SetGroupTexts(), texts);
    EXPECT_EQ(ShownInputs(), FirstShown(0));

    Save();
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_EQ(errors.Count(), 0);
}

// ---- "save" -------------------------------------------------------------------------------

struct CountCase {
    const char* name;
    QString inputs, outputs;
    std::optional<QString> message;  // nothing: accepted
    int sentInputs, sentOutputs;
};

const CountCase kCountCases[] = {
    {"empty input", "", "4", kBadInput, 0, 0},
    {"input 0", "0", "4", kBadInput, 0, 0},
    {"input not a number", "abc", "4", kBadInput, 0, 0},
    {"input 49", "49", "4", kBadInput, 0, 0},
    {"negative input", "-3", "4", kBadInput, 0, 0},
    {"both wrong: the input is named", "0", "99", kBadInput, 0, 0},
    {"output 49", "8", "49", kBadOutput, 0, 0},
    {"empty output", "8", "", kBadOutput, 0, 0},
    {"48 and 1", "48", "1", std::nullopt, 48, 1},
    {"digits before other text", "12abc", "4x", std::nullopt, 12, 4},
    {"leading blank", " 12", "\t3", std::nullopt, 12, 3},
    {"sign", "+7", "07", std::nullopt, 7, 7},
};

TEST_F(SetupPageTest, SaveChecksTheCountsInputFirst) {
    CPageSetupDlg& p = StartPage();
    Load();
    for (const CountCase& c : kCountCases) {
        SCOPED_TRACE(c.name);
        errors.Clear();
        Retype(p.m_editInput, c.inputs);
        Retype(p.m_editOutput, c.outputs);
        const CSetupBlock before = p.m_setupBlock;
        const std::size_t writes = device.Writes().size();

        Save();

        if (c.message) {
            EXPECT_EQ(errors.Texts(), QStringList{*c.message});
            QLineEdit* bad = *c.message == kBadInput ? p.m_editInput : p.m_editOutput;
            EXPECT_EQ(QApplication::focusWidget(), bad);
            EXPECT_EQ(bad->selectedText(), bad->text());
            EXPECT_EQ(device.Writes().size(), writes);
            EXPECT_EQ(p.m_setupBlock, before);
        } else {
            EXPECT_EQ(errors.Count(), 0);
            ASSERT_EQ(device.Writes().size(), writes + 1);
            const Bytes sent = device.Writes().back();
            EXPECT_EQ(sent[kInputsAt], c.sentInputs);
            EXPECT_EQ(sent[kOutputsAt], c.sentOutputs);
            EXPECT_EQ(device.DeviceBlock()[kInputsAt], c.sentInputs);
        }
    }
}

struct BuzzerCase {
    const char* name;
    std::uint8_t read;
    QString shown;
    QString typed;
    std::uint8_t sent;
    QStringList messages;
};

const BuzzerCase kBuzzerCases[] = {
    {"on with other bits, saved on", 0x03, "on", "on", 0x01, {}},
    {"off with other bits, saved off", 0x02, "off", "off", 0x00, {}},
    {"off turned on", 0xFE, "off", "on", 0x01, {}},
    {"on turned off", 0x01, "on", "off", 0x00, {}},
    {"capital letter", 0x03, "on", "On", 0x03, {kBadBuzzer}},
    {"blank around", 0x02, "off", " off", 0x02, {kBadBuzzer}},
    {"empty", 0x81, "on", "", 0x81, {kBadBuzzer}},
};

TEST_F(SetupPageTest, BuzzerShowsBitZeroAndSavesOneOrZero) {
    CPageSetupDlg& p = StartPage();
    for (const BuzzerCase& c : kBuzzerCases) {
        SCOPED_TRACE(c.name);
        Block block = BlockWith(8, 8);
        block[kBuzzerAt] = c.read;
        ASSERT_TRUE(device.PutBlock(block));
        errors.Clear();
        Load();
        EXPECT_EQ(p.m_editBuzzer->text(), c.shown);
        Retype(p.m_editBuzzer, c.typed);

        Save();

        // A wrong buzzer text is reported, and the block still goes out.
        EXPECT_EQ(errors.Texts(), c.messages);
        ASSERT_FALSE(device.Writes().empty());
        EXPECT_EQ(device.Writes().back()[kBuzzerAt], c.sent);
    }
}

TEST_F(SetupPageTest, SaveSendsTheWholeBlockWithOnlyTheEditedFieldsChanged) {
    Block block = BlockWith(8, 8);
    block[kBuzzerAt] = 0x02;
    ASSERT_TRUE(device.PutBlock(block));
    CPageSetupDlg& p = StartPage();
    Load();
    const QByteArray iniBefore = app.ReadIni();

    Retype(p.m_editInput, QStringLiteral("6"));
    Retype(p.m_editOutput, QStringLiteral("5"));
    Retype(p.m_editBuzzer, QStringLiteral("on"));
    // The operator types the address into the control.
    p.m_ipAddress->ClearAddress();
    QTest::mouseClick(p.m_ipAddress->Field(0), Qt::LeftButton);
    for (char key : std::string("127.0.0.7")) {
        QTest::keyClick(QApplication::focusWidget(), key);
    }
    p.m_ipMask->SetAddress({255, 255, 0, 0});
    p.m_ipGateway->SetAddress({127, 0, 0, 1});
    p.m_ipGateway->Field(2)->clear();

    Save();

    Block expected = block;
    expected[kInputsAt] = 6;
    expected[kOutputsAt] = 5;
    expected[kBuzzerAt] = 0x01;
    Put(expected, kIpAt, {0x7F, 0x00, 0x00, 0x07});
    Put(expected, kMaskAt, {255, 255, 0, 0});
    Put(expected, kGatewayAt, {127, 0, 0, 1});  // the emptied field goes out as 0
    ASSERT_EQ(device.Writes().size(), 1u);
    EXPECT_EQ(device.Writes().front(), BytesOf(expected));
    EXPECT_EQ(errors.Count(), 0);
    // The address to connect to stays as it was.
    EXPECT_EQ(app.ReadIni(), iniBefore);

    // A following "load" shows what the device keeps now.
    p.m_editInput->clear();
    p.m_ipAddress->ClearAddress();
    Load();
    EXPECT_EQ(p.m_editInput->text(), "6");
    EXPECT_EQ(p.m_editOutput->text(), "5");
    EXPECT_EQ(FieldTexts(p.m_ipAddress), (QStringList{"127", "0", "0", "7"}));
    EXPECT_EQ(ShownInputs(), FirstShown(6));
    EXPECT_EQ(ShownOutputs(), FirstShown(5));

    // The switch page learns the new counts from the next poll of the status monitor.
    const auto& image = dlg->m_pageSwitch.m_image;
    EXPECT_TRUE(QTest::qWaitFor([&] { return image[5] == 6 && image[6] == 5; }, 8000))
        << int(image[5]) << " x " << int(image[6]);
}

TEST_F(SetupPageTest, ReplyOfAnotherLengthIsUnusableAndKeepsTheLastBlock) {
    CPageSetupDlg& p = StartPage();
    Load();
    const CSetupBlock loaded = p.m_setupBlock;
    ASSERT_TRUE(loaded.HasMark());
    Bytes shortReply = BytesOf(BlockWith(3, 9));
    for (const Bytes& reply : {LongReply(), Bytes(shortReply.begin(), shortReply.begin() + 39),
                               Bytes(shortReply.begin(), shortReply.begin() + 6)}) {
        SCOPED_TRACE(reply.size());
        device.ScriptSetupReply(reply);
        ShowAllLabelButtons();
        Load();
        EXPECT_EQ(errors.Texts(), QStringList{kNoResponse});
        EXPECT_EQ(p.m_setupBlock, loaded);
        EXPECT_EQ(ShownInputs(), FirstShown(0));
        errors.Clear();
    }
    // "save" sends the block of the last usable reply.
    Save();
    ASSERT_EQ(device.Writes().size(), 1u);
    EXPECT_EQ(device.Writes().front(), BytesOf(loaded.Raw()));
}

struct NoSaveCase {
    const char* name;
    std::function<void()> before;
    QStringList says;  // a save the link could not carry is said, never silent
};

TEST_F(SetupPageTest, SaveWithoutAValidBlockOrLinkSendsNothing) {
    const NoSaveCase cases[] = {
        {"before any load", [] {}, {}},
        {"after a load without the mark that followed a valid one",
         [this] {
             Load();
             Bytes unmarked = BytesOf(BlockWith(8, 8));
             unmarked[0] = 0;
             device.ScriptSetupReply(unmarked);
             Load();
         },
         {}},
        {"link closed after a valid load",
         [this] {
             Load();
             dlg->m_link.Close();
         },
         {kNoResponse}},
    };
    for (const NoSaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPageSetupDlg& p = StartPage();
        Retype(p.m_editInput, QStringLiteral("4"));
        Retype(p.m_editOutput, QStringLiteral("4"));
        c.before();
        errors.Clear();

        Save();

        EXPECT_TRUE(device.Writes().empty());
        EXPECT_EQ(errors.Texts(), c.says);
        dlg.reset();
        device.ScriptSetupReply(std::nullopt);
    }
}

TEST_F(SetupPageTest, LoadAndSaveTellARefusalFromNoAnswer) {
    struct Case {
        const char* what;
        std::uint8_t cmd;
        bool refuse;
        QString text;
    };
    const Case cases[] = {
        {"load without answer", 5, false, kNoResponse},
        {"load refused", 5, true, kRefused},
        {"save without answer", 6, false, kNoResponse},
        {"save refused", 6, true, kRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CPageSetupDlg& p = StartPage();
        Load();
        ASSERT_TRUE(p.m_setupBlock.HasMark());
        device.SetRefused(c.cmd, c.refuse);
        device.SetSilent(c.cmd, !c.refuse);
        Click(c.cmd == 5 ? CPageSetupDlg::IDC_LOAD : CPageSetupDlg::IDC_SAVE);
        EXPECT_EQ(errors.Texts(), QStringList{c.text});
        device.SetRefused(c.cmd, false);
        device.SetSilent(c.cmd, false);
        dlg.reset();
    }
}

TEST_F(SetupPageTest, SaveOfLowerCountsTakesTheSwitchPagesButtonsAwayAtOnce) {
    CPageSetupDlg& p = StartPage();
    CPageSwitchDlg& sw = dlg->m_pageSwitch;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sw.m_image[6] == 8; }, 8000));
    Load();
    sw.m_pRxButtons[6]->setChecked(true);
    Retype(p.m_editInput, QStringLiteral("4"));
    Retype(p.m_editOutput, QStringLiteral("4"));

    Save();

    ASSERT_EQ(errors.Count(), 0);
    EXPECT_EQ(ShownInputs(), FirstShown(4));
    EXPECT_EQ(ShownOutputs(), FirstShown(4));
    EXPECT_FALSE(sw.m_pRxButtons[6]->isChecked());
    // Until the device's image with the new counts arrives, "OK" would count port numbers
    // from the old ones: it sends nothing and says why.
    QTabBar* bar = dlg->m_tab->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(ShownOutputs(), FirstShown(4));
    const CSwitcher::Image before = device.LiveImage();
    QTest::mouseClick(sw.Item<QAbstractButton>(CPageSwitchDlg::IDC_OK), Qt::LeftButton);
    EXPECT_EQ(errors.Count(), 1);
    EXPECT_EQ(device.LiveImage(), before);
    errors.Clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sw.m_image[5] == 4 && sw.m_image[6] == 4; }, 8000));
    QTest::mouseClick(sw.Item<QAbstractButton>(CPageSwitchDlg::IDC_OK), Qt::LeftButton);
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SetupPageTest, AfterAFailedLoadTheNextImageShowsTheGridAgain) {
    StartPage();
    Load();
    device.SetSilent(5, true);
    Load();
    ASSERT_EQ(ShownInputs(), FirstShown(0));
    ASSERT_EQ(ShownOutputs(), FirstShown(0));

    // The device is back, and its routing changes: the image that tells of it lays out the
    // grid again, without another "load".
    device.SetSilent(5, false);
    std::vector<unsigned char> buf(4096);
    buf[0] = 1;
    buf[1] = 8 + 2;
    ASSERT_EQ(dlg->m_link.Command(12, buf.data(), buf.size(), 2, 500), kVexaOk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownOutputs() == FirstShown(8); }, 8000));
    EXPECT_EQ(ShownInputs(), FirstShown(8));
}

TEST_F(SetupPageTest, SaveWithoutAnswerSaysSo) {
    CPageSetupDlg& p = StartPage();
    Load();
    device.SetSilent(6, true);
    Retype(p.m_editInput, QStringLiteral("3"));

    Save();

    EXPECT_EQ(device.Writes().size(), 1u);
    EXPECT_EQ(errors.Texts(), QStringList{kNoResponse});
    // The page keeps what it sent.
    EXPECT_EQ(p.m_setupBlock.InputCount(), 3);
}

// ---- against the simulator process ---------------------------------------------------------

#ifdef VANTEL_SIM_PATH
TEST_F(SetupPageTest, WorksAgainstTheSimulatorOverTcpAndItsPseudoTerminal) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--listen", "127.0.0.1:0", "--pty"}, 2));
    const unsigned short port = sim.TcpPort();
    const std::string pty = sim.PtyPath();
    ASSERT_NE(port, 0) << sim.Stderr();
    ASSERT_FALSE(pty.empty()) << sim.Stderr();
    const std::string ini = "[setup]\nmode=1\nip=127.0.0.1\nport=" + std::to_string(port) +
                            "\nserial=3\n[ports]\nCOM3=" + pty + "\n";
    CPageSetupDlg& p = StartOnRealPorts(ini.c_str());
    ASSERT_NE(dlg->m_link.IsOpen(), 0);
    EXPECT_EQ(dlg->m_stcPort->text(), "127.0.0.1");

    // "load" shows the simulator's settings.
    Load();
    EXPECT_EQ(p.m_editInput->text(), "8");
    EXPECT_EQ(p.m_editOutput->text(), "8");
    EXPECT_EQ(p.m_editBuzzer->text(), "on");
    EXPECT_EQ(FieldTexts(p.m_ipAddress), (QStringList{"192", "168", "1", "80"}));
    EXPECT_EQ(FieldTexts(p.m_ipMask), (QStringList{"255", "255", "255", "0"}));
    EXPECT_EQ(ShownInputs(), FirstShown(8));

    // "save" changes them; a following "load" and the switch page's next poll show it.
    Retype(p.m_editInput, QStringLiteral("6"));
    Retype(p.m_editOutput, QStringLiteral("5"));
    Retype(p.m_editBuzzer, QStringLiteral("off"));
    Save();
    p.m_editInput->clear();
    Load();
    EXPECT_EQ(p.m_editInput->text(), "6");
    EXPECT_EQ(p.m_editOutput->text(), "5");
    EXPECT_EQ(p.m_editBuzzer->text(), "off");
    const auto& image = dlg->m_pageSwitch.m_image;
    EXPECT_TRUE(QTest::qWaitFor([&] { return image[5] == 6 && image[6] == 5; }, 8000));

    // The connection "save" moves the link to the pseudo-terminal mapped to COM3 and back.
    p.m_radioCom->click();
    ASSERT_EQ(p.m_comboPort->currentText(), "COM3");
    SaveConnect();
    EXPECT_EQ(dlg->m_stcPort->text(), "COM3");
    ASSERT_NE(dlg->m_link.IsOpen(), 0);
    p.m_editOutput->clear();
    Load();
    EXPECT_EQ(p.m_editOutput->text(), "5");

    p.m_radioNet->click();
    SaveConnect();
    EXPECT_EQ(dlg->m_stcPort->text(), "127.0.0.1");
    ASSERT_NE(dlg->m_link.IsOpen(), 0);
    p.m_editOutput->clear();
    Load();
    EXPECT_EQ(p.m_editOutput->text(), "5");
    EXPECT_EQ(errors.Count(), 0) << errors.Texts().join(QStringLiteral("; ")).toStdString();
    dlg.reset();  // before the simulator goes
}
#endif

// ---- template -----------------------------------------------------------------------------

// The template id of the control a focusable widget belongs to (an address field belongs to
// its address control), or 0.
int ControlIdOf(const QWidget* w, const QWidget* page) {
    for (; w != nullptr && w != page; w = w->parentWidget()) {
        if (w->parentWidget() == page) {
            return w->objectName().toInt();
        }
    }
    return 0;
}

TEST_F(SetupPageTest, TabOrderFollowsTheTemplate) {
    CPageSetupDlg& p = StartPage();
    std::vector<int> order;
    QWidget* w = p.m_ipAddress->Field(0);
    for (int guard = 0; guard < 200; ++guard, w = w->nextInFocusChain()) {
        const int id = ControlIdOf(w, &p);
        if (id != 0 && (w->focusPolicy() & Qt::TabFocus) != 0 &&
            (order.empty() || order.back() != id)) {
            if (!order.empty() && id == order.front()) {
                break;
            }
            order.push_back(id);
        }
    }
    EXPECT_EQ(order, (std::vector<int>{1135, 1018, 1069, 1072, 1019, 1137, 1138, 1068, 1070, 1074,
                                       1076, 1020, 1163}));
}

TEST_F(SetupPageTest, NothingMovesWhenThePageGrowsAndTheBoxesStayBeneath) {
    CPageSetupDlg& p = StartPage();
    std::vector<std::pair<QWidget*, QRect>> before;
    for (QWidget* child : p.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        before.emplace_back(child, child->geometry());
    }
    p.resize(p.size() + QSize(300, 200));
    for (const auto& [child, rect] : before) {
        EXPECT_EQ(child->geometry(), rect) << child->objectName().toStdString();
    }

    const QObjectList children = p.children();
    for (int box : {CPageSetupDlg::IDC_GROUP_SET, CPageSetupDlg::IDC_GROUP_CONNECT}) {
        EXPECT_LT(children.indexOf(p.GetDlgItem(box)), children.indexOf(p.m_ipAddress));
        EXPECT_LT(children.indexOf(p.GetDlgItem(box)), children.indexOf(p.m_ipConnect));
    }
    QStringList ports;
    for (int i = 0; i < p.m_comboPort->count(); ++i) {
        ports << p.m_comboPort->itemText(i);
    }
    EXPECT_EQ(ports, (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                  "COM9"}));
}

}  // namespace
}  // namespace vantel::test
