#pragma once
// The modal choices a page asks of the user besides an error: a file to open or to save, and a
// question or notice with buttons. Like ShowErrorBox, each goes through one function that
// tests replace with a handler, so no test ever shows a real dialog.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

enum class FileChoiceMode { kOpen, kSave };

// The file the user chose, or an empty text when the dialog was cancelled.
using FileChoiceHandler = std::function<QString(QWidget* owner, FileChoiceMode mode,
                                                const QString& caption, const QString& filter)>;
QString ChooseFile(QWidget* owner, FileChoiceMode mode, const QString& caption,
                   const QString& filter);
// Replaces how ChooseFile asks; an empty handler restores the real dialog. Returns the previous
// handler.
FileChoiceHandler SetFileChoiceHandler(FileChoiceHandler handler);

// The button the user pressed. The box shows text with the buttons given; the default button
// is the last of them (No of Yes | No), so Enter never confirms by accident.
using MessageBoxHandler = std::function<QMessageBox::StandardButton(
    QWidget* owner, const QString& caption, const QString& text,
    QMessageBox::StandardButtons buttons)>;
QMessageBox::StandardButton AskUser(QWidget* owner, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons);
// Replaces how AskUser asks; an empty handler restores the real box. Returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
