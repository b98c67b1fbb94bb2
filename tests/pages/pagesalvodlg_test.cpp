// The SALVO page driven through its widgets against the device model in memory: capture,
// the diff table, TAKE with its honest result, Ctrl+Z, rename, delete and unreadable files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/setnewdlg.h"
#include "pages/pagesalvodlg.h"
#include "routing/faultydevice.h"
#include "routing/journal.h"
#include "routing/salvostore.h"
#include "support/guitest.h"
#include "support/tempdir.h"
#include "testpageowner.h"

namespace vantel::test {
namespace {

struct DiffRow {
    QString mark, output, now, after;
    bool bold;
    bool operator==(const DiffRow&) const = default;
};

void PrintTo(const DiffRow& r, std::ostream* os) {
    *os << "{" << r.mark.toStdString() << "|" << r.output.toStdString() << "|"
        << r.now.toStdString() << "|" << r.after.toStdString() << (r.bold ? "|bold}" : "}");
}

// Evening: output 1 to input 4, output 2 to none, output 3 stays on input 3.
const Salvo kEvening{"Evening", {{1, 4}, {2, 0}, {3, 3}}};
const std::vector<int> kEveningTaken = {4, 0, 3, 4, 5, 6, 7, 8};

class SalvoPage : public OwnedPageTest {
protected:
    // Output 1 and inputs 3 and 4 carry names on the switch page.
    static constexpr const char* kIni = "[BUTTON]\n2500=Stage\n3002=Cam 3\n3003=Cam 4\n";
    const std::vector<int> before = {1, 2, 3, 4, 5, 6, 7, 8};

    void SetUp() override {
        WriteFile(settings.string(), kIni);
        d.Route(before);
        page.m_pMainDlg = &owner;
        ASSERT_TRUE(page.Create(&host));
        host.addAction(page.UndoAction());
        host.resize(page.size());
        page.setEnabled(true);
        page.show();
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    }

    // Hands the page the device's live image, as the status monitor would.
    void HandOver() { page.SetImage(d.device.StateImage(0).data()); }

    void Store(const Salvo& salvo) {
        CSalvoStore store(CSalvoStore::FolderBeside(settings));
        ASSERT_TRUE(store.Save(salvo).ok);
        page.Reload();
    }

    // Evening stored, the live image handed over, Evening clicked in the list.
    void SelectEvening() {
        Store(kEvening);
        HandOver();
        ClickSalvo(QStringLiteral("Evening"));
    }

    QTableWidget* List() { return page.Item<QTableWidget>(CPageSalvoDlg::IDC_SALVO_LIST); }
    QTableWidget* Diff() { return page.Item<QTableWidget>(CPageSalvoDlg::IDC_DIFF); }
    QString Result() { return page.Item<QLabel>(CPageSalvoDlg::IDC_RESULT)->text(); }
    QString Problems() { return page.Item<QLabel>(CPageSalvoDlg::IDC_PROBLEMS)->text(); }

    QStringList Listed() {
        QStringList names;
        for (int r = 0; r < List()->rowCount(); ++r) {
            names << List()->item(r, 0)->text();
        }
        return names;
    }

    // Clicks the row of the salvo in the list, as the operator would.
    void ClickSalvo(const QString& name) {
        const int row = static_cast<int>(Listed().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        QTableWidget* list = List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row, 0)).center());
        ASSERT_EQ(page.SelectedName(), name);
    }

    std::vector<DiffRow> DiffRows() {
        std::vector<DiffRow> rows;
        QTableWidget* diff = Diff();
        for (int r = 0; r < diff->rowCount(); ++r) {
            const auto text = [&](int c) { return diff->item(r, c)->text(); };
            rows.push_back({text(0), text(1), text(2), text(3),
                            diff->item(r, CPageSalvoDlg::kColOutput)->font().bold()});
        }
        return rows;
    }

    void Press(int id) { QTest::mouseClick(page.Item<QAbstractButton>(id), Qt::LeftButton); }

