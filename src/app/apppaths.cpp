#include "app/apppaths.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "settings/settingslocation.h"

namespace vantel {

QString AppDirOf(const QString& programPath) {
    qsizetype cut = std::max(programPath.lastIndexOf(u'/'), programPath.lastIndexOf(u'\\'));
    if (cut < 0) {
        cut = programPath.lastIndexOf(u':');
    }
    return cut < 0 ? programPath : programPath.left(cut);
}

QString SettingsFilePath(const QString& appDir, const QString& configDir) {
    const auto path = [](const QString& dir) {
        return std::filesystem::path(QFile::encodeName(dir).toStdString());
    };
    const std::filesystem::path program = path(appDir);
    const std::filesystem::path file =
        PrepareSettingsFile(program, path(configDir), ProgramDirIsPortable(program));
    return QFile::decodeName(QByteArray::fromStdString(file.string()));
}

QString SkinFilePath(const QString& appDir, const QString& dataDir) {
    const QString beside = appDir + QStringLiteral("/Style.dll");
    const QString installed = dataDir + QStringLiteral("/Style.dll");
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile()) {
        return installed;
    }
    return beside;
}

}  // namespace vantel
