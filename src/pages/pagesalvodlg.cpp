#include "pages/pagesalvodlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <vector>

#include "appearance/errorbox.h"
#include "controls/setnewdlg.h"
#include "link/stateimage.h"
#include "pages/actiontext.h"
#include "pages/buttonlabels.h"
#include "pages/lastknownnote.h"
#include "pages/namedcombobox.h"
#include "pages/pageowner.h"
#include "res/dlgtemplate.h"
#include "routing/capture.h"
#include "routing/routingaction.h"
#include "routing/routingimage.h"
#include "routing/salvodiff.h"
#include "routing/vexaroutinglink.h"

namespace {

using vantel::OutputChange;

struct Column {
    const char* heading;
    int width;  // pixels
};
constexpr Column kDiffColumns[] = {{"*", 24}, {"OUTPUT", 170}, {"NOW", 150}, {"AFTER", 150}};

QString Quoted(const std::string& name) {
    return QStringLiteral("\"%1\"").arg(QString::fromStdString(name));
}

QTableWidgetItem* Cell(QTableWidget& table, int row, int column) {
    QTableWidgetItem* item = table.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        table.setItem(row, column, item);
    }
    return item;
}

}  // namespace

CPageSalvoDlg::CPageSalvoDlg(QWidget* parent) : CResizableDlg(IDD_PAGE_SALVO, parent) {
    m_undoAction = new QAction(QStringLiteral("Undo"), this);
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_undoAction, &QAction::triggered, this, &CPageSalvoDlg::UndoLastAction);
    addAction(m_undoAction);
    m_undoAskAction = new QAction(QStringLiteral("Undo…"), this);
    m_undoAskAction->setObjectName(QString::fromLatin1(kUndoAskName));
    connect(m_undoAskAction, &QAction::triggered, this, &CPageSalvoDlg::UndoAfterAsking);
}

CPageSalvoDlg::~CPageSalvoDlg() = default;

QWidget* CPageSalvoDlg::CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) {
    if (ctl.id == IDC_PROGRESS) {
        return new QProgressBar(parent);
    }
    if (ctl.id == IDC_SOURCE) {
        // Named "Capture from" for assistive tools, whatever entry it shows.
        return new CNamedComboBox(parent);
    }
    return CResizableDlg::CreateCustomControl(ctl, parent);
}

bool CPageSalvoDlg::OnInitDialog() {
    CResizableDlg::OnInitDialog();
    // The list grows downwards, the diff table to the right and downwards; the rows below
    // keep their distance from the bottom edge.
    AddAnchor(IDC_SALVO_LIST, {0, 0}, {0, 1});
    AddAnchor(IDC_DIFF, {0, 0}, {1, 1});
    for (int id : {IDC_SOURCE, IDC_CAPTURE, IDC_RENAME, IDC_DELETE}) {
        AddAnchor(id, {0, 1}, {0, 1});
    }
    AddAnchor(IDC_PROGRESS, {0, 1}, {1, 1});
    AddAnchor(IDC_TAKE, {1, 1}, {1, 1});
    AddAnchor(IDC_RESULT, {0, 1}, {1, 1});
    AddAnchor(IDC_PROBLEMS, {0, 1}, {1, 1});
    InitControls();
    BindButtons();
    Reload();
    return true;
}

void CPageSalvoDlg::InitControls() {
    m_list = Item<QTableWidget>(IDC_SALVO_LIST);
    m_diff = Item<QTableWidget>(IDC_DIFF);
    m_source = Item<QComboBox>(IDC_SOURCE);
    m_progress = Item<QProgressBar>(IDC_PROGRESS);
    m_result = Item<QLabel>(IDC_RESULT);
    m_problems = Item<QLabel>(IDC_PROBLEMS);
    m_list->setColumnCount(1);
    m_list->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("SALVO")));
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setAccessibleName(QStringLiteral("Salvos"));
    m_list->installEventFilter(this);
    InitDiffTable();
    m_source->addItem(QStringLiteral("live"));
    for (int scene = 1; scene <= vantel::kLastScene; ++scene) {
        m_source->addItem(QStringLiteral("Scene%1").arg(scene));
    }
    m_source->setAccessibleName(QStringLiteral("Capture from"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void CPageSalvoDlg::InitDiffTable() {
    const int count = static_cast<int>(std::size(kDiffColumns));
    m_diff->setColumnCount(count);
    m_diff->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < count; ++c) {
        m_diff->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QString::fromLatin1(kDiffColumns[c].heading)));
        m_diff->setColumnWidth(c, kDiffColumns[c].width);
    }
    m_diff->setAccessibleName(QStringLiteral("What the salvo changes"));
    m_pLastKnown = new CLastKnownNote(m_diff, CLastKnownNote::Corner::kBottomRight);
    m_pLastKnown->Show(m_bLastKnown);
}

