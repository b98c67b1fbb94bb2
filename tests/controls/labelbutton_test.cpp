// The input and output label buttons: the cell each computes for its place in the grid, the
// kinds of button, names, how long names wrap, and double-clicks at a person's pace.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>
#include <QStyleHints>
#include <QStyleOptionButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <memory>

#include "controls/rxbutton.h"
#include "controls/txbutton.h"

namespace {

// A cell as left, top, right, bottom (right and bottom exclusive).
struct Cell {
    int left, top, right, bottom;
    bool operator==(const Cell&) const = default;
};

Cell CellOf(const QRect& r) {
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

std::unique_ptr<CLabelButton> MakeButton(bool output, int index) {
    std::unique_ptr<CLabelButton> button;
    if (output) {
        button = std::make_unique<CRxButton>();
    } else {
        button = std::make_unique<CTxButton>();
    }
    button->m_nIndex = index;
    return button;
}

// A shown window with an output and an input button side by side.
struct ShownButtons {
    QWidget page;
    CRxButton* output = new CRxButton(&page);
    CTxButton* input = new CTxButton(&page);

    ShownButtons() {
        page.resize(200, 100);
        output->setGeometry(0, 0, 80, 40);
        input->setGeometry(100, 0, 80, 40);
        page.show();
    }
    std::array<CLabelButton*, 2> Both() { return {output, input}; }
};

struct CellCase {
    const char* what;
    bool output;
    int index;
    QRect area;
    int columns, rows;
    Cell expected;
};

TEST(LabelButtonTest, CalcRectPlacesEachButtonInItsCell) {
    const CellCase cases[] = {
        {"input 13 of 400x300, 12x12", false, 13, {0, 0, 400, 300}, 12, 12, {35, 28, 64, 38}},
        {"output 13 of 400x300, 12x12", true, 13, {0, 0, 400, 300}, 12, 12, {35, 164, 64, 174}},
        {"input 11: last of the first row",
         false,
         11,
         {0, 0, 400, 300},
         12,
         12,
         {365, 16, 394, 26}},
        {"input 12: first of the second row", false, 12, {0, 0, 400, 300}, 12, 12, {2, 28, 31, 38}},
        {"output 11: last of the first row",
         true,
         11,
         {0, 0, 400, 300},
         12,
         12,
         {365, 152, 394, 162}},
        {"output 12: first of the second row",
         true,
         12,
         {0, 0, 400, 300},
         12,
         12,
         {2, 164, 31, 174}},
        {"input 13, area elsewhere on screen",
         false,
         13,
         {700, 500, 400, 300},
         12,
         12,
         {35, 28, 64, 38}},
        {"output 13, area elsewhere on screen",
         true,
         13,
         {-50, 90, 400, 300},
         12,
         12,
         {35, 164, 64, 174}},
        {"input 0 of an odd size, 6x16", false, 0, {0, 0, 643, 441}, 6, 16, {2, 16, 105, 27}},
        {"output 7 of an odd size, 6x16", true, 7, {0, 0, 643, 441}, 6, 16, {109, 235, 212, 246}},
        {"output 71 of an odd size, 16x6", true, 71, {0, 0, 643, 441}, 16, 6, {282, 366, 318, 400}},
        {"zero columns and rows count as 1", false, 1, {0, 0, 400, 300}, 0, -4, {2, 166, 398, 314}},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto button = MakeButton(c.output, c.index);
        const QRect returned = button->CalcRect(c.area, c.columns, c.rows);
        EXPECT_EQ(CellOf(returned), c.expected);
        EXPECT_EQ(button->m_rcCell, returned);
        const Cell& e = c.expected;
        EXPECT_EQ(button->m_nCellWidth, e.right - e.left + 4);
    }
}

TEST(LabelButtonTest, CellHeightsOfBothHalves) {
    CTxButton input;
    CRxButton output;
    input.CalcRect({0, 0, 400, 301}, 12, 7);
    output.CalcRect({0, 0, 400, 301}, 12, 7);
    EXPECT_EQ(input.m_nCellHeight, (301 / 7) / 2);   // 21
    EXPECT_EQ(output.m_nCellHeight, (301 / 2) / 7);  // 21, from the other order
    input.CalcRect({0, 0, 400, 299}, 12, 13);
    output.CalcRect({0, 0, 400, 299}, 12, 13);
    EXPECT_EQ(input.m_nCellHeight, 11);
    EXPECT_EQ(output.m_nCellHeight, 11);
    input.CalcRect({0, 0, 400, 300}, 16, 9);
    output.CalcRect({0, 0, 400, 300}, 16, 9);
    EXPECT_EQ(input.m_nCellHeight, 16);
    EXPECT_EQ(output.m_nCellHeight, 16);
    input.CalcRect({0, 0, 400, 170}, 6, 16);
    output.CalcRect({0, 0, 400, 170}, 6, 16);
    EXPECT_EQ(input.m_nCellHeight, 5);   // (170 / 16) / 2
    EXPECT_EQ(output.m_nCellHeight, 5);  // (170 / 2) / 16
}

TEST(LabelButtonTest, KindsAndNames) {
    CRxButton output;
    CTxButton input;
    EXPECT_TRUE(output.isCheckable());
    EXPECT_FALSE(input.isCheckable());
    EXPECT_TRUE(output.m_strName.isEmpty());
    EXPECT_TRUE(input.m_strName.isEmpty());

    output.setText(QStringLiteral("7"));
    output.SetName(QStringLiteral("Camera"));
    EXPECT_EQ(output.m_strName, QStringLiteral("Camera"));
    EXPECT_EQ(output.text(), QStringLiteral("7"));  // the owner sets the visible text
}

TEST(LabelButtonTest, DoubleClickIsReportedOnceAndKeepsTheCheck) {
    ShownButtons shown;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown.page));