    // Presses button id and types name into the name entry dialog it opens.
    void PressAndName(int id, const QString& name) {
        bool answered = false;
        AnswerNextModal([&](QWidget* modal) {
            FindById<QLineEdit>(modal, SetNewDlg::IDC_NEW_NAME)->setText(name);
            QTest::mouseClick(FindById<QAbstractButton>(modal, SetNewDlg::IDC_SAVE),
                              Qt::LeftButton);
            answered = true;
        });
        Press(id);
        EXPECT_TRUE(answered);
    }

    // Answers the next yes / no question.
    static void AnswerQuestion(QMessageBox::StandardButton answer) {
        AnswerNextModal([answer](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            box->button(answer)->click();
        });
    }

    void PressUndoKeys() { QTest::keyClick(List(), Qt::Key_Z, Qt::ControlModifier); }

    CPageSalvoDlg page;
};

TEST_F(SalvoPage, CaptureFromLiveOrSceneStoresTheSalvoAndListsIt) {
    struct Case {
        int source;  // the source list's entry: 0 live, n scene n
        std::vector<int> sceneRouting;
    };
    const std::vector<int> scene3 = {2, 2, 2, 1, 0, 0, 0, 0};
    d.Route(scene3);
    d.device.Handle(9, std::vector<std::uint8_t>{3, 0});  // stored as scene 3
    d.Route(before);
    const Case cases[] = {{0, before}, {3, scene3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const QString name = QStringLiteral("From %1").arg(c.source);
        page.Item<QComboBox>(CPageSalvoDlg::IDC_SOURCE)->setCurrentIndex(c.source);
        PressAndName(CPageSalvoDlg::IDC_CAPTURE, name);
        EXPECT_TRUE(Listed().contains(name));
        EXPECT_EQ(page.SelectedName(), name);
        Salvo stored;
        ASSERT_TRUE(
            CSalvoStore(CSalvoStore::FolderBeside(settings)).Load(name.toStdString(), stored).ok);
        ASSERT_EQ(stored.routes.size(), c.sceneRouting.size());
        for (const auto& [output, input] : stored.routes) {
            EXPECT_EQ(input, c.sceneRouting[static_cast<std::size_t>(output - 1)]) << output;
        }
        EXPECT_TRUE(Result().contains(QStringLiteral("Captured"))) << Result().toStdString();
    }
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SalvoPage, CaptureWithAnEmptyNameIsRefusedAndStoresNothing) {
    PressAndName(CPageSalvoDlg::IDC_CAPTURE, QString());
    EXPECT_TRUE(Listed().isEmpty());
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_TRUE(errors.LastText().contains(QStringLiteral("name")));
}

TEST_F(SalvoPage, SelectingShowsNowAndAfterWithLabelsAndMarksWhatChanges) {
    SelectEvening();
    const std::vector<DiffRow> expected = {
        {"*", "Stage", "1", "Cam 4", true},
        {"*", "2", "2", "none", true},
        {"", "3", "Cam 3", "Cam 3", false},
    };
    EXPECT_EQ(DiffRows(), expected);

    // A new image (another client routed output 3 elsewhere) updates the table.
    d.Route({1, 2, 5, 4, 5, 6, 7, 8});
    HandOver();
    EXPECT_EQ(DiffRows()[2], (DiffRow{"*", "3", "5", "Cam 3", true}));
}

TEST_F(SalvoPage, BeforeTheFirstImageNothingIsMarkedAndNowIsBlank) {
    Store(kEvening);
    ClickSalvo(QStringLiteral("Evening"));
    for (const DiffRow& row : DiffRows()) {
        EXPECT_EQ(row.mark, QString());
        EXPECT_EQ(row.now, QString());
        EXPECT_FALSE(row.bold);
    }
    EXPECT_EQ(DiffRows().size(), 3u);
}

TEST_F(SalvoPage, TakeBringsTheDeviceToTheSalvoAndSaysTaken) {
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    EXPECT_EQ(d.Live(), kEveningTaken);
    EXPECT_TRUE(Result().contains(QStringLiteral("taken"))) << Result().toStdString();
    EXPECT_EQ(errors.Count(), 0);
    EXPECT_TRUE(page.isEnabled());
    EXPECT_TRUE(page.Item<QProgressBar>(CPageSalvoDlg::IDC_PROGRESS)->isHidden());
    // The table shows the routing read back: nothing left to change.
    for (const DiffRow& row : DiffRows()) {
        EXPECT_EQ(row.mark, QString()) << row.output.toStdString();
    }
    const auto last = CJournal(CJournal::FileBeside(settings)).Last();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->name, "Evening");
}

