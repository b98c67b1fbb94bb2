// Where setup.ini lives: beside the program while its folder can be written, otherwise the
// user's copy, which the application starts from the installed file and readers follow.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "settings/settingslocation.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

class SettingsLocation : public ::testing::Test {
protected:
    TempDir dir;
    fs::path program = dir.Path() / "bin";
    fs::path config = dir.Path() / "deep" / "config" / "vantel";

    void SetUp() override { fs::create_directories(program); }
    static std::string Ini(const fs::path& folder) { return (folder / "setup.ini").string(); }
};

TEST_F(SettingsLocation, ProbeTellsWhetherAFolderTakesFiles) {
    EXPECT_TRUE(DirAcceptsFiles(program));
    EXPECT_TRUE(fs::is_empty(program)) << "the probe leaves nothing behind";
    EXPECT_FALSE(DirAcceptsFiles(program / "missing"));
    EXPECT_FALSE(DirAcceptsFiles(dir.Write("plain", "x")));
    if (!test::RunningAsRoot()) {
        ASSERT_EQ(::chmod(program.c_str(), 0555), 0);
        EXPECT_FALSE(DirAcceptsFiles(program));
    }
}

TEST_F(SettingsLocation, AnInstalledProgramFolderIsNeverPortableEvenWhenWritable) {
    // program is DIR/bin; the installed layout puts the skin in DIR/share/vantel.
    EXPECT_TRUE(ProgramDirIsPortable(program)) << "a plain writable folder is a portable copy";
    dir.Write("share/vantel/Style.dll", "");
    ASSERT_TRUE(DirAcceptsFiles(program));
    EXPECT_TRUE(IsInstalledProgramDir(program));
    EXPECT_FALSE(ProgramDirIsPortable(program)) << "root finds PREFIX/bin writable";

    // The skin beside a folder of another name does not make it an installed copy.
    const fs::path other = dir.Path() / "portable";
    fs::create_directories(other);
    EXPECT_FALSE(IsInstalledProgramDir(other));
    EXPECT_TRUE(ProgramDirIsPortable(other));
}

TEST_F(SettingsLocation, WritableProgramFolderKeepsTheFileBesideTheProgram) {
    dir.Write("deep/config/vantel/setup.ini", "[setup]\n");  // a user copy changes nothing
    EXPECT_EQ(PrepareSettingsFile(program, config, true), Ini(program));
    EXPECT_EQ(FindSettingsFile(program, config, true), Ini(program));
}

TEST_F(SettingsLocation, InstalledCopyStartsTheUserCopyFromTheInstalledFile) {
    // Before the application ran, a reader reads the installed file.
    dir.Write("bin/setup.ini", "[setup]\nmode=1\n");
    ASSERT_EQ(::chmod(Ini(program).c_str(), 0444), 0);
    EXPECT_EQ(FindSettingsFile(program, config, false), Ini(program));

    EXPECT_EQ(PrepareSettingsFile(program, config, false), Ini(config));
    EXPECT_EQ(ReadFile(Ini(config)), "[setup]\nmode=1\n");
    EXPECT_TRUE((fs::status(Ini(config)).permissions() & fs::perms::owner_write) != fs::perms::none)
        << "the operator's copy can be changed";
    EXPECT_EQ(FindSettingsFile(program, config, false), Ini(config));

    // The operator's own copy is never replaced by the installed one.
    dir.Write("deep/config/vantel/setup.ini", "[setup]\nmode=0\n");
    EXPECT_EQ(PrepareSettingsFile(program, config, false), Ini(config));
    EXPECT_EQ(ReadFile(Ini(config)), "[setup]\nmode=0\n");
}

TEST_F(SettingsLocation, WithoutAUsableConfigFolderTheInstalledFileIsRead) {
    const fs::path blocked = fs::path(dir.Write("file-in-the-way", "")) / "vantel";
    for (const fs::path& configDir : {fs::path(), blocked}) {
        EXPECT_EQ(PrepareSettingsFile(program, configDir, false), Ini(program)) << configDir;
        EXPECT_EQ(FindSettingsFile(program, configDir, false), Ini(program)) << configDir;
    }
}

}  // namespace
}  // namespace vantel
