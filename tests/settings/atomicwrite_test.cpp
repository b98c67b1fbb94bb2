// Writes replace setup.ini atomically: a failed or interrupted write leaves the old file, and
// concurrent writers (threads or processes) lose none of each other's keys.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "settings/inifile.h"
#include "settings/profile.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using test::ReadFile;
using test::RunningAsRoot;
using test::TempDir;
using test::WriteFile;

constexpr const char* kOld = "; kept\r\n[setup]\r\nmode=0\r\n";

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// Runs body in a child process; returns its exit code (or 128 + signal).
template <class F>
int InChild(F body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(AtomicWrite, ReadOnlyFileStaysReadOnlyAndUnchanged) {
    TempDir dir;
    std::string path = dir.File("setup.ini");
    WriteFile(path, kOld);
    ::chmod(path.c_str(), 0444);
    CIniFile ini(path);
    EXPECT_EQ(ini.SetInt(1, "mode", "setup"), 0);
    EXPECT_EQ(ini.m_nResult, 0);
    EXPECT_EQ(ini.SetInt(0, "mode", "setup"), 0) << "even when the value is unchanged";
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"setup.ini"});
}

TEST(AtomicWrite, MissingFolderFailsAndCreatesNothing) {
    TempDir dir;
    WriteFile(dir.File("plain"), "x");
    for (const std::string& path : {dir.File("missing/setup.ini"), dir.File("plain/setup.ini")}) {
        EXPECT_EQ(WritePrivateProfileString("setup", "mode", "1", path.c_str()), 0) << path;
    }
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"plain"});
    EXPECT_EQ(ReadFile(dir.File("plain")), "x");
}

TEST(AtomicWrite, ReadOnlyFolderLeavesTheFileAsItWas) {
    if (RunningAsRoot()) {
        GTEST_SKIP() << "root writes into a read-only folder; covered by the missing-folder "
                        "and read-only-file cases";
    }
    TempDir dir;
    std::string path = dir.File("setup.ini");
    WriteFile(path, kOld);
    ::chmod(dir.Path().c_str(), 0555);
    EXPECT_EQ(WritePrivateProfileString("setup", "mode", "1", path.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileString("setup", "mode", "1", dir.File("new.ini").c_str()), 0);
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"setup.ini"});
}

TEST(AtomicWrite, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    std::string path = dir.File("setup.ini");
    WriteFile(path, kOld);
    // The file-size limit makes the write of the larger new content fail like a full disk.
    int code = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            64, 64
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return WritePrivateProfileString("setup", "ip", std::string(100, '1').c_str(),
                                         path.c_str());
    });
    EXPECT_EQ(code, 0) << "the write reported success";
    EXPECT_EQ(ReadFile(path), kOld);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"setup.ini"});
}

TEST(AtomicWrite, KeepsPermissionBitsAndSymbolicLinks) {
    TempDir dir;
    std::string real = dir.File("real.ini");
    std::string link = dir.File("setup.ini");
    WriteFile(real, kOld);
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink("real.ini", link);
    ASSERT_NE(WritePrivateProfileString("setup", "mode", "1", link.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "; kept\r\n[setup]\r\nmode=1\r\n");
    EXPECT_EQ(ModeOf(real), 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u) << "a temporary file was left behind";
}

constexpr int kWriters = 4;
constexpr int kKeysEach = 25;

std::string KeyOf(int writer, int i) {
    return "w" + std::to_string(writer) + "k" + std::to_string(i);
}

void WriteKeys(const std::string& path, int writer) {
    CIniFile ini(path);
    for (int i = 0; i < kKeysEach; ++i) {
        ini.SetInt(writer * 1000 + i, KeyOf(writer, i), writer % 2 ? "odd" : "even");
    }
}

void ExpectEveryKey(const std::string& path) {
    CIniFile ini(path);
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int i = 0; i < kKeysEach; ++i) {
            EXPECT_EQ(ini.GetInt(KeyOf(writer, i), writer % 2 ? "odd" : "even", -1),
                      writer * 1000 + i)
                << KeyOf(writer, i);
        }
    }
}

TEST(AtomicWrite, ConcurrentThreadsLoseNoKey) {
    TempDir dir;
    std::string path = dir.File("setup.ini");
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back(WriteKeys, path, writer);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    ExpectEveryKey(path);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"setup.ini"});
}

TEST(AtomicWrite, ConcurrentProcessesLoseNoKey) {
    TempDir dir;
    std::string path = dir.File("setup.ini");
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        pid_t pid = ::fork();
        if (pid == 0) {
            WriteKeys(path, writer);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ExpectEveryKey(path);
}

// The whole file as it stands when "counter" holds n.
std::string StateWithCounter(long n) {
    std::string text = "; hand-written\r\n[state]\r\ncounter=" + std::to_string(n) + "\r\n";
    for (int i = 0; i < 300; ++i) {
        text += "filler" + std::to_string(i) + " = " + std::string(20, 'a' + i % 26) + "\r\n";
    }
    return text;
}

TEST(AtomicWrite, ProcessKilledWhileWritingLeavesAWholeFile) {
    TempDir dir;
    std::string path = dir.File("setup.ini");
    WriteFile(path, StateWithCounter(0));
    long last_seen = 0;
    for (int round = 0; round < 8; ++round) {
        pid_t pid = ::fork();
        if (pid == 0) {
            CIniFile ini(path);
            for (int n = 1;; ++n) {
                ini.SetInt(n, "counter", "state");
            }
        }
        // Once the writer has replaced the file at least once (a slow or loaded machine may
        // take a while to get there), it is killed at a point that differs from round to round.
        const std::string before = ReadFile(path);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (ReadFile(path) == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + 7 * round));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        std::string text = ReadFile(path);
        CIniFile ini(path);
        last_seen = ini.GetInt("counter", "state", -1);
        ASSERT_EQ(text, StateWithCounter(last_seen)) << "round " << round;
    }
    EXPECT_GT(last_seen, 0) << "the writer never completed a write";
}

}  // namespace
}  // namespace vantel
