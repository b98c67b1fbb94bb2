// Where the application looks for its files, and the status monitor's pass rhythm.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/apppaths.h"
#include "app/pollrhythm.h"

namespace {

using vantel::AppDirOf;
using vantel::PollRhythm;
using vantel::SettingsFilePath;
using vantel::SkinFilePath;

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

TEST(SettingsFilePath, WritableAppDirKeepsTheFileBesideTheProgram) {
    QTemporaryDir appDir;
    QTemporaryDir configRoot;
    EXPECT_EQ(SettingsFilePath(appDir.path(), configRoot.path() + "/vantel"),
              appDir.path() + "/setup.ini");
    EXPECT_FALSE(QFileInfo::exists(configRoot.path() + "/vantel")) << "nothing created";
}

TEST(SettingsFilePath, UnusableAppDirMovesToTheConfigDir) {
    QTemporaryDir root;
    const QString config = root.path() + "/deep/vantel";
    EXPECT_EQ(SettingsFilePath(root.path() + "/not-a-dir/bin", config), config + "/setup.ini");
    EXPECT_TRUE(QFileInfo(config).isDir());
}

// What each folder holds under the name Style.dll.
enum class Holds { Nothing, File, Folder };

void Place(const QString& dir, Holds what) {
    const QString path = dir + "/Style.dll";
    if (what == Holds::File) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("QWidget { }");
    } else if (what == Holds::Folder) {
        ASSERT_TRUE(QDir().mkpath(path));
    }
}

TEST(SkinFilePath, BesideTheProgramFirstThenTheInstalledDataFolder) {
    struct Case {
        Holds app, data;
        bool fromData;
    } const cases[] = {
        {Holds::File, Holds::File, false},       {Holds::Nothing, Holds::File, true},
        {Holds::Folder, Holds::File, true},      {Holds::File, Holds::Nothing, false},
        {Holds::Nothing, Holds::Nothing, false}, {Holds::Nothing, Holds::Folder, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir app;
        QTemporaryDir data;
        Place(app.path(), c.app);
        Place(data.path(), c.data);
        const QString expected = (c.fromData ? data.path() : app.path()) + "/Style.dll";
        EXPECT_EQ(SkinFilePath(app.path(), data.path()), expected)
            << static_cast<int>(c.app) << "," << static_cast<int>(c.data);
    }
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
