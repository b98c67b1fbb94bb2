#include "settingspath.h"

#include <cstdlib>
#include <system_error>

#include "ctlerror.h"
#include "settings/settingslocation.h"

namespace vantel {

namespace {

// The application's name, which names its configuration directory.
constexpr const char* kSettingsFolder = "vantel";

bool IsFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The folder of the running program, or empty when it cannot be found.
std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : exe.parent_path();
}

}  // namespace

std::filesystem::path UserSettingsDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && std::filesystem::path(xdg).is_absolute()) {
        return std::filesystem::path(xdg) / kSettingsFolder;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "") / ".config" / kSettingsFolder;
}

std::string SettingsPathFor(const std::string& configOption) {
    if (!configOption.empty()) {
        if (!IsFile(configOption)) {
            throw CCtlError(CtlExit::kCannotOpen, "cannot open settings file " + configOption);
        }
        return configOption;
    }
    const auto folder = ProgramFolder();
    return FindSettingsFile(folder, UserSettingsDir(), ProgramDirIsPortable(folder)).string();
}

}  // namespace vantel
