#include "support/tempappdir.h"

#include <QDir>
#include <QFile>

namespace vantel::test {

TempAppDir::TempAppDir() : m_dir(QDir::tempPath() + QStringLiteral("/vantel-test-XXXXXX")) {}

QString TempAppDir::Path() const {
    return QDir::cleanPath(m_dir.path());
}

QString TempAppDir::FilePath(const QString& name) const {
    return Path() + u'/' + name;
}

bool TempAppDir::Write(const QString& name, const QByteArray& bytes) const {
    QFile file(FilePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(bytes) == bytes.size();
}

QByteArray TempAppDir::Read(const QString& name) const {
    QFile file(FilePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

}  // namespace vantel::test
