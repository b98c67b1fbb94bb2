#pragma once
// CPageSalvoDlg: the SALVO page, template 134. Lists the salvos kept beside the settings file,
// shows what the selected one would change on the live routing (output, input now, input
// after; outputs that would change are marked and bold), captures the live routing or a
// stored scene as a new salvo, renames and deletes salvos, takes the selected one (journaled,
// then read back) and undoes the last action on the routing. Every action ends with what
// really happened in the result line: "taken" only when the device was read back holding the
// salvo, otherwise each output that did not take.
//
// The status monitor hands images over on the GUI thread (SetImage); the page keeps a whole
// copy. Commands run on the GUI thread like those of the other pages; while a take or an
// undo runs, the page serves paint and timer events (the progress bar moves) but no input.

#include <QString>
#include <array>
#include <cstddef>
#include <string>

#include "appearance/resizabledlg.h"
#include "routing/salvostore.h"

class CLastKnownNote;
class IPageOwner;
class QAction;
class QComboBox;
class QLabel;
class QProgressBar;
class QTableWidget;

namespace vantel {
struct ActionResult;
struct Salvo;
struct UndoResult;
}  // namespace vantel

class CPageSalvoDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr std::size_t kImageSize = 508;
    // Control ids of template 134.
    static constexpr int IDC_SALVO_LIST = 1201;
    static constexpr int IDC_DIFF = 1202;
    static constexpr int IDC_CAPTURE = 1203;
    static constexpr int IDC_SOURCE = 1204;  // 0 = live routing, 1..11 = stored scene
    static constexpr int IDC_RENAME = 1205;
    static constexpr int IDC_DELETE = 1206;
    static constexpr int IDC_TAKE = 1207;
    static constexpr int IDC_RESULT = 1208;
    static constexpr int IDC_PROGRESS = 1209;
    static constexpr int IDC_PROBLEMS = 1210;
    // Columns of the diff table.
    enum : int { kColMark = 0, kColOutput = 1, kColNow = 2, kColAfter = 3 };

    explicit CPageSalvoDlg(QWidget* parent = nullptr);
    ~CPageSalvoDlg() override;

    // Takes a whole copy of the 508 image bytes (mark first) and shows the selected salvo's
    // diff against it. GUI thread only.
    void SetImage(const unsigned char* image);
    // Marks the table's "NOW" as the routing last known, not the live one (or takes the mark
    // away); kept for a page not created yet.
    void ShowLastKnown(bool shown);
    // Undoes the last action on the routing and tells what it did in the result line.
    void UndoLastAction();
    // Ctrl+Z: UndoLastAction. The owner adds it to its window so that it works on every tab.
    QAction* UndoAction() const { return m_undoAction; }
    // "Undo…" for a menu: names the action it takes back and what it restores, and undoes only
    // when the operator says yes (a menu entry is chosen by mistake more easily than Ctrl+Z).
    QAction* UndoAskAction() const { return m_undoAskAction; }
    // The object name of UndoAskAction.
    static constexpr const char* kUndoAskName = "undoAsk";
    // Reads the salvo folder again and lists it, keeping the selection by name.
    void Reload();
    // The name of the selected salvo, or empty.
    QString SelectedName() const;

    // Set by the owner before the page is created.
    IPageOwner* m_pMainDlg = nullptr;
    std::array<unsigned char, kImageSize> m_image{};

signals:
    // The result line changed after an action (take, undo, capture, rename, delete).
    void actionReported(const QString& text);
    // An undo ran (Ctrl+Z or the menu's) and the result line says what it did.
    void undoReported();

protected:
    bool OnInitDialog() override;
    QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The folder may have changed meanwhile (vantelctl, another window): listed again.
    void showEvent(QShowEvent* event) override;

private:
    void InitControls();
    void InitDiffTable();
    void BindButtons();
    void ShowSelected();
    void ShowDiff(const vantel::Salvo& salvo);
    void OnCapture();
    void OnRename();
    void OnDelete();
    void OnTake();
    // The menu's undo: asks first, naming what the undo takes back.
    void UndoAfterAsking();
    // Asks for a name in the name entry dialog; false when cancelled.
    bool AskName(QString& name);
    // Asks a yes / no question; true for yes.
    bool Confirm(const QString& text);
    // Loads the selected salvo; reports why not (in a box too when boxOnFailure).
    bool LoadSelected(vantel::Salvo& salvo, bool boxOnFailure);
    void Select(const QString& name);
    // Runs an action on the routing with the page locked and the progress bar shown.
    template <class Run>
    void RunLocked(Run run);
    void OnProgress(int sent, int total);
    void AdoptReadBack(const vantel::ActionResult& result);
    // Shows text in the result line; failures also in an error box.
    void Report(const QString& text, bool failed);
    std::string SettingsFile() const;
    // The salvos beside the settings file.
    vantel::CSalvoStore Store() const;

    QTableWidget* m_list = nullptr;
    QTableWidget* m_diff = nullptr;
    QComboBox* m_source = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_problems = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_undoAskAction = nullptr;
    bool m_bLastKnown = false;
    CLastKnownNote* m_pLastKnown = nullptr;
    bool m_bBusy = false;
};
