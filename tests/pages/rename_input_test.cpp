// Hostile names typed into the name entry dialog of the switch page: empty, very long,
// multi-byte and 4-byte characters, control characters, broken UTF-16. Each goes through the
// real dialog and the settings file; the window must stay usable, the file must keep every
// other key, and a restart must show a whole-character prefix of what was stored.
#include <QLineEdit>
#include <fstream>
#include <sstream>

#include "switchpagefixture.h"

namespace vantel::test {
namespace {

constexpr int kRx = CPageSwitchDlg::IDC_RX_FIRST;
// Values of setup.ini are read back up to this many bytes.
constexpr int kStoredBytes = 254;

struct TypedName {
    const char* what;
    QString typed;
};

QString Repeat(const QString& piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::vector<TypedName> HostileNames() {
    const QChar lone[] = {QChar(u'a'), QChar(0xD800), QChar(u'b')};
    return {
        {"empty", QString()},
        {"blanks only", QStringLiteral("   ")},
        {"100000 ASCII characters", QString(100000, QChar(u'x'))},
        {"100000 three-byte characters", QString(100000, QChar(u'\u6444'))},
        {"4-byte characters over the stored length", Repeat(QStringLiteral("\U0001F3A5"), 80)},
        {"line breaks and a section header", QStringLiteral("a\r\n[setup]\r\nmode=0\n")},
        {"NUL, tab and DEL", QStringLiteral("a") + QChar(0) +
                                 QStringLiteral("b\tc\x7f"
                                                "d")},
        {"lone surrogate", QString(lone, 3)},
        {"combining marks", QStringLiteral("e\u0301\u0301\u0301")},
        {"right-to-left text", QStringLiteral("\u05E9\u05DC\u05D5\u05DD 1")},
    };
}

// Whether shown is made of whole characters of what was typed: its UTF-8 is a prefix of the
// UTF-8 of the typed text with control characters replaced by blanks.
bool IsWholePrefix(const QString& shown, const QString& typed) {
    QString cleaned = typed;
    for (QChar& c : cleaned) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = u' ';
        }
    }
    return cleaned.toUtf8().startsWith(shown.toUtf8());
}

std::string FileText(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(SwitchPageTest, HostileNamesKeepTheWindowTheFileAndRestartWhole) {
    const auto names = HostileNames();
    StartOnline("[setup]\nmode=1\nip=127.0.0.1\n[NUMBER]\nLINE=8\n[BUTTON]\n3001=kept\n");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int id = kRx + static_cast<int>(i);
        Rename(id, names[i].typed, true);
        const QString shown = Page().m_pRxButtons[i]->text();
        EXPECT_TRUE(IsWholePrefix(shown, names[i].typed)) << names[i].what;
        EXPECT_EQ(shown.isEmpty(), names[i].typed.isEmpty()) << names[i].what;
        EXPECT_TRUE(errors.Calls().empty()) << names[i].what << ": the name was not stored";
        errors.Clear();
    }
    const std::string file = FileText(app.IniPath());
    EXPECT_LT(file.size(), 8192u) << "a name was stored longer than a value can be read back";
    EXPECT_EQ(Stored("mode", "setup"), "1");
    EXPECT_EQ(Stored("LINE", "NUMBER"), "8");
    EXPECT_EQ(Stored("3001", "BUTTON"), "kept");

    Restart();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString restored = Page().m_pRxButtons[i]->text();
        EXPECT_LE(restored.toUtf8().size(), kStoredBytes) << names[i].what;
        EXPECT_TRUE(IsWholePrefix(restored, names[i].typed))
            << names[i].what << ": " << restored.left(40).toStdString();
    }
    EXPECT_EQ(Page().m_pTxButtons[1]->text(), QStringLiteral("kept"));
    // The window still answers: a rename after the restart works as before.
    Rename(kRx + 20, QStringLiteral("after"), true);
    EXPECT_EQ(Page().m_pRxButtons[20]->text(), QStringLiteral("after"));
}

}  // namespace
}  // namespace vantel::test
