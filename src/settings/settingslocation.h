#pragma once
// Where setup.ini lives. Beside the program while the program's folder can be written (a
// portable copy). The folder of an installed copy is shared and, but for root, cannot be
// written, so its settings live in the user's configuration folder instead, where an
// operator's choices are kept. The application makes that user copy; readers such as vantelctl
// read the file it would use.

#include <filesystem>

namespace vantel {

inline constexpr const char* kSettingsFileName = "setup.ini";

// True when a new file can be created in dir. Tried with a probe file, so a read-only mount
// counts as unwritable for root too; the probe is removed at once.
bool DirAcceptsFiles(const std::filesystem::path& dir);

// True when programDir is an installed copy: a bin folder whose prefix holds the installed skin
// (PREFIX/bin beside PREFIX/share/vantel/Style.dll). Such a folder is shared by every user of
// the machine and is only writable for root, so it never holds an operator's settings.
bool IsInstalledProgramDir(const std::filesystem::path& programDir);

// True when setup.ini belongs beside the program: its folder takes files and is not an
// installed copy's. Callers pass this as `programDirWritable` below.
bool ProgramDirIsPortable(const std::filesystem::path& programDir);

// The application's settings file: programDir/setup.ini when programDir can be written.
// Otherwise configDir/setup.ini: configDir is created, and when it holds no setup.ini yet but
// programDir does, that file is copied there, writable by its owner, as the starting point.
// When configDir is empty or cannot be created or written either: programDir/setup.ini
// (read-only settings are still read).
std::filesystem::path PrepareSettingsFile(const std::filesystem::path& programDir,
                                          const std::filesystem::path& configDir,
                                          bool programDirWritable);

// The same file for a reader, creating nothing: configDir/setup.ini when programDir cannot be
// written and that file exists; otherwise programDir/setup.ini, which is also the file the
// application starts its user copy from.
std::filesystem::path FindSettingsFile(const std::filesystem::path& programDir,
                                       const std::filesystem::path& configDir,
                                       bool programDirWritable);

}  // namespace vantel
