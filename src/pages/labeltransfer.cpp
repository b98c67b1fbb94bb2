#include "pages/labeltransfer.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QWidget>
#include <utility>

#include "appearance/errorbox.h"
#include "appearance/userchoice.h"
#include "settings/inifile.h"
#include "settings/labelfile.h"

namespace {

const QString kCaption = QStringLiteral("Labels");
const QString kFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
// Bad rows and changes listed one by one in a box; the count covers the rest.
constexpr std::size_t kMaxListed = 20;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LocalPath(const QString& file) {
    return QFile::encodeName(file).toStdString();
}

QString More(std::size_t listed, std::size_t total) {
    return total > listed ? QStringLiteral("\n… and %1 more").arg(total - listed) : QString();
}

QString BadRowsText(const QString& file, const std::vector<vantel::LabelCsvError>& errors) {
    QString text;
    for (std::size_t i = 0; i < errors.size() && i < kMaxListed; ++i) {
        text +=
            QStringLiteral("line %1: %2\n").arg(errors[i].line).arg(FromUtf8(errors[i].message));
    }
    text += More(kMaxListed, errors.size());
    return text + QStringLiteral("\nNothing written: %1 bad row(s) in %2")
                      .arg(QString::number(errors.size()), file);
}

QString ChangesText(const std::vector<vantel::LabelChange>& changes) {
    QString text;
    for (std::size_t i = 0; i < changes.size() && i < kMaxListed; ++i) {
        const vantel::LabelChange& change = changes[i];
        text += QStringLiteral("%1: \"%2\" -> \"%3\"\n")
                    .arg(FromUtf8(vantel::ButtonName(change.kind, change.number)),
                         FromUtf8(change.from), FromUtf8(change.to));
    }
    text += More(kMaxListed, changes.size());
    return text + QStringLiteral("\nChange %1 label(s)?").arg(changes.size());
}

}  // namespace

CLabelTransfer::CLabelTransfer(QWidget* page, std::string settingsPath,
                               std::function<void()> labelsChanged)
    : QObject(page),
      m_page(page),
      m_settingsPath(std::move(settingsPath)),
      m_labelsChanged(std::move(labelsChanged)),
      m_export(new QAction(QStringLiteral("Export labels…"), this)),
      m_import(new QAction(QStringLiteral("Import labels…"), this)) {
    m_export->setObjectName(QString::fromLatin1(kExportName));
    m_import->setObjectName(QString::fromLatin1(kImportName));
    connect(m_export, &QAction::triggered, this, &CLabelTransfer::Export);
    connect(m_import, &QAction::triggered, this, &CLabelTransfer::Import);
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(page, &QWidget::customContextMenuRequested, this, &CLabelTransfer::ShowMenu);
}

void CLabelTransfer::ShowMenu(const QPoint& pos) {
    QMenu menu(m_page);
    menu.addAction(m_export);
    menu.addAction(m_import);
    // The window's own entries (undo, About) stay within reach on this page too.
    QWidget* window = m_page->window();
    if (window != m_page && !window->actions().isEmpty()) {
        menu.addSeparator();
        menu.addActions(window->actions());
    }
    menu.exec(m_page->mapToGlobal(pos));
}

void CLabelTransfer::Export() {
    const QString file = ChooseFile(m_page, FileChoiceMode::kSave, kCaption, kFilter);
    if (file.isEmpty()) {
        return;
    }
    CIniFile ini(m_settingsPath);
    if (!vantel::WriteLabelCsvFile(LocalPath(file), vantel::LabelCsvOf(ini))) {
        ShowErrorBox(m_page, QStringLiteral("can not write %1").arg(file));
        return;
    }
    Notify(QStringLiteral("Every input and output label was exported to %1").arg(file));
}

bool CLabelTransfer::ReadGoodRows(const QString& file, std::string& text) {
    switch (vantel::ReadLabelCsvFile(LocalPath(file), text)) {
        case vantel::LabelFileRead::kOk:
            break;
        case vantel::LabelFileRead::kUnreadable:
            ShowErrorBox(m_page, QStringLiteral("can not open %1").arg(file));
            return false;
        case vantel::LabelFileRead::kTooLarge:
            ShowErrorBox(m_page, QStringLiteral("%1 is larger than %2 bytes; nothing written")
                                     .arg(file, QString::number(vantel::kMaxLabelCsvBytes)));
            return false;
    }
    return true;
}

void CLabelTransfer::Import() {
    const QString file = ChooseFile(m_page, FileChoiceMode::kOpen, kCaption, kFilter);
    std::string text;
    if (file.isEmpty() || !ReadGoodRows(file, text)) {
        return;
    }
    const vantel::LabelCsv csv = vantel::ParseLabelCsv(text);
    if (!csv.unreadable.empty()) {
        ShowErrorBox(m_page, QStringLiteral("can not read %1: %2\n\nNothing written.")
                                 .arg(file, FromUtf8(csv.unreadable)));
        return;
    }
    if (!csv.errors.empty()) {
        ShowErrorBox(m_page, BadRowsText(file, csv.errors));
        return;
    }
    CIniFile ini(m_settingsPath);
    const std::vector<vantel::LabelChange> changes = vantel::LabelChangesOf(ini, csv.rows);
    if (changes.empty()) {
        Notify(QStringLiteral("No label changes: %1 matches the labels already.").arg(file));
        return;
    }
    if (AskUser(m_page, kCaption, ChangesText(changes), QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes) {
        return;
    }
    const std::string failure = vantel::WriteLabelChanges(ini, changes);
    // The buttons show what the file holds now, whatever the write managed.
    m_labelsChanged();
    if (!failure.empty()) {
        ShowErrorBox(m_page, FromUtf8(failure));
    }
}

void CLabelTransfer::Notify(const QString& text) {
    AskUser(m_page, kCaption, text, QMessageBox::Ok);
}
