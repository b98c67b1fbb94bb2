#pragma once
// Where vantelctl finds the setup.ini of the application: the file given with --config, else
// the one beside the program (a portable install keeps vantel, vantelctl and setup.ini in one
// folder), else the one in the user's configuration directory, where an installed
// application keeps its settings.

#include <string>

namespace vantel {

// The user's configuration file: $XDG_CONFIG_HOME/Vantel/setup.ini, or
// $HOME/.config/Vantel/setup.ini when XDG_CONFIG_HOME is unset or not absolute.
std::string UserSettingsPath();

// The settings file to use. A file named with --config must exist (CCtlError kCannotOpen
// otherwise); the application's file need not, since a missing file reads as the defaults.
std::string SettingsPathFor(const std::string& configOption);

}  // namespace vantel
