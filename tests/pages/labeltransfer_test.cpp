// The switch page's context menu entries for labels in a CSV file: an import asks first,
// writes all rows or none, and the buttons follow; an export writes every label.

#include <QAction>
#include <QStringList>
#include <string>
#include <vector>

#include "appearance/userchoice.h"
#include "pages/labeltransfer.h"
#include "settings/labelcsv.h"
#include "switchpagefixture.h"

namespace vantel::test {
namespace {

class LabelTransferTest : public SwitchPageTest {
protected:
    void SetUp() override {
        SwitchPageTest::SetUp();
        m_files = SetFileChoiceHandler(
            [this](QWidget*, FileChoiceMode, const QString&, const QString&) { return chosen; });
        m_boxes = SetMessageBoxHandler([this](QWidget*, const QString&, const QString& text,
                                              QMessageBox::StandardButtons buttons) {
            asked << text;
            return buttons.testFlag(QMessageBox::Yes) ? answer : QMessageBox::Ok;
        });
        StartOffline("[setup]\nmode=1\nip=127.0.0.1\n[BUTTON]\n3000=Old in\n2501=Old out\n");
        chosen = app.FilePath(QStringLiteral("labels.csv"));
    }
    void TearDown() override {
        SetFileChoiceHandler(m_files);
        SetMessageBoxHandler(m_boxes);
        SwitchPageTest::TearDown();
    }

    void Run(const char* action) {
        QAction* entry = Page().findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(entry, nullptr);
        entry->trigger();
    }
    void Import(const std::string& csv) {
        ASSERT_TRUE(app.Write(QStringLiteral("labels.csv"), QByteArray::fromStdString(csv)));
        Run(CLabelTransfer::kImportName);
    }
    QString InputText(int k) { return Page().m_pTxButtons[k]->text(); }
    QString OutputText(int j) { return Page().m_pRxButtons[j]->text(); }

    QString chosen;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QStringList asked;

private:
    FileChoiceHandler m_files;
    MessageBoxHandler m_boxes;
};

const std::string kGoodCsv =
    "\xEF\xBB\xBFkind,number,label\r\n"
    "input,1,\"Cam, \"\"wide\"\"\"\r\n"
    "output,2,\"Stage\nleft \xF0\x9F\x8E\xA5\"\r\n"
    "output,3,3\r\n";

TEST_F(LabelTransferTest, FileWithABadRowChangesNothing) {
    const QByteArray before = app.ReadIni();
    Import("kind,number,label\r\ninput,1,New\r\ninput,80,Far\r\noutput,1,x,y\r\n");
    EXPECT_EQ(app.ReadIni(), before);
    EXPECT_TRUE(asked.isEmpty()) << "nothing to confirm";
    ASSERT_EQ(errors.Count(), 1);
    EXPECT_TRUE(errors.LastText().contains("line 3: number must be 1 to 72"))
        << errors.LastText().toStdString();
    EXPECT_TRUE(errors.LastText().contains("line 4: expected 3 cells"))
        << errors.LastText().toStdString();
    EXPECT_TRUE(errors.LastText().contains("Nothing written")) << errors.LastText().toStdString();
    EXPECT_EQ(InputText(0), "Old in");
}

TEST_F(LabelTransferTest, FileInACodePageIsOneReasonAndChangesNothing) {
    const QByteArray before = app.ReadIni();
    Import("kind,number,label\r\ninput,1,Caf\xE9\r\ninput,2,\xE9t\xE9\r\n");
    EXPECT_EQ(app.ReadIni(), before);
    EXPECT_TRUE(asked.isEmpty());
    ASSERT_EQ(errors.Count(), 1);
    const std::string text = errors.LastText().toStdString();
    EXPECT_NE(text.find("not UTF-8 but in an 8-bit code page (line 2 holds the byte 0xE9)"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("line 3"), std::string::npos) << "one reason, not a list of rows";
    EXPECT_NE(text.find("Nothing written"), std::string::npos) << text;
}

TEST_F(LabelTransferTest, ImportListsTheChangesAndWritesOnlyWhenConfirmed) {
    const QByteArray before = app.ReadIni();
    answer = QMessageBox::No;
    Import(kGoodCsv);
    ASSERT_EQ(asked.size(), 1);
    const QString& question = asked.first();
    EXPECT_TRUE(question.contains("input 1: \"Old in\" -> \"Cam, \"wide\"\""))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QString::fromUtf8("output 2: \"Old out\" -> \"Stage left 🎥\"")))
        << question.toStdString();
    EXPECT_TRUE(question.contains("output 3: \"\" -> \"3\"")) << question.toStdString();
    EXPECT_EQ(app.ReadIni(), before) << "declined";
    EXPECT_EQ(InputText(0), "Old in");

    answer = QMessageBox::Yes;
    Import(kGoodCsv);
    EXPECT_EQ(errors.Count(), 0) << errors.LastText().toStdString();
    EXPECT_EQ(InputText(0), "Cam, \"wide\"");
    EXPECT_EQ(OutputText(1), QString::fromUtf8("Stage left 🎥"));
    EXPECT_EQ(Stored("3000", "BUTTON"), "Cam, \"wide\"");
    EXPECT_EQ(Stored("2501", "BUTTON"), "Stage left \xF0\x9F\x8E\xA5");

    // The same file again changes nothing and says so.
    const QByteArray after = app.ReadIni();
    Import(kGoodCsv);
    EXPECT_EQ(app.ReadIni(), after);
    EXPECT_TRUE(asked.last().contains("No label changes")) << asked.last().toStdString();
}

TEST_F(LabelTransferTest, ImportKeepsAUtf16SettingsFileUtf16) {
    QString text = QStringLiteral("[setup]\r\nmode=1\r\nip=127.0.0.1\r\n[BUTTON]\r\n3000=前\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    ASSERT_TRUE(app.WriteIni(utf16));
    Import(kGoodCsv);
    EXPECT_TRUE(app.ReadIni().startsWith("\xFF\xFE"));
    EXPECT_EQ(Stored("3000", "BUTTON"), "Cam, \"wide\"");
    EXPECT_EQ(InputText(0), "Cam, \"wide\"");
}

TEST_F(LabelTransferTest, ExportWritesEveryLabelAsTheCsvReadsBack) {
    Run(CLabelTransfer::kExportName);
    const QByteArray csv = app.Read(QStringLiteral("labels.csv"));
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBFkind,number,label\r\n"));
    const LabelCsv parsed = ParseLabelCsv(csv.toStdString());
    EXPECT_TRUE(parsed.errors.empty());
    ASSERT_EQ(parsed.rows.size(), 144u);
    EXPECT_EQ(parsed.rows[0].label, "Old in");
    EXPECT_EQ(parsed.rows[72 + 1].label, "Old out");

    // Cancelled: nothing written.
    chosen.clear();
    ASSERT_TRUE(app.Write(QStringLiteral("labels.csv"), "kept"));
    Run(CLabelTransfer::kExportName);
    EXPECT_EQ(app.Read(QStringLiteral("labels.csv")), "kept");
}

}  // namespace
}  // namespace vantel::test
