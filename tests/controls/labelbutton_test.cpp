// The input and output label buttons: the cell each computes for its place in the grid, the
// kinds of button, names and double-clicks.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
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
    QWidget page;
    page.resize(200, 100);
    auto* output = new CRxButton(&page);
    auto* input = new CTxButton(&page);
    output->setGeometry(0, 0, 80, 40);
    input->setGeometry(100, 0, 80, 40);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));

    for (CLabelButton* button :
         {static_cast<CLabelButton*>(output), static_cast<CLabelButton*>(input)}) {
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
