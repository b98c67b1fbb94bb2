#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "support/guitest.h"

namespace vantel::test {

void AnswerNextModal(std::function<void(QWidget*)> answer, int timeoutMs) {
    // Polls from the event loop: the modal window's own loop runs the timer once it is up.
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, clock, timeoutMs, answer = std::move(answer)]() {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr || !modal->isVisible()) {
                             if (clock->elapsed() > timeoutMs) {
                                 timer->deleteLater();
                                 timer->stop();
                             }
                             return;
                         }
                         timer->stop();
                         timer->deleteLater();
                         answer(modal);
                     });
    timer->start();
}

}  // namespace vantel::test
