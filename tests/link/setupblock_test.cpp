#include "link/setupblock.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <vector>

namespace {

using Address = CSetupBlock::Address;

// A block read from a device: the mark, then every byte different, so a byte that moves or
// is lost shows.
std::array<std::uint8_t, CSetupBlock::kSetupBlockSize> ReadBytes() {
    std::array<std::uint8_t, CSetupBlock::kSetupBlockSize> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(0x40 + i * 3);
    }
    bytes[0] = 0xAA;
    bytes[1] = 0x55;
    bytes[2] = 0x90;
    bytes[3] = 0xEB;
    return bytes;
}

TEST(SetupBlock, MarkAndLength) {
    auto bytes = ReadBytes();
    EXPECT_TRUE(CSetupBlock(bytes).HasMark());
    bytes[0] = 0xEB;
    bytes[1] = 0x90;
    bytes[2] = 0x55;
    bytes[3] = 0xAA;
    EXPECT_FALSE(CSetupBlock(bytes).HasMark());
    EXPECT_FALSE(CSetupBlock().HasMark());

    // Only the first 40 bytes of a longer reply are taken; a short one is zero-filled.
    std::vector<std::uint8_t> reply(100, 0x77);
    std::array<std::uint8_t, CSetupBlock::kSetupBlockSize> first{};
    first.fill(0x77);
    EXPECT_EQ(CSetupBlock(reply).Raw(), first);
    const std::vector<std::uint8_t> shorter{0xAA, 0x55, 0x90, 0xEB, 1};
    const CSetupBlock cut(shorter);
    EXPECT_TRUE(cut.HasMark());
    EXPECT_EQ(cut.InputCount(), 0);
    EXPECT_EQ(cut.Ip(), (Address{0, 0, 0, 0}));
}

TEST(SetupBlock, FieldsAsShown) {
    auto bytes = ReadBytes();
    const std::array<std::uint8_t, 4> gateway{0xC0, 0xA8, 0x01, 0x01};
    const std::array<std::uint8_t, 4> mask{0xFF, 0xFF, 0xFF, 0x00};
    const std::array<std::uint8_t, 4> ip{0xC0, 0xA8, 0x01, 0x50};
    std::copy(gateway.begin(), gateway.end(), bytes.begin() + 12);
    std::copy(mask.begin(), mask.end(), bytes.begin() + 16);
    std::copy(ip.begin(), ip.end(), bytes.begin() + 26);
    bytes[35] = 8;
    bytes[36] = 48;
    const CSetupBlock block(bytes);
    EXPECT_EQ(block.Gateway(), (Address{192, 168, 1, 1}));
    EXPECT_EQ(block.Mask(), (Address{255, 255, 255, 0}));
    EXPECT_EQ(block.Ip(), (Address{192, 168, 1, 80}));
    EXPECT_EQ(block.InputCount(), 8);
    EXPECT_EQ(block.OutputCount(), 48);
}

TEST(SetupBlock, BuzzerShowsBitZeroAndIsSavedAsOneOrZero) {
    struct Case {
        std::uint8_t read;
        bool shown;
        std::uint8_t saved;
    };
    const Case cases[] = {
        {0x03, true, 0x01},  {0x02, false, 0x00}, {0x01, true, 0x01},
        {0x00, false, 0x00}, {0xFE, false, 0x00}, {0xFF, true, 0x01},
    };
    for (const Case& c : cases) {
        auto bytes = ReadBytes();
        bytes[37] = c.read;
        CSetupBlock block(bytes);
        EXPECT_EQ(block.BuzzerOn(), c.shown) << int{c.read};
        block.SetBuzzer(block.BuzzerOn());
        EXPECT_EQ(block.Raw()[37], c.saved) << int{c.read};
    }
}

TEST(SetupBlock, SaveWritesItsFieldsAndCarriesEveryOtherByte) {
    const auto read = ReadBytes();
    CSetupBlock block(read);
    block.SetIp({10, 0, 0, 7});
    block.SetMask({255, 0, 0, 0});
    block.SetGateway({10, 0, 0, 1});
    block.SetCounts(16, 32);
    block.SetBuzzer(true);

    const std::vector<std::pair<std::size_t, std::uint8_t>> written{
        {12, 0x0A}, {13, 0x00}, {14, 0x00}, {15, 0x01},  // gateway
        {16, 0xFF}, {17, 0x00}, {18, 0x00}, {19, 0x00},  // mask
        {26, 0x0A}, {27, 0x00}, {28, 0x00}, {29, 0x07},  // IP address
        {35, 16},   {36, 32},   {37, 0x01},              // counts, buzzer
    };
    std::set<std::size_t> edited;
    for (const auto& [offset, value] : written) {
        EXPECT_EQ(block.Raw()[offset], value) << "offset " << offset;
        edited.insert(offset);
    }
    for (std::size_t offset = 0; offset < read.size(); ++offset) {
        if (!edited.contains(offset)) {
            EXPECT_EQ(block.Raw()[offset], read[offset]) << "offset " << offset;
        }
    }
    EXPECT_TRUE(block.HasMark());
    EXPECT_EQ(block.Data(), block.Raw().data());
}

}  // namespace