void CPageSalvoDlg::ShowLastKnown(bool shown) {
    m_bLastKnown = shown;
    if (m_pLastKnown != nullptr) {
        m_pLastKnown->Show(shown);
    }
}

void CPageSalvoDlg::BindButtons() {
    const std::pair<int, void (CPageSalvoDlg::*)()> handlers[] = {
        {IDC_CAPTURE, &CPageSalvoDlg::OnCapture},
        {IDC_RENAME, &CPageSalvoDlg::OnRename},
        {IDC_DELETE, &CPageSalvoDlg::OnDelete},
        {IDC_TAKE, &CPageSalvoDlg::OnTake},
    };
    for (const auto& [id, handler] : handlers) {
        if (auto* button = Item<QPushButton>(id)) {
            connect(button, &QPushButton::clicked, this, handler);
        }
    }
    connect(m_list, &QTableWidget::currentCellChanged, this, [this] { ShowSelected(); });
}

bool CPageSalvoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ShowSelected();
            return true;
        }
        if (key == Qt::Key_Delete) {
            OnDelete();
            return true;
        }
    }
    return CResizableDlg::eventFilter(watched, event);
}

void CPageSalvoDlg::showEvent(QShowEvent* event) {
    CResizableDlg::showEvent(event);
    Reload();
}

std::string CPageSalvoDlg::SettingsFile() const {
    return m_pMainDlg != nullptr ? m_pMainDlg->SettingsPath().toStdString() : std::string();
}

vantel::CSalvoStore CPageSalvoDlg::Store() const {
    return vantel::CSalvoStore(vantel::CSalvoStore::FolderBeside(SettingsFile()));
}

void CPageSalvoDlg::Reload() {
    if (m_list == nullptr || m_pMainDlg == nullptr) {
        return;
    }
    const QString keep = SelectedName();
    const vantel::CSalvoStore store = Store();
    const vantel::SalvoListing listing = store.List();
    {
        const QSignalBlocker quiet(m_list);
        m_list->setRowCount(static_cast<int>(listing.salvos.size()));
        for (int r = 0; r < m_list->rowCount(); ++r) {
            const vantel::SalvoEntry& entry = listing.salvos[static_cast<std::size_t>(r)];
            Cell(*m_list, r, 0)->setText(QString::fromStdString(entry.name));
        }
    }
    QStringList files;
    for (const vantel::SalvoFileProblem& problem : listing.problems) {
        files << QString::fromStdString(problem.file);
    }
    m_problems->setText(files.isEmpty() ? QString()
                                        : QStringLiteral("Unreadable salvo files, skipped: %1")
                                              .arg(files.join(QStringLiteral(", "))));
    m_problems->setToolTip(m_problems->text());
    Select(keep);
}

void CPageSalvoDlg::Select(const QString& name) {
    int row = -1;
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (m_list->item(r, 0)->text() == name) {
            row = r;
        }
    }
    {
        const QSignalBlocker quiet(m_list);
        m_list->setCurrentCell(row, 0);
    }
    ShowSelected();
}

QString CPageSalvoDlg::SelectedName() const {
    if (m_list == nullptr) {
        return {};
    }
    const QTableWidgetItem* item = m_list->item(m_list->currentRow(), 0);
    return item != nullptr ? item->text() : QString();
}

bool CPageSalvoDlg::LoadSelected(vantel::Salvo& salvo, bool boxOnFailure) {
    const QString name = SelectedName();
    if (name.isEmpty()) {
        return false;
    }
    const vantel::CSalvoStore store = Store();
    const vantel::StoreResult loaded = store.Load(name.toStdString(), salvo);
    if (!loaded.ok) {
        Report(QString::fromStdString(loaded.error), boxOnFailure);
    }
    return loaded.ok;
}