    for (CLabelButton* button : shown.Both()) {
        QSignalSpy doubles(button, &CLabelButton::doubleClicked);
        QTest::mouseClick(button, Qt::LeftButton);
        const bool checkedAfterClick = button->isChecked();
        QTest::mouseDClick(button, Qt::LeftButton);
        EXPECT_EQ(doubles.count(), 1);
        if (button->isCheckable()) {
            EXPECT_EQ(button->isChecked(), checkedAfterClick);
        }
    }
}

}  // namespace

namespace {

// What a button's frame and padding leave of its size for the text.
QSize TextMargins(const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = QRect(0, 0, 200, 200);
    const QRect room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return QSize(200 - room.width(), 200 - room.height());
}

QImage Rendered(QWidget& widget) {
    return widget.grab().toImage();
}

}  // namespace

TEST(LabelButtonTest, LongNamesWrapOntoTheLinesTheButtonHasRoomFor) {
    // A cell as narrow as the widest word: the name shows as a plain button would show it with
    // a line per word, not cut at both ends.
    for (const bool output : {false, true}) {
        SCOPED_TRACE(output ? "output" : "input");
        auto button = MakeButton(output, 0);
        const QFontMetrics metrics(button->font());
        const QSize margins = TextMargins(*button);
        int widest = 0;
        for (const char* word : {"Camera", "left", "studio"}) {
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromLatin1(word)));
        }
        const QSize size(margins.width() + widest + 2,
                         margins.height() + 3 * metrics.lineSpacing() + 2);
        ASSERT_LT(size.width() - margins.width(),
                  metrics.horizontalAdvance(QStringLiteral("Camera left")));
        button->setText(QStringLiteral("Camera left studio"));
        button->resize(size);
        QPushButton plain(QStringLiteral("Camera\nleft\nstudio"));
        plain.resize(size);
        EXPECT_TRUE(Rendered(*button) == Rendered(plain));
    }
}

