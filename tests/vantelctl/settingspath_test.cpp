// Which setup.ini vantelctl reads: the user's configuration folder, or the file --config names.
#include "settingspath.h"
#include "ctlerror.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "support/tempdir.h"

namespace {

using vantel::test::TempDir;

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = ::getenv(name)) {
            m_old = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(SettingsPath, UserDirectoryFollowsXdgConfigHome) {
    ScopedEnv home("HOME", "/home/op");
    const struct {
        const char* xdg;
        const char* dir;
    } cases[] = {
        {"/tmp/cfg", "/tmp/cfg/vantel"},
        {nullptr, "/home/op/.config/vantel"},
        {"relative/cfg", "/home/op/.config/vantel"},
        {"", "/home/op/.config/vantel"},
    };
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(vantel::UserSettingsDir(), std::filesystem::path(c.dir))
            << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(SettingsPath, AGivenFileMustExist) {
    TempDir dir;
    const std::string file = dir.Write("mine.ini", "");
    EXPECT_EQ(vantel::SettingsPathFor(file), file);
    try {
        vantel::SettingsPathFor((dir.Path() / "missing.ini").string());
        ADD_FAILURE() << "a missing --config file was accepted";
    } catch (const vantel::CCtlError& error) {
        EXPECT_EQ(error.Code(), vantel::CtlExit::kCannotOpen);
    }
}

}  // namespace
