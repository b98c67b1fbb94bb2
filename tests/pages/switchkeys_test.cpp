// Routing from the keyboard on the switch page, through the real widgets against the device
// model: typed routes taken with Enter, forgotten with Escape, refused when they do not read
// whole; and the page's Tab order.

#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <string>

#include "pages/pageowner.h"
#include "pages/switchkeyboard.h"
#include "switchpagefixture.h"

namespace vantel::test {
namespace {

class SwitchKeysTest : public SwitchPageTest {
protected:
    // 8 x 8, output j fed by input j + 1; inputs 3 and 4 labelled.
    static constexpr const char* kLabelledIni =
        "[setup]\nmode=1\nip=127.0.0.1\n[BUTTON]\n3002=Camera left\n3003=vtr deck\n";

    // The line that shows the typed route.
    QString LineText() {
        auto* line = Page().findChild<QLabel*>(QString::fromLatin1(CSwitchKeyboard::kLineName));
        return line != nullptr ? line->text() : QStringLiteral("<no line>");
    }
    void Type(const char* text) { QTest::keyClicks(&Page(), QString::fromUtf8(text)); }
    void Key(Qt::Key key) { QTest::keyClick(&Page(), key); }
    // Puts the device back to output j fed by input j + 1, for the next case.
    void RouteStraight() {
        for (int k = 0; k < 8; ++k) {
            unsigned char buf[16] = {static_cast<unsigned char>(k),
                                     static_cast<unsigned char>(8 + k)};
            ASSERT_EQ(Page().m_pMainDlg->Link().Command(12, buf, sizeof buf, 2, 500), 0u);
        }
    }
    // The input (from 1) that feeds output j (from 1) on the device.
    int LiveInputOf(int j) { return sim.LiveImage()[static_cast<std::size_t>(7 + 8 + j - 1)]; }
};

TEST_F(SwitchKeysTest, TypedRoutesShowAsClicksAndEnterTakesThem) {
    struct Case {
        const char* typed;
        int selected;                       // 0-based input shown as selected
        std::vector<int> ticked;            // 0-based outputs ticked before Enter
        std::vector<std::uint8_t> payload;  // the switch command Enter sends
        const char* line;                   // what the line shows before Enter
    };
    const Case cases[] = {
        {"3 1 5-7",
         2,
         {0, 4, 5, 6},
         {2, 8, 12, 13, 14},
         "\"3 1 5-7\": input 3 \"Camera left\": outputs 1 5-7"},
        {"3+1 2", 2, {0, 1, 2}, {2, 8, 9, 10}, "\"3+1 2\": input 3 \"Camera left\" + outputs 1 2"},
        {"6=3", 2, {2, 5}, {2, 10, 13}, "\"6=3\": output 6 = input 3 \"Camera left\""},
        {"CAMERA 8", 2, {7}, {2, 15}, "\"CAMERA 8\": input 3 \"Camera left\": outputs 8"},
        {"VTR", 3, {3}, {3, 11}, "\"VTR\": input 4 \"vtr deck\""},
        {"2", 1, {1}, {1, 9}, "\"2\": input 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CPageSwitchDlg& page = StartOnline(kLabelledIni);
        log.Clear();
        Type(c.typed);
        EXPECT_EQ(page.m_nSelInput, c.selected);
        EXPECT_EQ(Ticked(), c.ticked);
        EXPECT_EQ(page.Item<QAbstractButton>(CPageSwitchDlg::IDC_SEL_NAME)->text(),
                  page.m_pTxButtons[c.selected]->text());
        EXPECT_EQ(LineText(), QString::fromUtf8(c.line));
        EXPECT_TRUE(SwitchPayloads().empty());  // nothing before Enter

        Key(Qt::Key_Return);
        EXPECT_EQ(SwitchPayloads(), std::vector<std::vector<std::uint8_t>>{c.payload});
        EXPECT_EQ(errors.Count(), 0);
        for (std::size_t i = 1; i < c.payload.size(); ++i) {
            EXPECT_EQ(LiveInputOf(c.payload[i] - 8 + 1), c.selected + 1) << i;
        }
        EXPECT_EQ(LineText(), QString());
        RouteStraight();
        dlg.reset();
    }
}

TEST_F(SwitchKeysTest, WhatDoesNotReadWholeSendsNothingAndSaysWhy) {
    struct Case {
        const char* typed;
        const char* line;
    };
    const Case cases[] = {
        {"9 1", "\"9 1\": Input 9 is not on this device (inputs 1-8)."},
        {"3 12", "\"3 12\": Output 12 is not on this device (outputs 1-8)."},
        {"6=", "\"6=\": Type the input after \"=\"."},
        {"studio", "\"studio\": No input label starts with \"studio\"."},
    };
    const QString refused =
        QStringLiteral(" Nothing sent. Type a new route, or Backspace to correct this one.");
    CPageSwitchDlg& page = StartOnline(kLabelledIni);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ClickInput(1);
        log.Clear();
        Type(c.typed);
        Key(Qt::Key_Enter);
        EXPECT_TRUE(SwitchPayloads().empty());
        EXPECT_EQ(errors.Count(), 0);
        EXPECT_EQ(LineText(), QString::fromUtf8(c.line) + refused);
        Key(Qt::Key_Escape);  // back to the click's selection
        EXPECT_EQ(page.m_nSelInput, 1);
        EXPECT_EQ(Ticked(), std::vector<int>{1});
    }
}

TEST_F(SwitchKeysTest, EscapePutsBackWhatThePageShowedAndKeysGoBackToTheControls) {
    CPageSwitchDlg& page = StartOnline(kLabelledIni);
    ClickInput(4);
    ClickOutput(0);  // ticks 0 and 4
    Type("3 1-2");
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 1}));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(LineText(), QStringLiteral("\"3 1\": input 3 \"Camera left\": outputs 1"));
    EXPECT_EQ(Ticked(), std::vector<int>{0});

    Key(Qt::Key_Escape);
    EXPECT_EQ(page.m_nSelInput, 4);
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 4}));
    EXPECT_EQ(page.Item<QAbstractButton>(CPageSwitchDlg::IDC_SEL_NAME)->text(),
              QStringLiteral("5"));
    EXPECT_EQ(LineText(), QString());

    // Nothing typed: Space clicks the focused button, Enter and Escape send nothing, and a
    // trackbar keeps its arrows; a digit typed on a focused control starts a route.
    log.Clear();
    QTest::keyClick(page.m_pRxButtons[6], Qt::Key_Space);
    EXPECT_EQ(Ticked(), (std::vector<int>{0, 4, 6}));
    QTest::keyClick(page.m_pRxButtons[6], Qt::Key_Return);
    QTest::keyClick(page.m_pRxButtons[6], Qt::Key_Escape);
    EXPECT_TRUE(SwitchPayloads().empty());
    QSlider* slider = page.Item<QSlider>(CPageSwitchDlg::IDC_SLIDER_LINE);
    const int before = slider->value();
    QTest::keyClick(slider, before < CPageSwitchDlg::kGridMax ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_NE(slider->value(), before);
    QTest::keyClicks(slider, QStringLiteral("2 8"));
    EXPECT_EQ(page.m_nSelInput, 1);
    EXPECT_EQ(Ticked(), std::vector<int>{7});
    QTest::keyClick(slider, Qt::Key_Return);
    EXPECT_EQ(SwitchPayloads(), (std::vector<std::vector<std::uint8_t>>{{1, 15}}));

    // Keys the window's own controls leave unused count while the tab is shown, not after.
    QTest::keyClicks(dlg.get(), QStringLiteral("4"));
    EXPECT_EQ(page.m_nSelInput, 3);
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    ShowTab(0);
    QTest::keyClicks(dlg.get(), QStringLiteral("5"));
    EXPECT_EQ(LineText(), QString());
    EXPECT_EQ(page.m_nSelInput, 1);
}

