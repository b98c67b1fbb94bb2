// Where the application looks for its files, and the status monitor's pass rhythm.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/apppaths.h"
#include "app/pollrhythm.h"

namespace {

using vantel::AppDirOf;
using vantel::PollRhythm;
using vantel::SettingsFilePath;

TEST(AppDirOf, CutsAtTheLastSeparatorOrElseTheLastColon) {
    struct Case {
        const char* program;
        const char* dir;
    } const cases[] = {
        {"C:\\dir\\app.exe", "C:\\dir"},
        {"/opt/vantel/bin/vantel", "/opt/vantel/bin"},
        {"/srv/a\\b/vantel", "/srv/a\\b"},
        {"C:app.exe", "C"},
        {"vantel", "vantel"},
        {"/vantel", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppDirOf(QString::fromUtf8(c.program)), QString::fromUtf8(c.dir)) << c.program;
    }
}

class SettingsLocation : public ::testing::Test {
protected:
    QString Ini(const QTemporaryDir& dir) { return dir.path() + QStringLiteral("/setup.ini"); }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir appDir;
    QTemporaryDir configRoot;
};

TEST_F(SettingsLocation, WritableAppDirKeepsTheFileBesideTheProgram) {
    EXPECT_TRUE(vantel::DirAcceptsFiles(appDir.path()));
    EXPECT_EQ(SettingsFilePath(appDir.path(), configRoot.path() + "/vantel"), Ini(appDir));
    EXPECT_FALSE(QFileInfo::exists(configRoot.path() + "/vantel")) << "nothing created";
    EXPECT_EQ(QDir(appDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0)
        << "the probe leaves nothing behind";
}

TEST_F(SettingsLocation, UnwritableAppDirMovesToTheConfigDirWithTheInstalledFileAsStart) {
    const QString missing = appDir.path() + "/not-a-dir/bin";
    EXPECT_FALSE(vantel::DirAcceptsFiles(missing));
    const QString config = configRoot.path() + "/deep/vantel";
    EXPECT_EQ(SettingsFilePath(missing, config), config + "/setup.ini");
    EXPECT_TRUE(QFileInfo(config).isDir());

    // An installed setup.ini in a directory that cannot be written becomes the starting point.
    Write(Ini(appDir), "[setup]\nmode=1\n");
    ASSERT_TRUE(QFile::setPermissions(Ini(appDir), QFile::ReadOwner));
    const QString user = SettingsFilePath(appDir.path(), config, false);
    EXPECT_EQ(user, config + "/setup.ini");
    EXPECT_EQ(Read(user), "[setup]\nmode=1\n");
    EXPECT_TRUE(QFileInfo(user).permissions() & QFile::WriteOwner) << "the copy can be changed";

    // The operator's own copy is never replaced by the installed one.
    Write(user, "[setup]\nmode=0\n");
    SettingsFilePath(appDir.path(), config, false);
    EXPECT_EQ(Read(user), "[setup]\nmode=0\n");
}

TEST_F(SettingsLocation, ReadOnlyDirectoryIsDetected) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    ASSERT_TRUE(QFile::setPermissions(appDir.path(), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(vantel::DirAcceptsFiles(appDir.path()));
    QFile::setPermissions(appDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Poll and lamp passes seen over `count` passes from `start`.
struct Seen {
    std::vector<std::uint64_t> polls, lamps;
};
Seen RunPasses(std::uint32_t start, std::uint64_t count) {
    PollRhythm rhythm(start);
    Seen seen;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (rhythm.PollDue()) {
            seen.polls.push_back(i);
        }
        if (rhythm.LampsDue()) {
            seen.lamps.push_back(i);
        }
        rhythm.Next();
    }
    return seen;
}

TEST(PollRhythm, PollsEvery200thAndLampsEvery10thPassAcrossTheCounterWrap) {
    for (std::uint32_t start : {0u, PollRhythm::kWrap - 1000u, 0xFFFFFFFFu - 500u}) {
        const Seen seen = RunPasses(start, 3000);
        ASSERT_GE(seen.polls.size(), 14u) << start;
        for (std::size_t i = 1; i < seen.polls.size(); ++i) {
            EXPECT_EQ(seen.polls[i] - seen.polls[i - 1], 200u) << "start " << start;
        }
        for (std::size_t i = 1; i < seen.lamps.size(); ++i) {
            EXPECT_EQ(seen.lamps[i] - seen.lamps[i - 1], 10u) << "start " << start;
        }
    }
    const Seen fromZero = RunPasses(0, 11);
    EXPECT_EQ(fromZero.polls, (std::vector<std::uint64_t>{0}));
    EXPECT_EQ(fromZero.lamps, (std::vector<std::uint64_t>{0, 10}));
}

}  // namespace
