#pragma once
// Where vantelctl finds the setup.ini of the application. It follows the application's own
// rule, so that vantelctl installed beside vantel reads the file the application writes: the
// file beside the program while that folder can be written (a portable copy), otherwise the
// user's copy in the configuration directory, or, before the application has made that copy,
// the file beside the program that it starts from. --config names a file instead.

#include <filesystem>
#include <string>

namespace vantel {

// The application's configuration directory: $XDG_CONFIG_HOME/vantel, or $HOME/.config/vantel
// when XDG_CONFIG_HOME is unset or not absolute.
std::filesystem::path UserSettingsDir();

// The application's settings file for a program in programDir (the rule above).
std::filesystem::path ApplicationSettingsPath(const std::filesystem::path& programDir,
                                              const std::filesystem::path& configDir,
                                              bool programDirWritable);

// The settings file to use. A file named with --config must exist (CCtlError kCannotOpen
// otherwise); the application's file need not, since a missing file reads as the defaults.
std::string SettingsPathFor(const std::string& configOption);

}  // namespace vantel
