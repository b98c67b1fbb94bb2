// setup.ini files saved on Windows machines in other encodings than UTF-8: UTF-16 with either
// byte order, and the legacy double-byte code page of Chinese-locale machines. Callers read
// and write UTF-8; the file keeps its own encoding, byte-order mark and line ends.

#include <gtest/gtest.h>

#include <cstdio>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "settings/inifile.h"
#include "settings/profile.h"
#include "support/tempdir.h"

namespace {

using vantel::test::ReadFile;
using vantel::test::TempDir;
using vantel::test::WriteFile;

// The bytes Notepad saves for text as "Unicode" (little endian) or "Unicode big endian".
std::string Utf16File(std::u16string_view text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes.push_back(big_endian ? high : low);
        bytes.push_back(big_endian ? low : high);
    }
    return bytes;
}

const struct ByteOrder {
    const char* name;
    bool big_endian;
} kByteOrders[] = {{"little endian", false}, {"big endian", true}};

class FileEncodingTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.File("setup.ini");
    CIniFile ini_{path_};
};

constexpr std::u16string_view kUtf16Setup =
    u"[setup]\r\nmode=1\r\nip=127.0.0.1\r\n\r\n[BUTTON]\r\n2500=摄像机\r\n2501=😀 cam\r\n";

TEST_F(FileEncodingTest, Utf16FilesReadEveryKey) {
    for (const ByteOrder& order : kByteOrders) {
        WriteFile(path_, Utf16File(kUtf16Setup, order.big_endian));
        EXPECT_EQ(ini_.GetInt("mode", "setup", 0), 1) << order.name;
        EXPECT_EQ(ini_.GetString("ip", "setup", ""), "127.0.0.1") << order.name;
        EXPECT_EQ(ini_.GetString("2500", "BUTTON", ""), "摄像机") << order.name;
        EXPECT_EQ(ini_.GetString("2501", "BUTTON", ""), "😀 cam") << order.name;
        EXPECT_EQ(ini_.GetStrings({{"2501", ""}, {"2502", "3"}, {"2500", ""}}, "BUTTON"),
                  (std::vector<std::string>{"😀 cam", "3", "摄像机"}))
            << order.name;
        ini_.m_pSectionNames->clear();
        EXPECT_EQ(*ini_.GetSectionNames(), (std::list<std::string>{"setup", "BUTTON"}))
            << order.name;
        ini_.m_pSectionData->clear();
        EXPECT_EQ(*ini_.GetSectionData("button"),
                  (std::list<std::string>{"2500=摄像机", "2501=😀 cam"}))
            << order.name;
    }
}

TEST_F(FileEncodingTest, Utf16WritesKeepTheEncodingMarkAndLineEnds) {
    const struct {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
        std::u16string_view after;
    } cases[] = {
        {"value replaced", "setup", "mode", "2",
         u"[setup]\r\nmode=2\r\nip=127.0.0.1\r\n\r\n[BUTTON]\r\n2500=摄像机\r\n2501=😀 cam\r\n"},
        {"new label", "BUTTON", "2502", "通道 😀",
         u"[setup]\r\nmode=1\r\nip=127.0.0.1\r\n\r\n[BUTTON]\r\n2500=摄像机\r\n2501=😀 cam\r\n"
         u"2502=通道 😀\r\n"},
        {"new section", "NUMBER", "LINE", "8",
         u"[setup]\r\nmode=1\r\nip=127.0.0.1\r\n\r\n[BUTTON]\r\n2500=摄像机\r\n2501=😀 cam\r\n"
         u"[NUMBER]\r\nLINE=8\r\n"},
        {"key removed", "BUTTON", "2500", nullptr,
         u"[setup]\r\nmode=1\r\nip=127.0.0.1\r\n\r\n[BUTTON]\r\n2501=😀 cam\r\n"},
    };
    for (const ByteOrder& order : kByteOrders) {
        for (const auto& c : cases) {
            WriteFile(path_, Utf16File(kUtf16Setup, order.big_endian));
            EXPECT_NE(vantel::WritePrivateProfileString(c.section, c.key, c.value, path_.c_str()),
                      0)
                << order.name << ": " << c.name;
            EXPECT_EQ(ReadFile(path_), Utf16File(c.after, order.big_endian))
                << order.name << ": " << c.name;
        }
    }
}

