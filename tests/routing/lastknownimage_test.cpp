// The last known routing kept beside setup.ini: what is saved reads back, and a file that is
// short, long, foreign or holds an image no device sends is ignored.
#include <gtest/gtest.h>

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
        {"image without its mark", with(4, 0)},
        {"no inputs", with(4 + 5, 0)},
        {"73 outputs", with(4 + 6, 73)},
        {"port count not inputs + outputs", with(4 + 4, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(file.string(), c.bytes);
        EXPECT_FALSE(LoadLastKnownImage(file));
    }
}

}  // namespace
}  // namespace vantel
