// Loading the skin: only a sound style sheet is applied.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>

#include "appearance/skin.h"
#include "support/guitest.h"

namespace {

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.IsValid());
        qApp->setStyleSheet(kBefore);
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }

    static constexpr const char* kBefore = "QLabel { color: #010203; }";
    vantel::test::TempAppDir dir;
};

TEST_F(SkinTest, FilesThatAreNoSkinChangeNothing) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"only blanks", "  \r\n\t "},
        {"binary", QByteArray("MZ\x90\0\3\0\0\0", 8)},
        {"not UTF-8", "QWidget { font-family: \"\xff\xfe\"; }"},
        {"unbalanced braces", "QWidget { color: red; "},
        {"closing before opening", "} QWidget { color: red; "},
        {"open comment", "QWidget { color: red; } /* "},
        {"too large", "QWidget {}" + QByteArray(2 * 1024 * 1024, ' ')},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.Write("Style.dll", c.bytes)) << c.what;
        EXPECT_FALSE(LoadSkin(dir.FilePath("Style.dll"))) << c.what;
        EXPECT_EQ(qApp->styleSheet(), kBefore) << c.what;
    }
    EXPECT_FALSE(LoadSkin(dir.FilePath("missing.dll")));
    EXPECT_FALSE(LoadSkin(dir.Path()));  // a directory
    EXPECT_EQ(qApp->styleSheet(), kBefore);
}

TEST_F(SkinTest, SoundSheetIsAppliedToTheApplication) {
    const QByteArray sheet =
        "\xef\xbb\xbf/* } */ QPushButton { color: #123456; } "
        "QLabel[text=\"{\"] { color: red; }";
    ASSERT_TRUE(dir.Write("Style.dll", sheet));
    EXPECT_TRUE(LoadSkin(dir.FilePath("Style.dll")));
    EXPECT_TRUE(qApp->styleSheet().startsWith("/* } */ QPushButton"));

    QPushButton button("x");
    button.ensurePolished();
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(0x12, 0x34, 0x56));
}

TEST_F(SkinTest, ShippedSkinLoads) {
    EXPECT_TRUE(LoadSkin(VANTEL_SKIN_FILE));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

}  // namespace
