#pragma once
// Records every ShowErrorBox call while it lives, instead of showing a modal box; restores
// the previous handler when destroyed.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "appearance/errorbox.h"

namespace vantel::test {

class ErrorBoxRecorder {
public:
    struct Call {
        QWidget* owner;  // as passed; compare only, it may be gone
        QString text;
    };

    ErrorBoxRecorder();
    ~ErrorBoxRecorder();
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    const std::vector<Call>& Calls() const { return m_calls; }
    int Count() const { return static_cast<int>(m_calls.size()); }
    QStringList Texts() const;
    // The text of the last call; empty when there was none.
    QString LastText() const;
    void Clear() { m_calls.clear(); }

private:
    ErrorBoxHandler m_previous;
    std::vector<Call> m_calls;
};

}  // namespace vantel::test
