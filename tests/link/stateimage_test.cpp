#include "link/stateimage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<CStateImage::ListRow>;
constexpr int kNone = -1;

// An image with the mark, the given counts and every byte from the port table on set to fill.
CStateImage Filled(std::uint8_t ports, std::uint8_t inputs, std::uint8_t outputs,
                   std::uint8_t fill) {
    std::array<std::uint8_t, CStateImage::kImageSize> bytes{};
    bytes.fill(fill);
    bytes[0] = 0xAA;
    bytes[1] = 0x55;
    bytes[2] = 0x90;
    bytes[3] = 0xEB;
    bytes[4] = ports;
    bytes[5] = inputs;
    bytes[6] = outputs;
    return CStateImage(bytes);
}

// Two inputs, three outputs: outputs 0 and 2 fed by input 1, output 1 unrouted.
CStateImage TwoByThree() {
    const std::vector<int> sources{1, kNone, 1};
    return CStateImage::FromRoutes(2, sources);
}

TEST(StateImage, MarkMustBeTheLittleEndianWordInItsByteOrder) {
    struct Case {
        std::vector<std::uint8_t> head;
        bool valid;
    };
    const Case cases[] = {
        {{0xAA, 0x55, 0x90, 0xEB}, true},
        {{0xEB, 0x90, 0x55, 0xAA}, false},
        {{0xAA, 0x55, 0x90, 0xEC}, false},
        {{0xAA, 0x55, 0x90}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CStateImage(c.head).HasMark(), c.valid) << ::testing::PrintToString(c.head);
    }
    EXPECT_FALSE(CStateImage().HasMark());
}

