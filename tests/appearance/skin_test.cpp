// Loading the skin: only a sound style sheet is applied; the shipped skin is drawn by the
// skin's own style, with its colours on every kind of control.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <functional>
#include <memory>

#include "appearance/skin.h"
#include "appearance/skinstyle.h"
#include "support/guitest.h"

namespace {

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.IsValid());
        m_styleName = QApplication::style()->name();
        qApp->setStyleSheet(kBefore);
    }
    void TearDown() override {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(m_styleName);
        QApplication::setPalette(QApplication::style()->standardPalette());
    }

    static constexpr const char* kBefore = "QLabel { color: #010203; }";
    vantel::test::TempAppDir dir;

private:
    QString m_styleName;
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

// The colour of a widget's pixel at a point given by the widget itself: what the widget and
// its children paint, over red where they paint nothing.
QColor PixelOf(QWidget& widget, const std::function<QPoint(QWidget&)>& at) {
    widget.ensurePolished();
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::red);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.pixelColor(at(widget));
}

QPoint Middle(QWidget& w) {
    return w.rect().center();
}

TEST_F(SkinTest, ShippedSkinIsDrawnByItsStyleWithItsColours) {
    ASSERT_TRUE(LoadSkin(VANTEL_SKIN_FILE));
    EXPECT_NE(qobject_cast<CSkinStyle*>(QApplication::style()), nullptr);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());

    struct Case {
        const char* what;
        std::function<std::unique_ptr<QWidget>()> make;
        std::function<QPoint(QWidget&)> at;
        QColor expected;
    };
    const auto button = [](bool checked, bool enabled) {
        auto b = std::make_unique<QPushButton>();
        b->setCheckable(true);
        b->setChecked(checked);
        b->setEnabled(enabled);
        b->resize(80, 30);
        return b;
    };
    // A page: a dialog embedded in another widget.
    const auto page = [] {
        auto parent = std::make_unique<QWidget>();
        parent->resize(100, 100);
        auto* child = new QDialog(parent.get());
        child->setWindowFlags(Qt::Widget);  // embedded, as the pages are
        child->setGeometry(10, 10, 80, 80);
        return parent;
    };
    const auto tabs = [] {
        auto bar = std::make_unique<QTabBar>();
        bar->addTab(QStringLiteral("one"));
        bar->addTab(QStringLiteral("two"));
        bar->resize(bar->sizeHint());
        return bar;
    };
    const auto tabEdge = [](int index) {
        return [index](QWidget& w) {
            const QRect tab = static_cast<QTabBar&>(w).tabRect(index);
            return QPoint(tab.left() + 4, tab.bottom() - 2);
        };
    };
    const Case cases[] = {
        {"button", [&] { return button(false, true); }, Middle, QColor(0xf8, 0xf9, 0xfa)},
        {"checked button", [&] { return button(true, true); }, Middle, QColor(0x2f, 0x6e, 0xa5)},
        {"disabled button", [&] { return button(false, false); }, Middle, QColor(0xe6, 0xe8, 0xea)},
        {"checked disabled button", [&] { return button(true, false); }, Middle,
         QColor(0x8e, 0xa6, 0xbc)},
        {"entry field", [] { return std::make_unique<QLineEdit>(); }, Middle, Qt::white},
        {"sunken label",
         [] {
             auto label = std::make_unique<QLabel>();
             label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
             label->setProperty("sunken", true);
             label->resize(60, 20);
             return label;
         },
         Middle, QColor(0xf8, 0xf9, 0xfa)},
        {"page", page, Middle, QColor(0xee, 0xf0, 0xf2)},
        {"selected tab", tabs, tabEdge(0), QColor(0x2f, 0x6e, 0xa5)},
        {"other tab", tabs, tabEdge(1), QColor(0xdd, 0xe1, 0xe5)},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<QWidget> widget = c.make();
        EXPECT_EQ(PixelOf(*widget, c.at).name(), c.expected.name()) << c.what;
    }
}

}  // namespace