TEST(LabelButtonTest, WrappedLinesFitTheButton) {
    struct Case {
        const char* what;
        QString text;
        int widthInX, lines;  // room for the text: widthInX letters "x", lines lines
        bool whole;           // every character of the text is shown
    };
    const Case cases[] = {
        {"short name: one line", QStringLiteral("7"), 10, 3, true},
        {"words on lines", QStringLiteral("Camera left studio"), 8, 3, true},
        {"a word wider than the button breaks inside", QStringLiteral("Multiviewerfeed"), 5, 4,
         true},
        {"more than fits: the last line ends in an ellipsis",
         QStringLiteral("one two three four five six seven eight nine"), 8, 2, false},
        {"no room for a line: still one line", QStringLiteral("Camera left"), 4, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTxButton button;
        const QFontMetrics metrics(button.font());
        const QSize margins = TextMargins(button);
        const int room = c.widthInX * metrics.horizontalAdvance(QLatin1Char('x'));
        button.resize(margins.width() + room, margins.height() + c.lines * metrics.lineSpacing());
        button.setText(c.text);

        const QStringList lines = button.ShownLines();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_LE(lines.size(), std::max(1, c.lines));
        for (const QString& line : lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
        }
        QString shown = lines.join(QString());
        shown.remove(QLatin1Char(' '));
        QString expected = c.text;
        expected.remove(QLatin1Char(' '));
        EXPECT_EQ(shown == expected, c.whole) << lines.join(QLatin1Char('|')).toStdString();
        if (!c.whole) {
            EXPECT_TRUE(lines.last().endsWith(QChar(0x2026))) << lines.last().toStdString();
        }
    }
}

TEST(LabelButtonTest, DoubleClickAtAPersonsPaceLeavesTheTickAsItWas) {
    // Press, release, press: the window system makes the second press the double-click, and
    // its owner opens a dialog then, so the second release may come late or never. The
    // simulated clock moves half a second after every release, hence the long interval.
    QStyleHints* hints = QGuiApplication::styleHints();
    const int interval = hints->mouseDoubleClickInterval();
    hints->setMouseDoubleClickInterval(3000);

    ShownButtons shown;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown.page));
    QWindow* window = shown.page.windowHandle();

    struct Timing {
        int releaseAfter, pressAgainAfter;  // milliseconds
    };
    const Timing timings[] = {{100, 100}, {5, 5}, {300, 900}};
    for (CLabelButton* button : shown.Both()) {
        for (const bool checkedBefore : {false, true}) {
            for (const Timing& t : timings) {
                SCOPED_TRACE(testing::Message()
                             << button->metaObject()->className() << " ticked " << checkedBefore
                             << " after " << t.releaseAfter << "/" << t.pressAgainAfter << " ms");
                button->setChecked(checkedBefore);
                QSignalSpy doubles(button, &CLabelButton::doubleClicked);
                QSignalSpy clicks(button, &QAbstractButton::clicked);
                const QPoint at = button->geometry().center();
                QTest::mousePress(window, Qt::LeftButton, {}, at);
                QTest::qWait(t.releaseAfter);
                QTest::mouseRelease(window, Qt::LeftButton, {}, at, t.releaseAfter);
                QTest::qWait(t.pressAgainAfter);
                QTest::mousePress(window, Qt::LeftButton, {}, at, t.pressAgainAfter);

                EXPECT_EQ(doubles.count(), 1);
                EXPECT_EQ(clicks.count(), 1);  // the first press and release only
                EXPECT_EQ(button->isChecked(), checkedBefore && button->isCheckable());
                EXPECT_FALSE(button->isDown());
                // The second release, once the owner's dialog is gone, clicks nothing.
                QTest::mouseRelease(window, Qt::LeftButton, {}, at);
                EXPECT_EQ(button->isChecked(), checkedBefore && button->isCheckable());
                EXPECT_EQ(clicks.count(), 1);
            }
        }
    }
    hints->setMouseDoubleClickInterval(interval);
}