TEST_F(SwitchKeysTest, RefusedRouteIsReplacedByTheNextOrCorrectedWithBackspace) {
    struct Case {
        const char* refused;
        const char* then;  // '\b' presses Backspace
        std::vector<std::uint8_t> payload;
    };
    const Case cases[] = {
        {"3 12", "3 1", {2, 8}},      // typed anew, not appended to "3 12"
        {"6=", "\b=3", {2, 10, 13}},  // corrected: "6=3"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        StartOnline(kLabelledIni);
        log.Clear();
        Type(c.refused);
        Key(Qt::Key_Return);
        ASSERT_TRUE(SwitchPayloads().empty());
        for (const char* key = c.then; *key != '\0'; ++key) {
            if (*key == '\b') {
                Key(Qt::Key_Backspace);
            } else {
                Type(std::string(1, *key).c_str());
            }
        }
        Key(Qt::Key_Return);
        EXPECT_EQ(SwitchPayloads(), std::vector<std::vector<std::uint8_t>>{c.payload});
        EXPECT_EQ(LineText(), QString());
        RouteStraight();
        dlg.reset();
    }
}

TEST_F(SwitchKeysTest, ClickWhileTypingEndsTheTypingAndEscapeLeavesTheClick) {
    CPageSwitchDlg& page = StartOnline(kLabelledIni);
    Type("3 1");
    ASSERT_EQ(page.m_nSelInput, 2);
    ClickInput(4);
    EXPECT_EQ(LineText(), QString());
    EXPECT_EQ(page.m_nSelInput, 4);
    EXPECT_EQ(Ticked(), std::vector<int>{4});

    Key(Qt::Key_Escape);
    EXPECT_EQ(page.m_nSelInput, 4);
    EXPECT_EQ(Ticked(), std::vector<int>{4});
    EXPECT_EQ(page.Item<QAbstractButton>(CPageSwitchDlg::IDC_SEL_NAME)->text(),
              QStringLiteral("5"));

    // The next key starts a route of its own.
    Type("2");
    EXPECT_EQ(LineText(), QStringLiteral("\"2\": input 2"));
}

TEST_F(SwitchKeysTest, TabGoesInputsOutputsThenTheBottomRowLeftToRight) {
    CPageSwitchDlg& page = StartOnline();
    std::vector<QWidget*> expected;
    for (int k = 0; k < 8; ++k) {
        expected.push_back(page.m_pTxButtons[k]);
    }
    for (int j = 0; j < 8; ++j) {
        expected.push_back(page.m_pRxButtons[j]);
    }
    for (int id : {CPageSwitchDlg::IDC_SEL_NAME, CPageSwitchDlg::IDC_CLEAR, CPageSwitchDlg::IDC_ALL,
                   CPageSwitchDlg::IDC_OK, CPageSwitchDlg::IDC_SLIDER_LINE,
                   CPageSwitchDlg::IDC_SLIDER_ROW}) {
        expected.push_back(page.GetDlgItem(id));
    }
    // The focus chain from the first input, through the page's controls that Tab can reach.
    std::vector<QWidget*> reached;
    QWidget* w = expected.front();
    for (int i = 0; i < 1000 && reached.size() < expected.size(); ++i, w = w->nextInFocusChain()) {
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) != 0 && page.isAncestorOf(w)) {
            reached.push_back(w);
        }
    }
    EXPECT_EQ(reached, expected);
}

}  // namespace
}  // namespace vantel::test
