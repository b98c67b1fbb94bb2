#pragma once
// Support for widget tests (library vantel_testsupport, main in vantel_guitest_main):
//   ErrorBoxRecorder   records ShowErrorBox calls instead of showing a box, while it lives.
//   AnswerNextModal    answers the next modal window (e.g. a QDialog run with exec()).
//   FindById<T>        the control with a template id (its object name) below a widget.
//   TempAppDir         a temporary application directory for setup.ini and the skin.
// Build GUI tests with vantel_gui_tests(<target> LINKS ...) from tests/support/CMakeLists.txt:
// its main creates the QApplication on the offscreen platform.

#include "support/errorboxrecorder.h"
#include "support/tempappdir.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace vantel::test {

// Calls answer with the next window that becomes the active modal widget, from the event
// loop of that window, once. The answer must end the window (click a button, call done()).
// Gives up after timeoutMs without a modal window.
void AnswerNextModal(std::function<void(QWidget*)> answer, int timeoutMs = 5000);

// The widget of type T with the object name id under root: a direct child first (ids repeat
// between pages, so the nearest wins), then any descendant; nullptr when there is none.
template <class T = QWidget>
T* FindById(const QWidget* root, int id) {
    if (root == nullptr) {
        return nullptr;
    }
    const QString name = QString::number(id);
    if (T* direct = root->findChild<T*>(name, Qt::FindDirectChildrenOnly)) {
        return direct;
    }
    return root->findChild<T*>(name);
}

}  // namespace vantel::test