void CPageSalvoDlg::ShowSelected() {
    vantel::Salvo salvo;
    // Shown again with every image: a salvo that cannot be read is told in the result line,
    // not in a box every time.
    if (SelectedName().isEmpty() || !LoadSelected(salvo, false)) {
        m_diff->setRowCount(0);
        return;
    }
    ShowDiff(salvo);
}

void CPageSalvoDlg::ShowDiff(const vantel::Salvo& salvo) {
    const CStateImage image(m_image);
    // Before the first usable image the page does not know the live routing: "now" stays
    // empty and nothing is marked.
    const bool known = vantel::UsableImage(image);
    const vantel::SalvoDiff diff = vantel::DiffSalvo(salvo, image);
    const CButtonLabels labels(SettingsFile());
    m_diff->setRowCount(static_cast<int>(diff.outputs.size()));
    for (int r = 0; r < m_diff->rowCount(); ++r) {
        const OutputChange& change = diff.outputs[static_cast<std::size_t>(r)];
        const bool changes = known && change.Changes();
        const QString texts[] = {
            changes ? QStringLiteral("*") : QString(), labels.Output(change.output),
            known ? labels.Input(change.now) : QString(), labels.Input(change.after)};
        QFont font = m_diff->font();
        font.setBold(changes);
        for (int c = 0; c < static_cast<int>(std::size(texts)); ++c) {
            QTableWidgetItem* item = Cell(*m_diff, r, c);
            item->setText(texts[c]);
            item->setFont(font);
        }
    }
}

void CPageSalvoDlg::SetImage(const unsigned char* image) {
    if (image == nullptr) {
        return;
    }
    std::copy_n(image, kImageSize, m_image.begin());
    if (m_diff != nullptr && !m_bBusy) {
        ShowSelected();
    }
}

void CPageSalvoDlg::Report(const QString& text, bool failed) {
    m_result->setText(text);
    m_result->setToolTip(text);
    if (failed) {
        ShowErrorBox(this, text);
    }
    emit actionReported(text);
}

bool CPageSalvoDlg::AskName(QString& name) {
    SetNewDlg dlg(this);
    if (dlg.DoModal() != QDialog::Accepted) {
        return false;
    }
    name = dlg.m_strNewName;
    const std::string problem = vantel::SalvoNameProblem(name.toStdString());
    if (!problem.empty()) {
        Report(QStringLiteral("Not a salvo name: %1").arg(QString::fromStdString(problem)), true);
        return false;
    }
    return true;
}

bool CPageSalvoDlg::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("SALVO"), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CPageSalvoDlg::OnCapture() {
    QString name;
    if (m_bBusy || m_pMainDlg == nullptr || !AskName(name)) {
        return;
    }
    vantel::CSalvoStore store = Store();
    vantel::Salvo existing;
    if (store.Load(name.toStdString(), existing).ok &&
        !Confirm(QStringLiteral("Replace salvo %1?").arg(Quoted(name.toStdString())))) {
        return;
    }
    vantel::CVexaRoutingLink link(m_pMainDlg->Link());
    const vantel::CaptureResult captured =
        vantel::CaptureSalvo(link, name.toStdString(), m_source->currentIndex(), {});
    if (!captured.ok) {
        Report(QStringLiteral("Not captured: %1").arg(QString::fromStdString(captured.error)),
               true);
        return;
    }
    const vantel::StoreResult saved = store.Save(captured.salvo);
    if (!saved.ok) {
        Report(QStringLiteral("Not saved: %1").arg(QString::fromStdString(saved.error)), true);
        return;
    }
    Report(QStringLiteral("Captured %1 from %2.")
               .arg(Quoted(captured.salvo.name), m_source->currentText()),
           false);
    Reload();
    Select(name);
}