TEST_F(FileEncodingTest, BrokenUtf16KeepsTheRestOfTheFile) {
    // A lone high surrogate, a lone low surrogate and an odd last byte.
    const std::u16string broken = std::u16string(u"[s]\r\na=x") + char16_t{0xD800} + u"y\r\nb=" +
                                  char16_t{0xDC00} + u"\r\nk=1\r\n";
    const std::u16string fixed = std::u16string(u"[s]\r\na=x") + char16_t{0xD800} + u"y\r\nb=" +
                                 char16_t{0xDC00} + u"\r\nk=2\r\n";
    for (const ByteOrder& order : kByteOrders) {
        WriteFile(path_, Utf16File(broken, order.big_endian) + "\x41");
        EXPECT_EQ(ini_.GetString("a", "s", ""), "x\uFFFDy") << order.name;
        EXPECT_EQ(ini_.GetString("b", "s", ""), "\uFFFD") << order.name;
        EXPECT_EQ(ini_.GetString("k", "s", ""), "1") << order.name;
        EXPECT_EQ(ini_.SetString("2", "k", "s"), 1) << order.name;
        EXPECT_EQ(ReadFile(path_), Utf16File(fixed, order.big_endian) + "\x41") << order.name;
    }
}

TEST_F(FileEncodingTest, OversizedUtf16FileIsReadUpToItsLastWholeLine) {
    std::u16string text = u"[s]\r\nk=1\r\n";
    while (text.size() < vantel::kMaxProfileBytes / 2 - 2) {
        text += u"filler=0123456789\r\n";
    }
    text.resize(vantel::kMaxProfileBytes / 2 - 2);
    text += u"\r\nlate=1\r\n";  // crosses the limit: cut, so never seen half
    const std::string bytes = Utf16File(text, false);
    WriteFile(path_, bytes);
    EXPECT_EQ(ini_.GetString("k", "s", "<default>"), "1");
    EXPECT_EQ(ini_.GetString("late", "s", "<default>"), "<default>");
    EXPECT_EQ(ini_.SetString("2", "k", "s"), 0);
    EXPECT_EQ(ReadFile(path_), bytes);
}

// GBK bytes of 摄像机 (camera), 前 (front), 按钮 (button).
constexpr const char* kGbkSetup =
    "[\xB0\xB4\xC5\xA5]\r\nk=1\r\n"
    "[BUTTON]\r\n2500=\xC9\xE3\xCF\xF1\xBB\xFA\r\n2501=\xC7\xB0\r\n2502=Cam 1\r\n";

TEST_F(FileEncodingTest, LegacyLabelsReadAsUtf8) {
    WriteFile(path_, kGbkSetup);
    EXPECT_EQ(ini_.GetString("2500", "BUTTON", ""), "摄像机");
    // C7 B0 alone would also be well-formed UTF-8 (a Latin letter): the file decides.
    EXPECT_EQ(ini_.GetString("2501", "BUTTON", ""), "前");
    EXPECT_EQ(ini_.GetString("2502", "button", ""), "Cam 1");
    EXPECT_EQ(ini_.GetInt("k", "按钮", 0), 1);
    EXPECT_EQ(*ini_.GetSectionNames(), (std::list<std::string>{"按钮", "BUTTON"}));
    EXPECT_EQ(*ini_.GetSectionData("BUTTON"),
              (std::list<std::string>{"2500=摄像机", "2501=前", "2502=Cam 1"}));
}

TEST_F(FileEncodingTest, NewLabelsGoInTheFilesOwnEncoding) {
    const struct {
        const char* name;
        std::string before;
        const char* label;
        std::string after;
    } cases[] = {
        {"legacy file", "[BUTTON]\r\n2500=\xD6\xD0\r\n", "通道",
         "[BUTTON]\r\n2500=\xD6\xD0\r\n2501=\xCD\xA8\xB5\xC0\r\n"},
        {"legacy file, character beyond GBK", "[BUTTON]\r\n2500=\xD6\xD0\r\n", "😀 À",
         "[BUTTON]\r\n2500=\xD6\xD0\r\n2501=\x94\x39\xFC\x36 \x81\x30\x86\x38\r\n"},
        {"utf-8 file", "[BUTTON]\r\n2500=中\r\n", "通道", "[BUTTON]\r\n2500=中\r\n2501=通道\r\n"},
        {"ascii file", "[BUTTON]\r\n2500=1\r\n", "通道", "[BUTTON]\r\n2500=1\r\n2501=通道\r\n"},
        {"utf-8 mark", "\xEF\xBB\xBF[BUTTON]\r\n", "通道", "\xEF\xBB\xBF[BUTTON]\r\n2501=通道\r\n"},
        {"no file", "", "通道", "[BUTTON]\n2501=通道\n"},
    };
    for (const auto& c : cases) {
        if (c.before.empty()) {
            std::remove(path_.c_str());
        } else {
            WriteFile(path_, c.before);
        }
        EXPECT_EQ(ini_.SetString(c.label, "2501", "BUTTON"), 1) << c.name;
        EXPECT_EQ(ReadFile(path_), c.after) << c.name;
        EXPECT_EQ(ini_.GetString("2501", "BUTTON", ""), c.label) << c.name;
    }
}

