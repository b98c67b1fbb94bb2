#pragma once
// A temporary application directory: what the program finds beside itself (setup.ini,
// Style.dll). Removed with everything in it when the object goes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace vantel::test {

class TempAppDir {
public:
    TempAppDir();

    bool IsValid() const { return m_dir.isValid(); }
    // The directory without a trailing separator, as the application keeps its own.
    QString Path() const;
    QString FilePath(const QString& name) const;
    QString IniPath() const { return FilePath(QStringLiteral("setup.ini")); }

    // Writes bytes to a file of the directory; false when it cannot be written.
    bool Write(const QString& name, const QByteArray& bytes) const;
    bool WriteIni(const QByteArray& bytes) const {
        return Write(QStringLiteral("setup.ini"), bytes);
    }
    // The bytes of a file of the directory; empty when it is missing.
    QByteArray Read(const QString& name) const;
    QByteArray ReadIni() const { return Read(QStringLiteral("setup.ini")); }

private:
    QTemporaryDir m_dir;
};

}  // namespace vantel::test
