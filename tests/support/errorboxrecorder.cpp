#include "support/errorboxrecorder.h"

namespace vantel::test {

ErrorBoxRecorder::ErrorBoxRecorder()
    : m_previous(SetErrorBoxHandler([this](QWidget* owner, const QString& text) {
          m_calls.push_back({owner, text});
      })) {}

ErrorBoxRecorder::~ErrorBoxRecorder() {
    SetErrorBoxHandler(std::move(m_previous));
}

QStringList ErrorBoxRecorder::Texts() const {
    QStringList texts;
    for (const Call& call : m_calls) {
        texts << call.text;
    }
    return texts;
}

QString ErrorBoxRecorder::LastText() const {
    return m_calls.empty() ? QString() : m_calls.back().text;
}

}  // namespace vantel::test
