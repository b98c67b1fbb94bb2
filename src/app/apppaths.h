#pragma once
// Where the application finds its files: the directory of its program file, the settings
// file, which lives beside the program unless that directory cannot be written, and the skin.

#include <QString>

namespace vantel {

// The directory part of a program file path, without a trailing separator: the text before
// the last path separator ('/' or '\'), or, without one, before the last ':'. A path with
// none of them is returned whole.
QString AppDirOf(const QString& programPath);

// The settings file for the application in appDir, with configDir as the user's fallback
// folder (the rule and its side effects: settings/settingslocation.h).
QString SettingsFilePath(const QString& appDir, const QString& configDir);

// The skin file: Style.dll in appDir when it is a file there (a portable copy or the build
// tree), else the one in dataDir (an installed copy keeps it under share/vantel). When neither
// is a file, the path in appDir, so that the failure names the place looked first.
QString SkinFilePath(const QString& appDir, const QString& dataDir);

}  // namespace vantel
