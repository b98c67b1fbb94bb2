#include "appearance/errorbox.h"

#include <QMessageBox>
#include <utility>

namespace vantel {
namespace {

ErrorBoxHandler& CurrentHandler() {
    static ErrorBoxHandler handler;
    return handler;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* owner, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::Critical, QStringLiteral("ERROR"), text,
                                         QMessageBox::Ok, owner);
}

}  // namespace vantel

void ShowErrorBox(QWidget* owner, const QString& text) {
    // A copy, so a handler that replaces itself while it runs stays alive.
    const ErrorBoxHandler handler = vantel::CurrentHandler();
    if (handler) {
        handler(owner, text);
        return;
    }
    vantel::MakeErrorBox(owner, text)->exec();
}

ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler) {
    return std::exchange(vantel::CurrentHandler(), std::move(handler));
}