TEST_F(SalvoPage, TakeThatDoesNotHoldListsTheDifferingOutputs) {
    // The device answers every command for input 4 but never applies it.
    d.script = [](const Frame& request) {
        return request.cmd == 12 && !request.payload.empty() && request.payload[0] == 3
                   ? Fault::kIgnore
                   : Fault::kNone;
    };
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    EXPECT_EQ(d.Held(1), 0);  // input 1 let it go, input 4 never took it
    EXPECT_EQ(d.Held(2), 0);
    const QString result = Result();
    EXPECT_TRUE(result.contains(QStringLiteral("did not take"))) << result.toStdString();
    // Named as the table names them: output 1 and input 4 by their labels.
    EXPECT_TRUE(result.contains(QStringLiteral("output Stage wants Cam 4, holds none")))
        << result.toStdString();
    EXPECT_FALSE(result.contains(QStringLiteral("output 2"))) << result.toStdString();
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_EQ(errors.LastText(), result);
    EXPECT_EQ(DiffRows()[0].mark, QStringLiteral("*"));
}

TEST_F(SalvoPage, TakeThatCannotGoOutSendsNothingAndSaysWhy) {
    struct Case {
        const char* what;
        Salvo salvo;
        bool closeLink;
        QString says;
    };
    const Case cases[] = {
        {"output 12 and input 9 on an 8 x 8 device", Salvo{"Wide", {{1, 2}, {12, 1}, {4, 9}}},
         false,
         QStringLiteral("nothing sent: outputs 4, 12 name outputs or inputs this device lacks")},
        // Last: the link stays closed. Nothing went out, and no output is listed as unknown.
        {"closed link", kEvening, true,
         QStringLiteral("\"Evening\" not taken, nothing sent: cannot read the routing: link "
                        "down.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(c.salvo);
        HandOver();
        ClickSalvo(QString::fromStdString(c.salvo.name));
        if (c.closeLink) {
            d.lib.Close();
        }
        errors.Clear();
        Press(CPageSalvoDlg::IDC_TAKE);
        EXPECT_EQ(d.Live(), before);
        EXPECT_EQ(d.switches, 0);
        EXPECT_TRUE(Result().contains(QStringLiteral("not taken"))) << Result().toStdString();
        EXPECT_TRUE(Result().contains(c.says)) << Result().toStdString();
        EXPECT_FALSE(Result().contains(QStringLiteral("unknown"))) << Result().toStdString();
        EXPECT_EQ(errors.Count(), 1);
    }
}

TEST_F(SalvoPage, TakeWhoseReadBackFailsListsOnlyTheOutputsItHadToChange) {
    // The read the take plans from is answered; every later read goes unanswered.
    int reads = 0;
    d.script = [&reads](const Frame& request) {
        return request.cmd == 7 && ++reads > 1 ? Fault::kDrop : Fault::kNone;
    };
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    const QString result = Result();
    EXPECT_TRUE(result.contains(QStringLiteral("did not take (no reply)"))) << result.toStdString();
    EXPECT_TRUE(result.contains(QStringLiteral(
        "output Stage wants Cam 4, holds unknown; output 2 wants none, holds unknown")))
        << result.toStdString();
    // Output 3 already had input 3: the salvo did not touch it.
    EXPECT_FALSE(result.contains(QStringLiteral("output 3"))) << result.toStdString();
    EXPECT_EQ(errors.LastText(), result);
}

TEST_F(SalvoPage, CtrlZUndoesTheTakeAndSaysWhatItRestored) {
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    ASSERT_EQ(d.Live(), kEveningTaken);
    PressUndoKeys();
    EXPECT_EQ(d.Live(), before);
    EXPECT_TRUE(Result().contains(QStringLiteral("restored outputs Stage, 2")))
        << Result().toStdString();
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SalvoPage, UndoLeavesAnOutputChangedSinceAndNamesIt) {
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    d.Route({4, 7, 3, 4, 5, 6, 7, 8});  // another client routes output 2 to input 7
    PressUndoKeys();
    EXPECT_EQ(d.Live(), (std::vector<int>{1, 7, 3, 4, 5, 6, 7, 8}));
    const QString result = Result();
    EXPECT_TRUE(result.contains(QStringLiteral("restored outputs Stage;"))) << result.toStdString();
    // What the take set and what the output holds now.
    EXPECT_TRUE(result.contains(QStringLiteral("changed since: output 2 set to none, now 7")))
        << result.toStdString();
}

TEST_F(SalvoPage, MenuUndoNamesWhatItRestoresAndUndoesOnlyOnYes) {
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    ASSERT_EQ(d.Live(), kEveningTaken);
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        SCOPED_TRACE(answer == QMessageBox::Yes ? "yes" : "no");
        QString question;
        AnswerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            question = box->text();
            box->button(answer)->click();
        });
        page.UndoAskAction()->trigger();
        EXPECT_TRUE(question.contains(QStringLiteral("salvo \"Evening\"")))
            << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("output Stage back to 1; output 2 back to 2")))
            << question.toStdString();
        EXPECT_EQ(d.Live(), answer == QMessageBox::Yes ? before : kEveningTaken);
    }
}

