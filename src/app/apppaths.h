#pragma once
// Where the application finds its files: the directory of its program file, and the settings
// file, which lives beside the program unless that directory cannot be written.

#include <QString>

namespace vantel {

// The directory part of a program file path, without a trailing separator: the text before
// the last path separator ('/' or '\'), or, without one, before the last ':'. A path with
// none of them is returned whole.
QString AppDirOf(const QString& programPath);

// True when a new file can be created in dir.
bool DirAcceptsFiles(const QString& dir);

// The settings file: appDir/setup.ini when appDir can be written. Otherwise (an installed,
// read-only copy) configDir/setup.ini, so that the operator's choices are kept; configDir is
// created, and when it holds no setup.ini yet but appDir does, that file is copied there as
// the starting point. When configDir cannot be created either, appDir/setup.ini (read-only
// settings are still read).
QString SettingsFilePath(const QString& appDir, const QString& configDir);
// The same with the answer to "can appDir be written" given.
QString SettingsFilePath(const QString& appDir, const QString& configDir, bool appDirWritable);

}  // namespace vantel
