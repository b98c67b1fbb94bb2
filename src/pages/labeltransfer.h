#pragma once
// CLabelTransfer: the switch page's context menu entries "Export labels…" and "Import
// labels…", which carry every input and output label between section "BUTTON" of the settings
// file and a CSV file (columns kind, number, label; see settings/labelcsv.h).
//
// An import shows what it would change (kind, number, old -> new) and asks before it writes;
// a file with any bad row is reported by line number and changes nothing. The write is one
// atomic change of the settings file, in that file's own encoding, read back before the page
// is told to show the new labels.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QAction;
class QWidget;

class CLabelTransfer : public QObject {
    Q_OBJECT
public:
    // Object names of the two actions.
    static constexpr const char* kExportName = "IDM_EXPORT_LABELS";
    static constexpr const char* kImportName = "IDM_IMPORT_LABELS";

    // Gives page a context menu with both entries (followed by the page's window's own
    // entries). settingsPath: the settings file; labelsChanged runs after an import wrote.
    CLabelTransfer(QWidget* page, std::string settingsPath, std::function<void()> labelsChanged);

    void Export();
    void Import();

private:
    void ShowMenu(const QPoint& pos);
    // Reads and checks the CSV file; false (reported) when it cannot be used.
    bool ReadGoodRows(const QString& file, std::string& text);
    void Notify(const QString& text);

    QWidget* m_page;
    std::string m_settingsPath;
    std::function<void()> m_labelsChanged;
    QAction* m_export;
    QAction* m_import;
};