TEST_F(SalvoPage, CaptureSourceIsNamedCaptureFromWhateverItShows) {
    auto* source = page.Item<QComboBox>(CPageSalvoDlg::IDC_SOURCE);
    source->setCurrentIndex(3);
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(source);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->text(QAccessible::Name), QStringLiteral("Capture from"));
    EXPECT_EQ(seen->text(QAccessible::Value), QStringLiteral("Scene3"));
    EXPECT_EQ(seen->role(), QAccessible::ComboBox);
}

TEST_F(SalvoPage, UndoWithAnEmptyJournalSaysSo) {
    PressUndoKeys();
    EXPECT_EQ(Result(), QStringLiteral("Nothing to undo."));
    EXPECT_EQ(d.Live(), before);
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SalvoPage, KeyboardAloneSelectsMovesThroughThePageAndTakes) {
    Store(kEvening);
    HandOver();
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(page.SelectedName(), QStringLiteral("Evening"));
    EXPECT_EQ(DiffRows().size(), 3u);
    const int order[] = {CPageSalvoDlg::IDC_DIFF,    CPageSalvoDlg::IDC_SOURCE,
                         CPageSalvoDlg::IDC_CAPTURE, CPageSalvoDlg::IDC_RENAME,
                         CPageSalvoDlg::IDC_DELETE,  CPageSalvoDlg::IDC_TAKE};
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), page.GetDlgItem(id)) << id;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(d.Live(), kEveningTaken);
    // The take locks the page while it runs; the focus comes back to where it was.
    EXPECT_EQ(QApplication::focusWidget(), page.GetDlgItem(CPageSalvoDlg::IDC_TAKE));
}

