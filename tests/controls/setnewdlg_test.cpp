// The name entry dialog: how each way of ending it sets the result and the name.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "controls/setnewdlg.h"
#include "res/dlgtemplate.h"
#include "support/guitest.h"

namespace {

using vantel::test::AnswerNextModal;
using vantel::test::FindById;

enum class End { Save, Cancel, Enter, Escape };

struct EndCase {
    const char* what;
    QString typed;
    End end;
    int result;
    QString name;  // m_strNewName afterwards
};

TEST(SetNewDlgTest, EachWayOfEndingIt) {
    const QString unchanged = QStringLiteral("before");
    const QString longName(5000, QChar(u'\u6444'));
    const EndCase cases[] = {
        {"save", QStringLiteral("Camera 3"), End::Save, QDialog::Accepted,
         QStringLiteral("Camera 3")},
        {"save with an empty edit", QString(), End::Save, QDialog::Accepted, QString()},
        {"Enter saves", QStringLiteral("Desk"), End::Enter, QDialog::Accepted,
         QStringLiteral("Desk")},
        {"long multi-byte text", longName, End::Save, QDialog::Accepted, longName},
        {"cancel after typing", QStringLiteral("lost"), End::Cancel, QDialog::Rejected, unchanged},
        {"Escape cancels", QStringLiteral("lost"), End::Escape, QDialog::Rejected, unchanged},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetNewDlg dlg;
        dlg.m_strNewName = unchanged;
        QString startText = QStringLiteral("unset");
        AnswerNextModal([&](QWidget* modal) {
            auto* edit = FindById<QLineEdit>(modal, SetNewDlg::IDC_NEW_NAME);
            ASSERT_NE(edit, nullptr);
            startText = edit->text();
            edit->setText(c.typed);
            switch (c.end) {
                case End::Save:
                    QTest::mouseClick(FindById<QPushButton>(modal, SetNewDlg::IDC_SAVE),
                                      Qt::LeftButton);
                    break;
                case End::Cancel:
                    QTest::mouseClick(FindById<QPushButton>(modal, SetNewDlg::IDC_CANCEL),
                                      Qt::LeftButton);
                    break;
                case End::Enter:
                    QTest::keyClick(edit, Qt::Key_Return);
                    break;
                case End::Escape:
                    QTest::keyClick(edit, Qt::Key_Escape);
                    break;
            }
        });
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.m_strNewName, c.name);
        EXPECT_TRUE(startText.isEmpty());
    }
}

TEST(SetNewDlgTest, BuiltFromItsTemplate) {
    SetNewDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.TemplateId(), IDD_SETNEW);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("INPUT YOUR NAME"));
    EXPECT_EQ(FindById<QPushButton>(&dlg, SetNewDlg::IDC_SAVE)->text(), QStringLiteral("save"));
    EXPECT_EQ(FindById<QPushButton>(&dlg, SetNewDlg::IDC_CANCEL)->text(), QStringLiteral("cancel"));
    EXPECT_TRUE(dlg.m_strNewName.isEmpty());
}

}  // namespace
