// The IP address control: typing into the fields as an operator does (keys go to whichever
// field has the focus), reading and setting the four numbers, and its single tab stop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <ostream>
#include <string>

#include "controls/ipaddressctrl.h"

// Field texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Address = CIPAddressCtrl::Address;

class IpAddressCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        before = new QLineEdit(&window);
        ctrl = new CIPAddressCtrl(&window);
        after = new QLineEdit(&window);
        layout->addWidget(before);
        layout->addWidget(ctrl);
        layout->addWidget(after);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Sends each key to the widget that has the focus at that moment. '\b' is Backspace,
    // '<' and '>' the arrow keys, '\t' Tab.
    static void Type(const std::string& keys) {
        for (char c : keys) {
            QWidget* target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            switch (c) {
                case '\b':
                    QTest::keyClick(target, Qt::Key_Backspace);
                    break;
                case '<':
                    QTest::keyClick(target, Qt::Key_Left);
                    break;
                case '>':
                    QTest::keyClick(target, Qt::Key_Right);
                    break;
                case '\t':
                    QTest::keyClick(target, Qt::Key_Tab);
                    break;
                default:
                    QTest::keyClick(target, c);
            }
        }
    }

    QStringList FieldTexts() const {
        QStringList texts;
        for (int i = 0; i < CIPAddressCtrl::kFields; ++i) {
            texts << ctrl->Field(i)->text();
        }
        return texts;
    }

    QWidget window;
    QLineEdit* before = nullptr;
    CIPAddressCtrl* ctrl = nullptr;
    QLineEdit* after = nullptr;
};

struct TypingCase {
    const char* name;
    std::string keys;  // typed after clicking into the first field
    QStringList fields;
    Address address;
};

const TypingCase kTypingCases[] = {
    {"periods separate", "127.0.0.7", {"127", "0", "0", "7"}, {127, 0, 0, 7}},
    {"full fields move on", "127168001080", {"127", "168", "001", "080"}, {127, 168, 1, 80}},
    {"a period after a full field is not doubled",
     "127.168.1.80",
     {"127", "168", "1", "80"},
     {127, 168, 1, 80}},
    {"above 255 is clamped", "300.256.999.1", {"255", "255", "255", "1"}, {255, 255, 255, 1}},
    {"a period in an empty field stays", "..5", {"5", "", "", ""}, {5, 0, 0, 0}},
    {"empty fields read as 0", "1..2", {"1", "2", "", ""}, {1, 2, 0, 0}},
    {"nothing typed", "", {"", "", "", ""}, {0, 0, 0, 0}},
    {"letters and signs are ignored", "a1-b.+2 c", {"1", "2", "", ""}, {1, 2, 0, 0}},
    {"period in the last field is ignored", "1.2.3.4.5", {"1", "2", "3", "45"}, {1, 2, 3, 45}},
    {"backspace in an empty field moves back", "1.2\b\b5", {"15", "", "", ""}, {15, 0, 0, 0}},
    {"backspace deletes within a field", "12\b4", {"14", "", "", ""}, {14, 0, 0, 0}},
    {"left at the start goes back", "12.34<<<9", {"129", "34", "", ""}, {129, 34, 0, 0}},
    {"right at the end goes on", "1>2>>3", {"1", "2", "", "3"}, {1, 2, 0, 3}},
};

TEST_F(IpAddressCtrlTest, TypingFillsTheFieldsAsOperatorsExpect) {
    for (const TypingCase& c : kTypingCases) {
        SCOPED_TRACE(c.name);
        ctrl->ClearAddress();
        QTest::mouseClick(ctrl->Field(0), Qt::LeftButton);
        ASSERT_EQ(QApplication::focusWidget(), ctrl->Field(0));
        Type(c.keys);
        EXPECT_EQ(FieldTexts(), c.fields);
        EXPECT_EQ(ctrl->GetAddress(), c.address);
    }
}

TEST_F(IpAddressCtrlTest, MovingOnSelectsTheNextFieldSoTypingReplacesIt) {
    ctrl->SetAddress({1, 2, 3, 4});
    QTest::mouseClick(ctrl->Field(0), Qt::LeftButton);
    ctrl->Field(0)->selectAll();
    Type("10.20");
    EXPECT_EQ(ctrl->GetAddress(), (Address{10, 20, 3, 4}));
}

TEST_F(IpAddressCtrlTest, SetAndGetRoundTripAndEmptiedFieldsReadAsZero) {
    EXPECT_TRUE(ctrl->IsBlank());
    const Address address{192, 168, 1, 80};
    ctrl->SetAddress(address);
    EXPECT_FALSE(ctrl->IsBlank());
    EXPECT_EQ(FieldTexts(), (QStringList{"192", "168", "1", "80"}));
    EXPECT_EQ(ctrl->GetAddress(), address);

    ctrl->Field(2)->clear();
    EXPECT_EQ(ctrl->GetAddress(), (Address{192, 168, 0, 80}));
    ctrl->SetAddress({255, 255, 255, 255});
    EXPECT_EQ(ctrl->GetAddress(), (Address{255, 255, 255, 255}));
    ctrl->ClearAddress();
    EXPECT_TRUE(ctrl->IsBlank());
    EXPECT_EQ(ctrl->GetAddress(), (Address{0, 0, 0, 0}));
}

TEST_F(IpAddressCtrlTest, IsOneTabStopEnteredAtItsFirstField) {
    before->setFocus();
    Type("\t");
    EXPECT_EQ(QApplication::focusWidget(), ctrl->Field(0));
    Type("\t");
    EXPECT_EQ(QApplication::focusWidget(), after);

    // Leaving from a later field goes on to the next control too.
    QTest::mouseClick(ctrl->Field(2), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), ctrl->Field(2));
    Type("\t");
    EXPECT_EQ(QApplication::focusWidget(), after);

    // Focus given to the control goes to its first field.
    ctrl->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), ctrl->Field(0));
}

TEST_F(IpAddressCtrlTest, FieldsAreNamedAfterTheControl) {
    ctrl->SetName(QStringLiteral("MASK"));
    EXPECT_EQ(ctrl->accessibleName(), "MASK");
    EXPECT_EQ(ctrl->Field(0)->accessibleName(), "MASK, field 1 of 4");
    EXPECT_EQ(ctrl->Field(3)->accessibleName(), "MASK, field 4 of 4");
    EXPECT_EQ(ctrl->Field(4), nullptr);
    EXPECT_EQ(ctrl->Field(-1), nullptr);
}

}  // namespace
