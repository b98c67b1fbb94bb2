// Reading and editing INI files as operators carry them over from Windows and edit by hand.

#include "settings/profile.h"

#include <gtest/gtest.h>

#include <string>

#include "support/tempdir.h"

namespace vantel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ProfileTest : public ::testing::Test {
protected:
    std::string Get(const std::string& text, const char* section, const char* key,
                    const char* def = "<default>", unsigned size = 255) {
        WriteFile(path_, text);
        std::string buffer(size, '\0');
        unsigned n = GetPrivateProfileString(section, key, def, buffer.data(), size, path_.c_str());
        return buffer.substr(0, n);
    }

    TempDir dir_;
    std::string path_ = dir_.File("setup.ini");
};

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
};

TEST_F(ProfileTest, ReadsWindowsAndHandEditedFiles) {
    const ReadCase cases[] = {
        {"crlf", "[setup]\r\nmode=1\r\nip=127.0.0.1\r\n", "setup", "ip", "127.0.0.1"},
        {"lf", "[setup]\nmode=1\nip=127.0.0.1\n", "setup", "ip", "127.0.0.1"},
        {"cr only", "[setup]\rmode=1\rip=127.0.0.1", "setup", "ip", "127.0.0.1"},
        {"utf-8 mark before first header", "\xEF\xBB\xBF[setup]\r\nmode=1\r\n", "setup", "mode",
         "1"},
        {"letter case of names", "[SeTuP]\nMODE=2\n", "setup", "Mode", "2"},
        {"blanks around names, = and value", " \t[ setup ] \n  mode \t=\t 5 \t\n", "setup", "mode",
         "5"},
        {"blanks of the query", "[setup]\nmode=5\n", " setup ", " mode ", "5"},
        {"comment lines", "[setup]\n;mode=9\n  ; mode=8\nmode=3\n", "setup", "mode", "3"},
        {"double quotes", "[s]\nk=\" a b \"\n", "s", "k", " a b "},
        {"single quotes", "[s]\nk='x'\n", "s", "k", "x"},
        {"quotes that do not pair", "[s]\nk='x\"\n", "s", "k", "'x\""},
        {"a lone quote", "[s]\nk=\"\n", "s", "k", "\""},
        {"only the outer pair", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
        {"= inside the value", "[s]\nk=a=b\n", "s", "k", "a=b"},
        {"empty value is not the default", "[s]\nk=\n", "s", "k", ""},
        {"first duplicate key", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        {"first duplicate section", "[s]\nk=1\n[t]\nj=0\n[S]\nk=3\nj=4\n", "s", "j", "<default>"},
        {"key of another section", "[s]\nk=1\n[t]\nj=0\n", "s", "j", "<default>"},
        {"key above every section", "k=7\n[s]\nj=1\n", "s", "k", "<default>"},
        {"line without =", "[s]\nk\nk=2\n", "s", "k", "2"},
        {"header without ]", "[s\nk=1\n", "s", "k", "1"},
        {"text after ]", "[s] ; note\nk=1\n", "s", "k", "1"},
        {"line holding a NUL byte", std::string("[s]\nk\0x=1\nk=2\n", 14), "s", "k", "2"},
        {"utf-8 passes through", "[BUTTON]\n2500=\xE4\xBD\xA0\xE5\xA5\xBD\n", "BUTTON", "2500",
         "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"legacy bytes come back as utf-8", "[BUTTON]\n2500=\xC4\xE3\xBA\xC3\n", "BUTTON", "2500",
         "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"high bytes are not case-folded", "[s]\n\xC3\x84=1\n", "s", "\xC3\xA4", "<default>"},
        {"a name that is not utf-8 finds nothing", "[s]\n\xC4=1\n", "s", "\xC4", "<default>"},
        {"high-byte section names", "[\xE6\x8C\x89]\nk=1\n", "\xE6\x8C\x89", "k", "1"},
        {"missing section", "[s]\nk=1\n", "t", "k", "<default>"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(Get(c.text, c.section, c.key), c.expected) << c.name;
        // The same key read amid others in one multi-key read, asked twice.
        const ProfileKeyDefault reads[] = {
            {"other", "-"}, {c.key, "<default>"}, {"k2", "-"}, {c.key, "<default>"}};
        const std::vector<std::string> values =
            GetPrivateProfileStrings(c.section, reads, 255, path_.c_str());
        EXPECT_EQ(values,
                  (std::vector<std::string>{Get(c.text, c.section, "other", "-"), c.expected,
                                            Get(c.text, c.section, "k2", "-"), c.expected}))
            << c.name;
    }
}

TEST_F(ProfileTest, AMultiKeyReadReadsEachKeyAsASingleReadDoes) {
    // A whole label section with a duplicate, a key in other letter case, an over-long value
    // and keys that are missing; values cut to the buffer as single reads cut them.
    std::string text = "[BUTTON]\n";
    for (int i = 0; i < 72; i += 2) {
        text += std::to_string(2500 + i) + "=out " + std::to_string(i) + "\n";
    }
    text += "2500=shadowed\nAbC=" + std::string(300, 'v') + "\n[other]\n2501=elsewhere\n";
    WriteFile(path_, text);
    std::vector<std::string> keys;
    for (int i = 0; i < 72; ++i) {
        keys.push_back(std::to_string(2500 + i));
    }
    keys.push_back("abc");
    std::vector<ProfileKeyDefault> reads;
    for (const std::string& key : keys) {
        reads.push_back({key.c_str(), "none"});
    }
    for (unsigned size : {255u, 4u, 1u}) {
        const std::vector<std::string> values =
            GetPrivateProfileStrings("button", reads, size, path_.c_str());
        ASSERT_EQ(values.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(values[i], Get(text, "button", keys[i].c_str(), "none", size))
                << keys[i] << " size " << size;
        }
    }
    // A null key lists nothing here: it reads as its default.
    const ProfileKeyDefault nullKey[] = {{nullptr, "null"}};
    EXPECT_EQ(GetPrivateProfileStrings("button", nullKey, 255, path_.c_str()),
              std::vector<std::string>{"null"});
}

TEST_F(ProfileTest, MissingFileGivesDefault) {
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileString("s", "k", "dflt", buffer, sizeof buffer,
                                      dir_.File("none.ini").c_str()),
              4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(GetPrivateProfileString("s", "k", nullptr, buffer, sizeof buffer,
                                      dir_.File("none.ini").c_str()),
              0u);
    EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileTest, ValuesAndDefaultsAreCutToTheBuffer) {
    WriteFile(path_, "[s]\nk=" + std::string(300, 'v') + "\n");
    char buffer[255];
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", buffer, sizeof buffer, path_.c_str()), 254u);
    EXPECT_EQ(std::string(buffer), std::string(254, 'v'));
    EXPECT_EQ(GetPrivateProfileString("s", "x", "abcdef", buffer, 4, path_.c_str()), 3u);
    EXPECT_STREQ(buffer, "abc");
}

struct ListCase {
    const char* name;
    unsigned size;
    std::string bytes;  // the buffer up to and including the final NUL(s)
    unsigned count;
};

// Section names "alpha", "beta", "gamma" need 17 characters and a final NUL.
TEST_F(ProfileTest, SectionNameListsFollowTheBufferRules) {
    WriteFile(path_, "[alpha]\nk=1\n[beta]\n[gamma]\nk=2\n[Beta]\n");
    const ListCase cases[] = {
        {"room to spare", 64, std::string("alpha\0beta\0gamma\0\0", 18), 17},
        {"exact fit counts as cut", 18, std::string("alpha\0beta\0gamma\0\0", 18), 16},
        {"one byte to spare", 19, std::string("alpha\0beta\0gamma\0\0", 18), 17},
        {"last entry cut", 17, std::string("alpha\0beta\0gamm\0\0", 17), 15},
        {"no room left for the next entry", 12, std::string("alpha\0beta\0\0", 12), 10},
        {"cut inside the first entry", 4, std::string("al\0\0", 4), 2},
        {"room for the NULs only", 2, std::string("\0\0", 2), 0},
        {"one byte", 1, std::string("\0", 1), 0},
    };
    for (const ListCase& c : cases) {
        std::string buffer(c.size + 4, '#');
        unsigned n = GetPrivateProfileSectionNames(buffer.data(), c.size, path_.c_str());
        EXPECT_EQ(n, c.count) << c.name;
        EXPECT_EQ(buffer.substr(0, c.bytes.size()), c.bytes) << c.name;
        EXPECT_EQ(buffer.substr(c.size), "####") << c.name << ": wrote past the buffer";
    }
}

TEST_F(ProfileTest, ListsKeysAndLinesOfASectionOnce) {
    WriteFile(path_, "[s]\n k1 = v1 \n;c=0\nK1=dup\nk2='q'\n[t]\nx=1\n[S]\nk3=3\n");
    char buffer[64];
    unsigned n = GetPrivateProfileString("s", nullptr, "", buffer, sizeof buffer, path_.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("k1\0k2\0\0", 7));
    n = GetPrivateProfileSection("S", buffer, sizeof buffer, path_.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("k1=v1\0k2=q\0\0", 12));
    EXPECT_EQ(GetPrivateProfileSection("none", buffer, sizeof buffer, path_.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileString("none", nullptr, "", buffer, sizeof buffer, path_.c_str()),
              0u);
}

// Key lists and section lines follow the rules of the name list: a list that exactly fills the
// buffer counts as cut, and a cut never ends inside a character.
TEST_F(ProfileTest, KeyListsAndSectionLinesAtTheBufferEdge) {
    WriteFile(path_, "[s]\nk1=v1\nk2=\xE4\xB8\xAD\xE6\x96\x87\n");
    const struct {
        const char* name;
        bool lines;
        unsigned size;
        std::string bytes;
        unsigned count;
    } cases[] = {
        {"keys, exact fit", false, 7, std::string("k1\0k2\0\0", 7), 5},
        {"keys, one to spare", false, 8, std::string("k1\0k2\0\0", 7), 6},
        {"lines, exact fit", true, 17, std::string("k1=v1\0k2=\xE4\xB8\xAD\xE6\x96\x87\0\0", 17),
         15},
        {"lines, cut inside a character", true, 15,
         std::string("k1=v1\0k2=\xE4\xB8\xAD\0\0\0\0", 15), 13},
    };
    for (const auto& c : cases) {
        std::string buffer(c.size + 4, '#');
        unsigned n = c.lines ? GetPrivateProfileSection("s", buffer.data(), c.size, path_.c_str())
                             : GetPrivateProfileString("s", nullptr, "", buffer.data(), c.size,
                                                       path_.c_str());
        EXPECT_EQ(n, c.count) << c.name;
        EXPECT_EQ(buffer.substr(0, c.bytes.size()), c.bytes) << c.name;
        EXPECT_EQ(buffer.substr(c.size), "####") << c.name << ": wrote past the buffer";
    }
}

struct EditCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST_F(ProfileTest, WritesChangeOnlyWhatTheyWrite) {
    const EditCase cases[] = {
        {"value replaced in place", "; settings\r\n[Setup]\r\n  MODE = 0\r\n\r\n[b]\r\nx=1\r\n",
         "setup", "mode", "1", "; settings\r\n[Setup]\r\n  MODE = 1\r\n\r\n[b]\r\nx=1\r\n"},
        {"quoted value, blanks after it kept", "[s]\nk = \"old\"  \n", "s", "k", "new",
         "[s]\nk = new  \n"},
        {"empty value filled", "[s]\nk=\n", "s", "k", "v", "[s]\nk=v\n"},
        {"first duplicate only", "[a]\nk=1\nk=2\n[A]\nk=3\n", "A", "K", "9",
         "[a]\nk=9\nk=2\n[A]\nk=3\n"},
        {"new key after the last key line", "[s]\nmode=0\n\n; next\n[b]\nk=1\n", "s", "ip",
         "1.2.3.4", "[s]\nmode=0\nip=1.2.3.4\n\n; next\n[b]\nk=1\n"},
        {"new key in a section without keys", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\n[b]\n"},
        {"new key after a last line without line end", "[a]\r\nk=1", "a", "j", "2",
         "[a]\r\nk=1\r\nj=2"},
        {"new section in the file's line-end style", "[a]\r\nk=1\r\n", "b", "j", "2",
         "[a]\r\nk=1\r\n[b]\r\nj=2\r\n"},
        {"new section after a last line without line end", "[a]\nk=1", "b", "j", "2",
         "[a]\nk=1\n[b]\nj=2\n"},
        {"cr-only file", "[a]\rk=1\r", "a", "j", "2", "[a]\rk=1\rj=2\r"},
        {"utf-8 mark kept", "\xEF\xBB\xBF[a]\r\nk=1\r\n", "a", "k", "2",
         "\xEF\xBB\xBF[a]\r\nk=2\r\n"},
        {"empty file", "", "a", "k", "v", "[a]\nk=v\n"},
        {"value that would lose its blanks", "[a]\nk=1\n", "a", "k", " v ", "[a]\nk=\" v \"\n"},
        {"value that would lose its quotes", "[a]\nk=1\n", "a", "k", "'v'", "[a]\nk=\"'v'\"\n"},
        {"utf-8 stored as it is", "[a]\n", "a", "3000", "\xE4\xBD\xA0\xE5\xA5\xBD",
         "[a]\n3000=\xE4\xBD\xA0\xE5\xA5\xBD\n"},
        {"same value leaves the file alone", "[a]\nk = 1 ; x\n", "a", "k", "1 ; x",
         "[a]\nk = 1 ; x\n"},
        {"null value removes the key", "[a]\r\nk=1\r\nj=2\r\n", "a", "k", nullptr,
         "[a]\r\nj=2\r\n"},
        {"null value of a missing key", "[a]\nj=2\n", "a", "k", nullptr, "[a]\nj=2\n"},
        {"null key removes the section", "[a]\nk=1\n; a\n[b]\nj=2\n", "A", nullptr, nullptr,
         "[b]\nj=2\n"},
    };
    for (const EditCase& c : cases) {
        WriteFile(path_, c.before);
        EXPECT_NE(WritePrivateProfileString(c.section, c.key, c.value, path_.c_str()), 0) << c.name;
        EXPECT_EQ(ReadFile(path_), c.after) << c.name;
    }
}

TEST_F(ProfileTest, WrittenValuesReadBackAsGiven) {
    for (const char* value : {" v ", "'v'", "\"", "a=b", ";x", "", "[x]"}) {
        ASSERT_NE(WritePrivateProfileString("s", "k", value, path_.c_str()), 0);
        EXPECT_EQ(Get(ReadFile(path_), "s", "k"), value);
    }
}

TEST_F(ProfileTest, RefusesNamesAndValuesThatWouldCorruptTheFile) {
    const std::string before = "[s]\nk=1\n";
    struct Refused {
        const char* section;
        const char* key;
        const char* value;
    };
    const Refused cases[] = {
        {"", "k", "v"},         {"  ", "k", "v"},       {"a]b", "k", "v"},    {"a\nb", "k", "v"},
        {"s", "", "v"},         {"s", "k=x", "v"},      {"s", ";k", "v"},     {"s", "[k", "v"},
        {"s", "k\r", "v"},      {"s", "k", "a\r\nj=2"}, {"s", "k", "a\n[t]"}, {nullptr, "k", "v"},
        {"s", "k", "\xC4\xE3"}, {"s", "\xC4", "v"},     {"\xC4", "k", "v"},
    };
    for (const Refused& c : cases) {
        WriteFile(path_, before);
        EXPECT_EQ(WritePrivateProfileString(c.section, c.key, c.value, path_.c_str()), 0)
            << (c.section ? c.section : "(null)") << "/" << c.key << "=" << c.value;
        EXPECT_EQ(ReadFile(path_), before);
    }
}

TEST_F(ProfileTest, OversizedFileIsReadUpToItsLastWholeLineAndNeverRewritten) {
    std::string text = "[s]\nk=1\n";
    while (text.size() < kMaxProfileBytes - 3) {
        text += "filler=0123456789\n";
    }
    text.resize(kMaxProfileBytes - 3);
    text += "\nlate=1\n";  // crosses the limit: cut, so never seen half
    WriteFile(path_, text);
    EXPECT_EQ(Get(text, "s", "k"), "1");
    EXPECT_EQ(Get(text, "s", "late"), "<default>");
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", path_.c_str()), 0);
    EXPECT_EQ(ReadFile(path_), text);
}

}  // namespace
}  // namespace vantel
