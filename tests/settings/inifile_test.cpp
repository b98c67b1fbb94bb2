// CIniFile: typed keys over setup.ini, defaults, number parsing and section enumeration.

#include "settings/inifile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "support/tempdir.h"

namespace {

using vantel::test::ReadFile;
using vantel::test::TempDir;
using vantel::test::WriteFile;

using KeyValuesForSetup = std::vector<std::pair<std::string, std::string>>;

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.File("setup.ini");
    CIniFile ini_{path_};
};

TEST_F(IniFileTest, MissingFileReadsEveryDefault) {
    EXPECT_EQ(ini_.GetInt("mode", "setup", 0), 0);
    EXPECT_EQ(ini_.GetString("ip", "setup", "127.100.1.80"), "127.100.1.80");
    EXPECT_EQ(ini_.m_nResult, 12);
    EXPECT_EQ(ini_.GetInt("serial", "setup", 1), 1);
    EXPECT_EQ(ini_.GetInt("LINE", "NUMBER", 12), 12);
    EXPECT_EQ(ini_.GetInt("ROW", "NUMBER", 12), 12);
    for (int i = 0; i < 72; ++i) {
        EXPECT_EQ(ini_.GetString(std::to_string(2500 + i), "BUTTON", std::to_string(i + 1)),
                  std::to_string(i + 1));
    }
    EXPECT_EQ(ini_.GetHex("h", "s", 0xAB, 4), 0xABu);
    EXPECT_EQ(ini_.GetBool("b", "s", 0), 0);
    EXPECT_EQ(ini_.GetBool("b", "s", 7), 1);
    EXPECT_EQ(ini_.SectionExists("setup"), 0);
    EXPECT_TRUE(ini_.GetSectionNames()->empty());
    EXPECT_TRUE(ini_.GetSectionData("setup")->empty());
    EXPECT_FALSE(std::filesystem::exists(path_)) << "a read created the file";
}

TEST_F(IniFileTest, IntegersParseLikeScanfDecimal) {
    const struct {
        const char* stored;
        int expected;
    } cases[] = {
        {"42", 42},
        {" 3", 3},
        {"\t-7", -7},
        {"+5", 5},
        {"4x", 4},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"x1", 0},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        ASSERT_NE(ini_.SetString(c.stored, "serial", "setup"), 0);
        EXPECT_EQ(ini_.GetInt("serial", "setup", 1), c.expected) << '"' << c.stored << '"';
    }
}

TEST_F(IniFileTest, HexadecimalWidthAndParsing) {
    const struct {
        std::uint32_t value;
        unsigned width;
        const char* text;
    } writes[] = {
        {0xAB, 4, "00AB"}, {0xABCDE, 2, "ABCDE"},       {0xAB, 0, "AB"},
        {0, 0, "0"},       {0xFFFFFFFF, 8, "FFFFFFFF"}, {0x1, 12, "000000000001"},
    };
    for (const auto& c : writes) {
        ASSERT_NE(ini_.SetHex(c.value, "h", "s", c.width), 0);
        EXPECT_EQ(ini_.GetString("h", "s", ""), c.text);
        EXPECT_EQ(ini_.GetHex("h", "s", 0, 0), c.value) << c.text;
    }
    const struct {
        const char* stored;
        std::uint32_t expected;
    } reads[] = {
        {"00ab", 0xAB}, {"0xAB", 0xAB}, {"0XaB", 0xAB}, {" ff", 0xFF}, {"1g", 0x1},
        {"g1", 0},      {"", 0},        {"0x", 0},      {"0xg", 0},    {"123456789", 0xFFFFFFFF},
    };
    for (const auto& c : reads) {
        ASSERT_NE(ini_.SetString(c.stored, "h", "s"), 0);
        EXPECT_EQ(ini_.GetHex("h", "s", 0x55, 2), c.expected) << '"' << c.stored << '"';
    }
}

TEST_F(IniFileTest, HugeHexWidthIsBounded) {
    ASSERT_NE(ini_.SetHex(0xAB, "h", "s", 4000000000u), 0);
    std::string text = ini_.GetString("h", "s", "");
    EXPECT_EQ(text.size(), 254u);
    EXPECT_EQ(text.substr(250), "00AB");
    EXPECT_EQ(ini_.GetHex("missing", "s", 0xAB, 4000000000u), 0xABu);
}

TEST_F(IniFileTest, BooleansAreTrueUnlessExactlyZero) {
    const struct {
        const char* stored;
        int expected;
    } cases[] = {{"0", 0}, {"1", 1}, {"", 1}, {"00", 1}, {"false", 1}, {" 0 ", 0}};
    for (const auto& c : cases) {
        WriteFile(path_, std::string("[s]\nb=") + c.stored + "\n");  // as typed by hand
        EXPECT_EQ(ini_.GetBool("b", "s", 0), c.expected) << '"' << c.stored << '"';
    }
    ini_.SetBool(5, "b", "s");
    EXPECT_EQ(ini_.GetString("b", "s", ""), "1");
    ini_.SetBool(0, "b", "s");
    EXPECT_EQ(ini_.GetString("b", "s", ""), "0");
}

TEST_F(IniFileTest, EmptyOrNonNumericValueReadsAsZeroNotDefault) {
    WriteFile(path_, "[setup]\nmode=\nserial=abc\n");
    EXPECT_EQ(ini_.GetString("mode", "setup", "dflt"), "");
    EXPECT_EQ(ini_.m_nResult, 0);
    EXPECT_EQ(ini_.GetInt("mode", "setup", 9), 0);
    EXPECT_EQ(ini_.GetInt("serial", "setup", 1), 0);
    EXPECT_EQ(ini_.GetHex("mode", "setup", 9, 0), 0u);
    EXPECT_EQ(ini_.GetBool("mode", "setup", 0), 1);
}

