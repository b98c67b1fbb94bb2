#pragma once
// Where vantelctl finds the setup.ini of the application: by the application's own rule
// (settings/settingslocation.h), so that vantelctl installed beside vantel reads the file the
// application writes. --config names a file instead.

#include <filesystem>
#include <string>

namespace vantel {

// The application's configuration directory: $XDG_CONFIG_HOME/vantel, or $HOME/.config/vantel
// when XDG_CONFIG_HOME is unset or not absolute.
std::filesystem::path UserSettingsDir();

// The settings file to use. A file named with --config must exist (CCtlError kCannotOpen
// otherwise); the application's file need not, since a missing file reads as the defaults.
std::string SettingsPathFor(const std::string& configOption);

}  // namespace vantel
