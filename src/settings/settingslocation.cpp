#include "settings/settingslocation.h"

#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <system_error>

namespace vantel {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Starts the user's copy from the installed file, unless the user already has one.
void StartUserCopy(const fs::path& installed, const fs::path& user) {
    if (IsFile(user) || !IsFile(installed)) {
        return;
    }
    std::error_code ec;
    if (fs::copy_file(installed, user, ec)) {
        // The installed file may be read-only; the operator's copy must not be.
        fs::permissions(user,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        fs::perm_options::replace, ec);
    }
}

}  // namespace

bool DirAcceptsFiles(const fs::path& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        return false;
    }
    std::string probe = (dir / ".vantel-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool IsInstalledProgramDir(const fs::path& programDir) {
    return programDir.filename() == "bin" &&
           IsFile(programDir.parent_path() / "share" / "vantel" / "Style.dll");
}

bool ProgramDirIsPortable(const fs::path& programDir) {
    return !IsInstalledProgramDir(programDir) && DirAcceptsFiles(programDir);
}

fs::path PrepareSettingsFile(const fs::path& programDir, const fs::path& configDir,
                             bool programDirWritable) {
    const fs::path local = programDir / kSettingsFileName;
    if (programDirWritable || configDir.empty()) {
        return local;
    }
    std::error_code ec;
    fs::create_directories(configDir, ec);
    if (!DirAcceptsFiles(configDir)) {
        return local;
    }
    const fs::path user = configDir / kSettingsFileName;
    StartUserCopy(local, user);
    return user;
}

fs::path FindSettingsFile(const fs::path& programDir, const fs::path& configDir,
                          bool programDirWritable) {
    const fs::path user = configDir / kSettingsFileName;
    return !programDirWritable && !configDir.empty() && IsFile(user)
               ? user
               : programDir / kSettingsFileName;
}

}  // namespace vantel