TEST_F(IniFileTest, SectionExistsOnlyWithKeys) {
    WriteFile(path_, "[empty]\n; only a comment\n[full]\nk=\n");
    EXPECT_EQ(ini_.SectionExists("empty"), 0);
    EXPECT_EQ(ini_.SectionExists("FULL"), 1);
    EXPECT_EQ(ini_.m_nResult, 2);  // "k" and its NUL
}

TEST_F(IniFileTest, EnumerationsAppendToTheOwnedLists) {
    WriteFile(path_, "[setup]\nmode=1\nip=127.0.0.1\n[NUMBER]\nLINE=8\n");
    std::list<std::string>* names = ini_.GetSectionNames();
    EXPECT_EQ(names, ini_.m_pSectionNames.get());
    EXPECT_EQ(ini_.m_nResult, 13);
    ini_.GetSectionNames();
    EXPECT_EQ(*names, (std::list<std::string>{"setup", "NUMBER", "setup", "NUMBER"}));
    std::list<std::string>* data = ini_.GetSectionData("setup");
    EXPECT_EQ(data, ini_.m_pSectionData.get());
    ini_.GetSectionData("NUMBER");
    EXPECT_EQ(*data, (std::list<std::string>{"mode=1", "ip=127.0.0.1", "LINE=8"}));
}

TEST_F(IniFileTest, EnumerationDropsEntriesThatDoNotFit) {
    // 512-byte buffer: 20 lines of 30 characters, each with its NUL, fit 16 times whole.
    std::string text = "[BUTTON]\n";
    for (int i = 0; i < 20; ++i) {
        text += std::to_string(2500 + i) + "=" + std::string(25, 'x') + "\n";
    }
    WriteFile(path_, text);
    std::list<std::string>* data = ini_.GetSectionData("BUTTON");
    EXPECT_EQ(ini_.m_nResult, 510);
    ASSERT_EQ(data->size(), 16u);
    EXPECT_EQ(data->back(), "2515=" + std::string(25, 'x'));
}

TEST_F(IniFileTest, TwoInstancesOnOnePathSeeEachOthersWrites) {
    CIniFile other(path_);
    EXPECT_EQ(ini_.SetInt(3, "serial", "setup"), 1);
    EXPECT_EQ(ini_.m_nResult, 1);
    EXPECT_EQ(other.GetInt("serial", "setup", 1), 3);
    EXPECT_EQ(other.SetString("127.0.0.1", "ip", "setup"), 1);
    EXPECT_EQ(ini_.GetString("ip", "setup", ""), "127.0.0.1");
    EXPECT_EQ(ReadFile(path_), "[setup]\nserial=3\nip=127.0.0.1\n");
}

TEST_F(IniFileTest, SetStringsWritesEveryKeyOrNone) {
    const std::string before = "; kept\r\n[setup]\r\nmode=0\r\nip=127.0.0.1\r\n[b]\r\nk=1\r\n";
    const struct {
        const char* name;
        KeyValuesForSetup keyValues;
        int result;
        std::string after;
    } cases[] = {
        {"all three land",
         {{"mode", "1"}, {"ip", "127.0.0.2"}, {"serial", "3"}},
         1,
         "; kept\r\n[setup]\r\nmode=1\r\nip=127.0.0.2\r\nserial=3\r\n[b]\r\nk=1\r\n"},
        {"a bad value writes none",
         {{"mode", "1"}, {"ip", "1\r\n[x]"}, {"serial", "3"}},
         0,
         before},
        {"a bad key writes none",
         {{"mode", "1"}, {"ip", "127.0.0.2"}, {"se=rial", "3"}},
         0,
         before},
        {"a later key of the list wins",
         {{"mode", "1"}, {"MODE", "2"}},
         1,
         "; kept\r\n[setup]\r\nmode=2\r\nip=127.0.0.1\r\n[b]\r\nk=1\r\n"},
    };
    for (const auto& c : cases) {
        WriteFile(path_, before);
        EXPECT_EQ(ini_.SetStrings(c.keyValues, "setup"), c.result) << c.name;
        EXPECT_EQ(ini_.m_nResult, c.result) << c.name;
        EXPECT_EQ(ReadFile(path_), c.after) << c.name;
    }
}

TEST_F(IniFileTest, SetStringsIntoANewFileOrABadSectionName) {
    const KeyValuesForSetup keyValues = {{"mode", "1"}, {"ip", "127.0.0.1"}, {"serial", "2"}};
    EXPECT_EQ(ini_.SetStrings(keyValues, "set]up"), 0);
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_EQ(ini_.SetStrings(keyValues, "setup"), 1);
    EXPECT_EQ(ReadFile(path_), "[setup]\nmode=1\nip=127.0.0.1\nserial=2\n");
}

TEST_F(IniFileTest, LongValuesComeBackCutAndLabelsAsWritten) {
    ini_.SetString(std::string(300, 'L'), "3000", "BUTTON");
    EXPECT_EQ(ini_.GetString("3000", "BUTTON", ""), std::string(254, 'L'));
    EXPECT_EQ(ini_.m_nResult, 254);
    const std::string label = "\xE8\xBE\x93\xE5\x85\xA5 1";
    ini_.SetString(label, "3001", "BUTTON");
    EXPECT_EQ(ini_.GetString("3001", "BUTTON", ""), label);
    // Bytes that are not UTF-8 (here a legacy code page's) are refused, not stored.
    EXPECT_EQ(ini_.SetString("\xCA\xE4\xC8\xEB 1", "3001", "BUTTON"), 0);
    EXPECT_EQ(ini_.GetString("3001", "BUTTON", ""), label);
}

}  // namespace