void CPageSalvoDlg::OnRename() {
    const QString from = SelectedName();
    QString to;
    if (m_bBusy || from.isEmpty() || !AskName(to)) {
        return;
    }
    vantel::CSalvoStore store = Store();
    const vantel::StoreResult renamed = store.Rename(from.toStdString(), to.toStdString());
    if (!renamed.ok) {
        Report(QStringLiteral("Not renamed: %1").arg(QString::fromStdString(renamed.error)), true);
        return;
    }
    Report(QStringLiteral("Renamed %1 to %2.")
               .arg(Quoted(from.toStdString()), Quoted(to.toStdString())),
           false);
    Reload();
    Select(to);
}

void CPageSalvoDlg::OnDelete() {
    const QString name = SelectedName();
    if (m_bBusy || name.isEmpty() ||
        !Confirm(QStringLiteral("Delete salvo %1?").arg(Quoted(name.toStdString())))) {
        return;
    }
    vantel::CSalvoStore store = Store();
    const vantel::StoreResult deleted = store.Delete(name.toStdString());
    if (!deleted.ok) {
        Report(QStringLiteral("Not deleted: %1").arg(QString::fromStdString(deleted.error)), true);
        return;
    }
    Report(QStringLiteral("Deleted %1.").arg(Quoted(name.toStdString())), false);
    Reload();
}

template <class Run>
void CPageSalvoDlg::RunLocked(Run run) {
    m_bBusy = true;
    const QPointer<QWidget> focus = QApplication::focusWidget();
    setEnabled(false);
    m_progress->setRange(0, 0);
    m_progress->show();
    run();
    m_progress->hide();
    setEnabled(true);
    if (focus != nullptr) {
        focus->setFocus();
    }
    m_bBusy = false;
}

void CPageSalvoDlg::OnProgress(int sent, int total) {
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(std::clamp(sent, 0, std::max(total, 1)));
    // Paint the bar and serve the status monitor's hand-overs, but take no input: the
    // action runs inside this call.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CPageSalvoDlg::AdoptReadBack(const vantel::ActionResult& result) {
    if (result.apply.readBack && vantel::UsableImage(*result.apply.readBack)) {
        std::copy_n(result.apply.readBack->Data(), kImageSize, m_image.begin());
    }
}

void CPageSalvoDlg::OnTake() {
    vantel::Salvo salvo;
    if (m_bBusy || m_pMainDlg == nullptr || !LoadSelected(salvo, true)) {
        return;
    }
    vantel::ActionResult result;
    RunLocked([&] {
        vantel::CVexaRoutingLink link(m_pMainDlg->Link());
        vantel::CJournal journal(vantel::CJournal::FileBeside(SettingsFile()));
        result = vantel::TakeSalvo(link, journal, salvo, "salvo",
                                   [this](int sent, int total) { OnProgress(sent, total); });
    });
    AdoptReadBack(result);
    ShowSelected();
    bool failed = false;
    const QString text =
        TakeText(salvo.name, result, vantel::OutOfReach(salvo, CStateImage(m_image)),
                 CButtonLabels(SettingsFile()), failed);
    Report(text, failed);
}

void CPageSalvoDlg::UndoLastAction() {
    if (m_bBusy || m_pMainDlg == nullptr || m_result == nullptr) {
        return;
    }
    vantel::UndoResult undo;
    RunLocked([&] {
        vantel::CVexaRoutingLink link(m_pMainDlg->Link());
        vantel::CJournal journal(vantel::CJournal::FileBeside(SettingsFile()));
        undo = vantel::UndoLast(link, journal,
                                [this](int sent, int total) { OnProgress(sent, total); });
    });
    AdoptReadBack(undo.action);
    ShowSelected();
    bool failed = false;
    const QString text = UndoText(undo, CButtonLabels(SettingsFile()), failed);
    Report(text, failed);
    emit undoReported();
}

void CPageSalvoDlg::UndoAfterAsking() {
    if (m_bBusy || m_pMainDlg == nullptr) {
        return;
    }
    const vantel::CJournal journal(vantel::CJournal::FileBeside(SettingsFile()));
    const std::optional<vantel::JournalEntry> entry = vantel::ActionToUndo(journal);
    // With nothing to undo there is nothing to confirm: the undo says so.
    if (entry && !Confirm(UndoQuestion(*entry, CButtonLabels(SettingsFile())))) {
        return;
    }
    UndoLastAction();
}
