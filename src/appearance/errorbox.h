#pragma once
// The one place that shows an error to the user: a modal box with the caption "ERROR", an OK
// button and the critical icon, owned by the given window. Tests install a handler that
// records the call instead of showing a box.

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

using ErrorBoxHandler = std::function<void(QWidget* owner, const QString& text)>;

void ShowErrorBox(QWidget* owner, const QString& text);
// Replaces how ShowErrorBox shows its box; an empty handler restores the real box.
// Returns the previous handler.
ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler);

namespace vantel {
// The box ShowErrorBox runs modally, not yet shown.
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* owner, const QString& text);
}  // namespace vantel
