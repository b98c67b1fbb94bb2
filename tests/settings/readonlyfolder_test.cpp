// A setup.ini in a folder the writer may not change, also when the test runs as root (as CI
// does): the write runs in a child process that gives up root first, so the folder's
// permissions apply to it as they do to an operator.

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/inifile.h"
#include "settings/profile.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr uid_t kNobody = 65534;
constexpr const char* kOld = "; kept\n[setup]\nmode=0\n";

// Runs body in a child without root rights; its exit code, or -1 when it could not drop them.
template <class F>
int Unprivileged(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(255);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

// Hands a path to the unprivileged writer when the test runs as root.
void GiveAway(const std::string& path) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
    }
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(ReadOnlyFolder, WritesFailAndLeaveTheFileAndFolderAsTheyWere) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0711), 0);
    const std::string folder = dir.File("app");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string path = folder + "/setup.ini";
    WriteFile(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0) << "the file itself stays writable";
    GiveAway(folder);
    GiveAway(path);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    // Exit code: the results of a changed key, a new key in a new section, a new file and a
    // CIniFile setter, one bit each when the write claimed success.
    const int claimed = Unprivileged([&] {
        CIniFile ini(path);
        return (WritePrivateProfileString("setup", "mode", "1", path.c_str()) != 0 ? 1 : 0) |
               (WritePrivateProfileString("new", "key", "v", path.c_str()) != 0 ? 2 : 0) |
               (WritePrivateProfileString("s", "k", "v", (folder + "/other.ini").c_str()) != 0
                    ? 4
                    : 0) |
               (ini.SetInt(7, "mode", "setup") != 0 ? 8 : 0);
    });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(claimed, 0) << "a write into a read-only folder reported success";
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"setup.ini"});
    EXPECT_EQ(CIniFile(path).GetInt("mode", "setup", -1), 0);
}

}  // namespace
}  // namespace vantel
