#include "appearance/userchoice.h"

#include <QFileDialog>
#include <utility>

namespace {

FileChoiceHandler& CurrentFileHandler() {
    static FileChoiceHandler handler;
    return handler;
}

MessageBoxHandler& CurrentMessageHandler() {
    static MessageBoxHandler handler;
    return handler;
}

// The highest standard button of the set: No of Yes | No, Cancel of Ok | Cancel.
QMessageBox::StandardButton LastButton(QMessageBox::StandardButtons buttons) {
    for (int bit = 31; bit >= 0; --bit) {
        const auto button = static_cast<QMessageBox::StandardButton>(1u << bit);
        if (buttons.testFlag(button)) {
            return button;
        }
    }
    return QMessageBox::NoButton;
}

}  // namespace

QString ChooseFile(QWidget* owner, FileChoiceMode mode, const QString& caption,
                   const QString& filter) {
    // A copy, so a handler that replaces itself while it runs stays alive.
    const FileChoiceHandler handler = CurrentFileHandler();
    if (handler) {
        return handler(owner, mode, caption, filter);
    }
    return mode == FileChoiceMode::kOpen
               ? QFileDialog::getOpenFileName(owner, caption, QString(), filter)
               : QFileDialog::getSaveFileName(owner, caption, QString(), filter);
}

FileChoiceHandler SetFileChoiceHandler(FileChoiceHandler handler) {
    return std::exchange(CurrentFileHandler(), std::move(handler));
}

QMessageBox::StandardButton AskUser(QWidget* owner, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons) {
    const MessageBoxHandler handler = CurrentMessageHandler();
    if (handler) {
        return handler(owner, caption, text, buttons);
    }
    const QMessageBox::Icon icon =
        buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Question : QMessageBox::Information;
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setDefaultButton(LastButton(buttons));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(CurrentMessageHandler(), std::move(handler));
}