TEST_F(FileEncodingTest, ALegacyFileStaysLegacyOrBecomesAscii) {
    // Without 摄像机 the file's only other label, 前 (C7 B0), would be well-formed UTF-8.
    const std::string before = "[BUTTON]\r\n2500=\xC9\xE3\xCF\xF1\xBB\xFA\r\n2501=\xC7\xB0\r\n";
    const struct {
        const char* name;
        const char* key;
        const char* label;
        int result;
        std::string after;
    } cases[] = {
        {"a change that would turn the rest into UTF-8", "2500", "Cam", 0, before},
        {"removing it likewise", "2500", nullptr, 0, before},
        {"a Chinese label instead", "2500", "通道", 1,
         "[BUTTON]\r\n2500=\xCD\xA8\xB5\xC0\r\n2501=\xC7\xB0\r\n"},
    };
    for (const auto& c : cases) {
        WriteFile(path_, before);
        EXPECT_EQ(vantel::WritePrivateProfileString("BUTTON", c.key, c.label, path_.c_str()),
                  c.result)
            << c.name;
        EXPECT_EQ(ReadFile(path_), c.after) << c.name;
        EXPECT_EQ(ini_.GetString("2501", "BUTTON", ""), "前") << c.name;
    }
    WriteFile(path_, "[BUTTON]\r\n2500=\xC7\xB0\r\n2501=\xC9\xE3\r\n");
    EXPECT_EQ(ini_.SetStrings({{"2500", "Cam 1"}, {"2501", "Cam 2"}}, "BUTTON"), 1)
        << "nothing but ASCII left";
    EXPECT_EQ(ReadFile(path_), "[BUTTON]\r\n2500=Cam 1\r\n2501=Cam 2\r\n");
}

TEST_F(FileEncodingTest, NamesThatWouldNotReadBackInTheLegacyFileAreRefused) {
    // 乚 is 81 5D in GB18030: its second byte would end a section header.
    const std::string before = "[BUTTON]\r\n2500=\xD6\xD0\r\n";
    WriteFile(path_, before);
    EXPECT_EQ(ini_.SetString("1", "k", "a乚b"), 0);
    EXPECT_EQ(ReadFile(path_), before);
    std::remove(path_.c_str());
    EXPECT_EQ(ini_.SetString("1", "k", "a乚b"), 1) << "a UTF-8 file holds it";
    EXPECT_EQ(ini_.GetString("k", "a乚b", ""), "1");
}

TEST_F(FileEncodingTest, DoubleByteCharactersInNamesAreComparedExactly) {
    // 81 41 and 81 61 differ only in a second byte that is an ASCII letter's code.
    const struct {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        int expected;
    } cases[] = {
        {"keys", "[s]\r\n\x81\x41=1\r\n\x81\x61=2\r\n", "s", "丄", 1},
        {"keys", "[s]\r\n\x81\x41=1\r\n\x81\x61=2\r\n", "s", "乤", 2},
        {"sections", "[\x81\x41]\r\nk=1\r\n[\x81\x61]\r\nk=2\r\n", "丄", "k", 1},
        {"sections", "[\x81\x41]\r\nk=1\r\n[\x81\x61]\r\nk=2\r\n", "乤", "k", 2},
        {"ascii letters still fold", "[s]\r\n\x81\x41=1\r\nKEY=3\r\n", "S", "key", 3},
    };
    for (const auto& c : cases) {
        WriteFile(path_, c.text);
        EXPECT_EQ(ini_.GetInt(c.key, c.section, 0), c.expected) << c.name;
    }
    WriteFile(path_, "[\x81\x41]\r\n\x81\x41=1\r\n\x81\x61=2\r\n[\x81\x61]\r\nk=2\r\n");
    EXPECT_EQ(*ini_.GetSectionNames(), (std::list<std::string>{"丄", "乤"}));
    EXPECT_EQ(*ini_.GetSectionData("丄"), (std::list<std::string>{"丄=1", "乤=2"}));
}

TEST_F(FileEncodingTest, LongLabelsAreCutAfterAWholeCharacter) {
    // 254 bytes of UTF-8 would end inside the 85th 中 (3 bytes each): 84 come back.
    const std::string expected = [] {
        std::string text;
        for (int i = 0; i < 84; ++i) {
            text += "中";
        }
        return text;
    }();
    std::string utf8_label;
    std::string gbk_label;
    std::u16string utf16_label;
    for (int i = 0; i < 127; ++i) {
        utf8_label += "中";
        gbk_label += "\xD6\xD0";
        utf16_label += u"中";
    }
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"utf-8", "[BUTTON]\r\n2500=" + utf8_label + "\r\n"},
        {"legacy", "[BUTTON]\r\n2500=" + gbk_label + "\r\n"},
        {"utf-16", Utf16File(u"[BUTTON]\r\n2500=" + utf16_label + u"\r\n", false)},
    };
    for (const auto& c : cases) {
        WriteFile(path_, c.file);
        EXPECT_EQ(ini_.GetString("2500", "BUTTON", ""), expected) << c.name;
        EXPECT_EQ(ini_.m_nResult, 252) << c.name;
    }
}

}  // namespace
