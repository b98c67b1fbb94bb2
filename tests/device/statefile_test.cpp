#include "device/statefile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vantel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantel-state-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
    }

    fs::path m_dir;
};

// A device that differs from the defaults in every part that is kept.
CSwitcher Changed() {
    CSwitcher device(5, 7);
    Bytes setup(device.Setup().begin(), device.Setup().end());
    setup[CSwitcher::kBuzzerOffset] = 0;
    setup[CSwitcher::kAddressOffset + 3] = 99;
    setup[CSwitcher::kInputCountOffset] = 6;
    EXPECT_EQ(device.Handle(6, setup).status, 0);
    EXPECT_EQ(device.Handle(12, Bytes{5, 6, 12}).status, 0);
    EXPECT_EQ(device.Handle(9, Bytes{3, 0}).status, 0);
    EXPECT_EQ(device.Handle(12, Bytes{0, 6, 7, 8}).status, 0);
    EXPECT_EQ(device.Handle(9, Bytes{11, 0}).status, 0);
    EXPECT_EQ(device.Handle(12, Bytes{2, 10}).status, 0);
    return device;
}

void ExpectSameDevice(const CSwitcher& a, const CSwitcher& b) {
    EXPECT_EQ(a.Setup(), b.Setup());
    for (int scene = 0; scene <= CSwitcher::kSceneCount; ++scene) {
        EXPECT_EQ(a.SceneRouting(scene), b.SceneRouting(scene)) << "scene " << scene;
    }
}

TEST_F(StateFileTest, RoundTripKeepsSetupRoutingAndScenes) {
    const CSwitcher device = Changed();
    const CStateFile file(PathOf("state.txt"));
    std::string error;
    ASSERT_TRUE(file.Save(device, error)) << error;

    std::optional<CSwitcher> loaded;
    ASSERT_EQ(file.Load(loaded, error), CStateFile::LoadStatus::Loaded) << error;
    ExpectSameDevice(*loaded, device);

    // Saving again replaces the file and leaves no temporary file behind.
    ASSERT_TRUE(file.Save(CSwitcher(2, 2), error)) << error;
    ASSERT_EQ(file.Load(loaded, error), CStateFile::LoadStatus::Loaded) << error;
    EXPECT_EQ(loaded->Inputs(), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(StateFileTest, MissingFileLeavesDeviceUntouched) {
    std::optional<CSwitcher> device;
    std::string error;
    EXPECT_EQ(CStateFile(PathOf("none")).Load(device, error), CStateFile::LoadStatus::Missing);
    EXPECT_FALSE(device.has_value());
}

TEST_F(StateFileTest, EveryCutOfAFileIsCorrupt) {
    const std::string whole = CStateFile::Serialize(Changed());
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::string error;
        const auto parsed = CStateFile::Parse(whole.substr(0, size), error);
        // Cutting the final newline alone leaves a complete file.
        if (size + 1 == whole.size()) {
            EXPECT_TRUE(parsed.has_value()) << error;
            continue;
        }
        ASSERT_FALSE(parsed.has_value()) << "cut at " << size;
        ASSERT_FALSE(error.empty());
    }
}

TEST_F(StateFileTest, CorruptContentIsReportedNotLoaded) {
    const std::string good = CStateFile::Serialize(CSwitcher(2, 3));
    auto replace = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string setupHex = good.substr(good.find("setup ") + 6, 80);
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"other header", replace("vantel-device-state 1", "vantel-device-state 2")},
        {"binary junk", std::string("\x00\xff\x13garbage", 11)},
        {"odd hex", replace("routing 1 000000", "routing 1 00000")},
        {"not hex", replace("routing 1 000000", "routing 1 0000zz")},
        {"input beyond count", replace("routing 2 000000", "routing 2 000300")},
        {"routing too long", replace("routing 2 000000", "routing 2 00000000")},
        {"scene 12", replace("routing 11 ", "routing 12 ")},
        {"scene negative", replace("routing 11 ", "routing -1 ")},
        {"duplicate scene", replace("routing 11 ", "routing 10 ")},
        {"setup without mark", replace(setupHex.substr(0, 8), "EB9055AA")},
        {"setup count zero",
         replace(setupHex, setupHex.substr(0, 70) + "00" + setupHex.substr(72))},
        {"unknown record", replace("end", "bogus")},
    };
    for (const auto& c : cases) {
        Write("state", c.text);
        std::optional<CSwitcher> device;
        std::string error;
        EXPECT_EQ(CStateFile(PathOf("state")).Load(device, error), CStateFile::LoadStatus::Corrupt)
            << c.name;
        EXPECT_NE(error.find(PathOf("state")), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(device.has_value()) << c.name;
    }
}

TEST_F(StateFileTest, OversizedOrUnreadablePathIsCorrupt) {
    std::string good = CStateFile::Serialize(CSwitcher(2, 3));
    Write("big", good + std::string(CStateFile::kMaxFileSize, '\n'));
    fs::create_directory(PathOf("dir"));
    for (const char* name : {"big", "dir"}) {
        std::optional<CSwitcher> device;
        std::string error;
        EXPECT_EQ(CStateFile(PathOf(name)).Load(device, error), CStateFile::LoadStatus::Corrupt)
            << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST_F(StateFileTest, FailedSaveKeepsTheOldFile) {
    const CStateFile file(PathOf("state"));
    std::string error;
    ASSERT_TRUE(file.Save(CSwitcher(3, 3), error)) << error;
    ::chmod(m_dir.c_str(), 0500);
    const bool saved = file.Save(CSwitcher(4, 4), error);
    ::chmod(m_dir.c_str(), 0700);
    if (::geteuid() != 0) {  // root may write anywhere
        EXPECT_FALSE(saved);
        EXPECT_FALSE(error.empty());
    }
    std::optional<CSwitcher> loaded;
    ASSERT_EQ(file.Load(loaded, error), CStateFile::LoadStatus::Loaded) << error;
    EXPECT_EQ(loaded->Inputs(), saved ? 4 : 3);

    EXPECT_FALSE(CStateFile(PathOf("no/such/dir/state")).Save(CSwitcher(), error));
    EXPECT_NE(error.find("no/such/dir"), std::string::npos);
}

}  // namespace
}  // namespace vantel