TEST(StateImage, CopyIsTakenWholeFromTheMarkAndBoundedTo508Bytes) {
    std::vector<std::uint8_t> longer(600, 0x5A);
    const CStateImage cut(longer);
    EXPECT_TRUE(
        std::all_of(cut.Raw().begin(), cut.Raw().end(), [](std::uint8_t b) { return b == 0x5A; }));

    const std::vector<std::uint8_t> shorter{0xAA, 0x55, 0x90, 0xEB, 9};
    const CStateImage padded(shorter);
    EXPECT_TRUE(padded.HasMark());
    EXPECT_EQ(padded.PortCount(), 9);
    EXPECT_TRUE(std::all_of(padded.Raw().begin() + 5, padded.Raw().end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(StateImage, CountsAndRoutesOfTheSwitchGrid) {
    const CStateImage image = TwoByThree();
    EXPECT_EQ(image.PortCount(), 5);
    EXPECT_EQ(image.InputCount(), 2);
    EXPECT_EQ(image.OutputCount(), 3);

    struct Case {
        int output;
        std::optional<int> source;
    };
    const Case sources[] = {{0, 1}, {1, std::nullopt}, {2, 1}, {3, std::nullopt}, {-1, {}}};
    for (const Case& c : sources) {
        EXPECT_EQ(image.SourceOf(c.output), c.source) << "output " << c.output;
    }

    struct Fed {
        int input;
        std::vector<int> outputs;
    };
    const Fed fed[] = {{0, {}}, {1, {0, 2}}, {2, {}}, {-1, {}}, {255, {}}};
    for (const Fed& f : fed) {
        EXPECT_EQ(image.OutputsFedBy(f.input), f.outputs) << "input " << f.input;
    }
}

TEST(StateImage, RoutingListRows) {
    CStateImage cleared = TwoByThree();
    cleared.ClearCounts();
    const std::vector<int> unrouted(3, kNone);

    struct Case {
        const char* name;
        CStateImage image;
        Rows rows;
    };
    const Case cases[] = {
        {"two inputs, three outputs", TwoByThree(), {{"00", "02 "}, {"01", ""}, {"02", "01 03 "}}},
        {"nothing routed",
         CStateImage::FromRoutes(2, unrouted),
         {{"00", "01 02 03 "}, {"01", ""}, {"02", ""}}},
        {"no ports", Filled(0, 0, 0, 0), {{"00", ""}}},
        {"counts cleared", cleared, {{"00", ""}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.image.RoutingList(), c.rows) << c.name;
    }
}

TEST(StateImage, OutputNumbersFrom100OnTakeThreeDigits) {
    std::vector<int> sources(120, kNone);
    std::fill(sources.begin() + 98, sources.begin() + 101, 0);
    const Rows rows = CStateImage::FromRoutes(1, sources).RoutingList();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].out, "99 100 101 ");
    EXPECT_NE(rows[0].out.find(" 97 98 102 103 "), std::string::npos) << rows[0].out;
    EXPECT_TRUE(rows[0].out.ends_with(" 119 120 ")) << rows[0].out;
}

TEST(StateImage, ListMatchesInputSlotValuesWhileTheSwitchGridUsesIdentifiers) {
    // Input slot 0 holds 3 instead of 1: the list follows the slot value, the switch grid
    // reads slot value v as input v - 1.
    std::array<std::uint8_t, CStateImage::kImageSize> bytes{0xAA, 0x55, 0x90, 0xEB, 4, 2,
                                                            2,    3,    2,    3,    1};
    const CStateImage image(bytes);
    EXPECT_EQ(image.RoutingList(), (Rows{{"00", ""}, {"01", "01 "}, {"02", ""}}));
    EXPECT_EQ(image.SourceOf(0), 2);
    EXPECT_EQ(image.OutputsFedBy(2), std::vector<int>{0});
    EXPECT_EQ(image.OutputsFedBy(0), std::vector<int>{1});
}

TEST(StateImage, EqualOnlyWhenAll508BytesAreEqual) {
    const CStateImage base = TwoByThree();
    EXPECT_EQ(base, TwoByThree());
    for (std::size_t offset : {std::size_t{0}, std::size_t{6}, std::size_t{11}, std::size_t{300},
                               CStateImage::kImageSize - 1}) {
        std::array<std::uint8_t, CStateImage::kImageSize> bytes = base.Raw();
        bytes[offset] ^= 0x01;
        EXPECT_NE(CStateImage(bytes), base) << "offset " << offset;
    }
}

// Counts from the device are not trusted: whatever they say, only the 508 bytes are read.
TEST(StateImage, HostileCountsStayInsideTheImage) {
    struct Case {
        const char* name;
        std::uint8_t ports, inputs, outputs, fill;
        std::size_t fedByInput0;        // outputs the switch grid finds for input 0
        std::optional<int> lastSource;  // SourceOf(outputs - 1)
        std::string rowZero;            // output column of row "00"
        std::string lastRow;            // input column of the last row
    };
    const Case cases[] = {
        // Output slots 7 + 255 + j lie inside the image only for j < 246.
        {"all counts 255", 255, 255, 255, 1, 246, std::nullopt, "", "255"},
        {"outputs beyond the port count", 10, 2, 255, 1, 255, 0, "", "02"},
        {"port count below input count", 3, 200, 4, 0, 0, std::nullopt, "", "200"},
        {"no inputs, every port unrouted", 4, 0, 0, 0, 0, std::nullopt, "01 02 03 04 ", "00"},
    };
    for (const Case& c : cases) {
        const CStateImage image = Filled(c.ports, c.inputs, c.outputs, c.fill);
        EXPECT_EQ(image.OutputsFedBy(0).size(), c.fedByInput0) << c.name;
        EXPECT_EQ(image.SourceOf(c.outputs - 1), c.lastSource) << c.name;
        const Rows rows = image.RoutingList();
        ASSERT_EQ(rows.size(), c.inputs + 1u) << c.name;
        EXPECT_EQ(rows.front().out, c.rowZero) << c.name;
        EXPECT_EQ(rows.back().in, c.lastRow) << c.name;
    }
    // 255 unrouted ports and no inputs: row "00" lists all of them, 1 to 255.
    const Rows wide = Filled(255, 0, 0, 0).RoutingList();
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].out.size(), 9 * 3 + 90 * 3 + 156 * 4);
    EXPECT_TRUE(wide[0].out.ends_with(" 254 255 "));
}

TEST(StateImage, FromRoutesKeepsThePortCountWithinOneByte) {
    const std::vector<int> sources(300, 0);
    const CStateImage image = CStateImage::FromRoutes(10, sources);
    EXPECT_EQ(image.InputCount(), 10);
    EXPECT_EQ(image.OutputCount(), 245);
    EXPECT_EQ(image.PortCount(), 255);
    EXPECT_EQ(image.OutputsFedBy(0).size(), 245u);
}

}  // namespace
