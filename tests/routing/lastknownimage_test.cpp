// The last known routing kept beside setup.ini: what is saved reads back, and a file that is
// short, long, foreign, damaged, of the older unchecked form or holds an image no device sends
// is ignored.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "routing/lastknownimage.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

CStateImage Routed() {
    const std::vector<int> sources = {2, -1, 0, 3};
    return CStateImage::FromRoutes(4, sources);
}

TEST(LastKnownImage, SavedImageReadsBackBesideTheSettingsFile) {
    TempDir dir;
    const auto file = LastKnownFileBeside(dir.Path() / "setup.ini");
    EXPECT_EQ(file.parent_path(), dir.Path());
    EXPECT_FALSE(LoadLastKnownImage(file)) << "no file yet";

    ASSERT_TRUE(SaveLastKnownImage(file, Routed()));
    EXPECT_EQ(ReadFile(file.string()).size(), kLastKnownFileSize);
    EXPECT_EQ(LoadLastKnownImage(file), Routed());

    // An image without the mark is no routing: not kept, the older file stays.
    EXPECT_FALSE(SaveLastKnownImage(file, CStateImage()));
    EXPECT_EQ(LoadLastKnownImage(file), Routed());
}

TEST(LastKnownImage, DamagedOrForeignFilesAreIgnored) {
    TempDir dir;
    const auto file = LastKnownFileBeside(dir.Path() / "setup.ini");
    ASSERT_TRUE(SaveLastKnownImage(file, Routed()));
    const std::string good = ReadFile(file.string());
    const auto with = [&good](std::size_t at, char byte) {
        std::string bytes = good;
        bytes[at] = byte;
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"cut short", good.substr(0, good.size() - 1)},
        {"one byte too many", good + '\0'},
        {"twice as long", good + good},
        {"wrong file mark", with(0, 'X')},
        {"older form without checksum", "VLK1" + good.substr(4, CStateImage::kImageSize)},
        // Bytes changed within their ranges: only the checksum tells.
        {"output slot changed", with(4 + 7 + 4 + 0, 1)},
        {"unrouted output given an input", with(4 + 7 + 4 + 1, 2)},
        {"carried rest changed", with(4 + 300, 1)},
        {"checksum changed", with(good.size() - 1, static_cast<char>(good.back() ^ 1))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(file.string(), c.bytes);
        EXPECT_FALSE(LoadLastKnownImage(file));
    }
}

// Images a device never sends, kept with a good checksum: still not shown as the routing.
TEST(LastKnownImage, ImagesWithImpossibleSlotsAreIgnored) {
    TempDir dir;
    const auto file = LastKnownFileBeside(dir.Path() / "setup.ini");
    const auto changed = [](std::size_t at, std::uint8_t byte) {
        CStateImage::Bytes bytes = Routed().Raw();
        bytes[at] = byte;
        return CStateImage(bytes);
    };
    struct Case {
        const char* name;
        CStateImage image;
    };
    // Routed(): 4 inputs (slots 7..10), 4 outputs (slots 11..14).
    const std::vector<Case> cases = {
        {"image without its mark", changed(0, 0)},
        {"no inputs", changed(5, 0)},
        {"73 outputs", changed(6, 73)},
        {"port count not inputs + outputs", changed(4, 9)},
        {"output fed by input 5 of 4", changed(11, 5)},
        {"output fed by input 255", changed(14, 255)},
        {"input slot 2 holding 3", changed(8, 3)},
        {"input slot 1 holding 0", changed(7, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        SaveLastKnownImage(file, c.image);
        EXPECT_FALSE(LoadLastKnownImage(file));
    }
}

}  // namespace
}  // namespace vantel