TEST_F(SalvoPage, DeleteKeyAsksAndDeletesOnlyOnYes) {
    struct Case {
        QMessageBox::StandardButton answer;
        bool kept;
    };
    const Case cases[] = {{QMessageBox::No, true}, {QMessageBox::Yes, false}};
    Store(kEvening);
    for (const Case& c : cases) {
        ClickSalvo(QStringLiteral("Evening"));
        AnswerQuestion(c.answer);
        QTest::keyClick(List(), Qt::Key_Delete);
        EXPECT_EQ(Listed().contains(QStringLiteral("Evening")), c.kept);
        Salvo stored;
        EXPECT_EQ(CSalvoStore(CSalvoStore::FolderBeside(settings)).Load("Evening", stored).ok,
                  c.kept);
    }
}

TEST_F(SalvoPage, RenameKeepsTheRoutesUnderTheNewName) {
    Store(kEvening);
    ClickSalvo(QStringLiteral("Evening"));
    PressAndName(CPageSalvoDlg::IDC_RENAME, QStringLiteral("Late"));
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("Late")});
    EXPECT_EQ(page.SelectedName(), QStringLiteral("Late"));
    Salvo stored;
    ASSERT_TRUE(CSalvoStore(CSalvoStore::FolderBeside(settings)).Load("Late", stored).ok);
    EXPECT_EQ(stored.routes, kEvening.routes);
}

TEST_F(SalvoPage, RenameOntoAnotherSalvoIsRefusedAndLosesNothing) {
    Store(kEvening);
    Store(Salvo{"Late", {{5, 1}}});
    ClickSalvo(QStringLiteral("Evening"));
    PressAndName(CPageSalvoDlg::IDC_RENAME, QStringLiteral("Late"));
    EXPECT_EQ(Listed(), (QStringList{QStringLiteral("Evening"), QStringLiteral("Late")}));
    Salvo late;
    ASSERT_TRUE(CSalvoStore(CSalvoStore::FolderBeside(settings)).Load("Late", late).ok);
    EXPECT_EQ(late.routes, (std::map<int, int>{{5, 1}}));
    EXPECT_EQ(errors.Count(), 1);
}

TEST_F(SalvoPage, ShowingThePageAgainListsSalvosStoredMeanwhile) {
    CSalvoStore store(CSalvoStore::FolderBeside(settings));
    ASSERT_TRUE(store.Save(kEvening).ok);  // by another program, the page not told
    EXPECT_TRUE(Listed().isEmpty());
    page.hide();
    page.show();
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("Evening")});
}

TEST_F(SalvoPage, UnreadableFilesAreNamedAndTheOthersStillListed) {
    const std::filesystem::path folder = CSalvoStore::FolderBeside(settings);
    Store(kEvening);
    WriteFile((folder / "broken.json").string(), "{\"format\": \"vantel-salvo\", \"ver");
    WriteFile((folder / "foreign.json").string(), "{\"colour\": \"red\"}");
    page.Reload();
    EXPECT_EQ(Listed(), QStringList{QStringLiteral("Evening")});
    EXPECT_TRUE(Problems().contains(QStringLiteral("broken.json"))) << Problems().toStdString();
    EXPECT_TRUE(Problems().contains(QStringLiteral("foreign.json"))) << Problems().toStdString();
    EXPECT_EQ(errors.Count(), 0);
}

TEST_F(SalvoPage, TakeThatMovedAnOutputOutsideTheSalvoSaysSo) {
    // Another station gives input 4 output 7 just before the page's command for input 4, which
    // then unroutes output 7.
    d.script = [this](const Frame& request) {
        if (request.cmd == 12 && request.payload.at(0) == 3 && d.Held(7) == 7) {
            d.device.Handle(12, std::vector<std::uint8_t>{3, 8 + 3, 8 + 6});
        }
        return Fault::kNone;
    };
    SelectEvening();
    Press(CPageSalvoDlg::IDC_TAKE);
    EXPECT_EQ(d.Held(7), 0);
    const QString result = Result();
    EXPECT_TRUE(result.contains(
        QStringLiteral("taken, but outputs outside it changed while the take ran: output 7 was "
                       "7, now none")))
        << result.toStdString();
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_EQ(errors.LastText(), result);
}

}  // namespace
}  // namespace vantel::test
