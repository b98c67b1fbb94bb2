#include "app/apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace vantel {

namespace {
const QString kSettingsName = QStringLiteral("setup.ini");
}

QString AppDirOf(const QString& programPath) {
    qsizetype cut = std::max(programPath.lastIndexOf(u'/'), programPath.lastIndexOf(u'\\'));
    if (cut < 0) {
        cut = programPath.lastIndexOf(u':');
    }
    return cut < 0 ? programPath : programPath.left(cut);
}

bool DirAcceptsFiles(const QString& dir) {
    if (!QFileInfo(dir).isDir()) {
        return false;
    }
    QTemporaryFile probe(dir + QStringLiteral("/.vantel-probe-XXXXXX"));
    return probe.open();
}

QString SettingsFilePath(const QString& appDir, const QString& configDir) {
    return SettingsFilePath(appDir, configDir, DirAcceptsFiles(appDir));
}

QString SettingsFilePath(const QString& appDir, const QString& configDir, bool appDirWritable) {
    const QString local = appDir + u'/' + kSettingsName;
    if (appDirWritable || configDir.isEmpty() || !QDir().mkpath(configDir) ||
        !DirAcceptsFiles(configDir)) {
        return local;
    }
    const QString user = configDir + u'/' + kSettingsName;
    if (!QFileInfo::exists(user) && QFileInfo::exists(local) && QFile::copy(local, user)) {
        // The installed file may be read-only; the operator's copy must not be.
        QFile::setPermissions(
            user, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return user;
}

}  // namespace vantel
