// Cuts of UTF-8 text: what a label read back from a file keeps of a character cut at its end.

#include "settings/textcodec.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vantel {
namespace {

TEST(WithoutCutCharacterTest, DropsOnlyAStartOfACharacterAtTheEnd) {
    struct Case {
        const char* what;
        std::string_view text;
        std::size_t kept;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"ASCII", "abc", 3},
        {"whole characters of 2, 3 and 4 bytes", "\xC3\xA9\xE6\x91\x84\xF0\x9F\x98\x80", 9},
        {"lead of 2 alone", "ab\xC3", 2},
        {"3 bytes cut after 2", "a\xE6\x91", 1},
        {"4 bytes cut after 3", "a\xF0\x9F\x98", 1},
        {"4 bytes cut after 1", "\xE6\x91\x84\xF0", 3},
        {"stray continuation bytes only", "\x80\x80", 2},
        {"stray continuation after ASCII", "a\x80", 2},
        {"more continuations than the lead announces", "\xC3\xA9\xA9", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WithoutCutCharacter(c.text), c.kept);
    }
}

}  // namespace
}  // namespace vantel
