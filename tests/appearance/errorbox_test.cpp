// The error box and its recorder; the modal-answer helper of the test support.

#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

#include "appearance/errorbox.h"
#include "support/guitest.h"

using vantel::test::AnswerNextModal;
using vantel::test::ErrorBoxRecorder;

namespace {

TEST(ErrorBox, BoxHasTheErrorCaptionOkAndCriticalIcon) {
    QWidget owner;
    const auto box = vantel::MakeErrorBox(&owner, "Operation failed, no response.");
    EXPECT_EQ(box->windowTitle(), "ERROR");
    EXPECT_EQ(box->text(), "Operation failed, no response.");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->parentWidget(), &owner);
}

TEST(ErrorBox, RecorderTakesEveryCallAndRestoresTheHandlerBefore) {
    QWidget page;
    std::vector<QString> outer;
    const ErrorBoxHandler before =
        SetErrorBoxHandler([&outer](QWidget*, const QString& text) { outer.push_back(text); });
    {
        ErrorBoxRecorder recorder;
        ShowErrorBox(&page, "first");
        ShowErrorBox(nullptr, "second");
        ASSERT_EQ(recorder.Count(), 2);
        EXPECT_EQ(recorder.Calls()[0].owner, &page);
        EXPECT_EQ(recorder.Calls()[1].owner, nullptr);
        EXPECT_EQ(recorder.Texts(), QStringList({"first", "second"}));
        EXPECT_EQ(recorder.LastText(), "second");
        {
            ErrorBoxRecorder inner;
            ShowErrorBox(&page, "inner");
            EXPECT_EQ(inner.Count(), 1);
        }
        ShowErrorBox(&page, "third");
        EXPECT_EQ(recorder.Count(), 3);
        recorder.Clear();
        EXPECT_TRUE(recorder.LastText().isEmpty());
    }
    EXPECT_TRUE(outer.empty());
    ShowErrorBox(&page, "after");
    EXPECT_EQ(outer, std::vector<QString>({"after"}));
    SetErrorBoxHandler(before);
}

TEST(AnswerNextModal, AnswersTheDialogRunModally) {
    QDialog dialog;
    QWidget* answered = nullptr;
    AnswerNextModal([&answered](QWidget* modal) {
        answered = modal;
        static_cast<QDialog*>(modal)->done(QDialog::Accepted);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(answered, &dialog);
}

}  // namespace
