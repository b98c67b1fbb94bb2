#include "link/setupcheck.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using vantel::CheckedCount;
using vantel::ParseBuzzerText;
using vantel::ParseCountText;

TEST(SetupCheck, CountTextReadsLikePercentD) {
    const struct {
        std::string text;
        int value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"0", 0},
        {"48", 48},
        {"49", 49},
        {"12abc", 12},
        {" 12", 12},
        {"\t\n 7", 7},
        {"+7", 7},
        {"-3", -3},
        {"- 5", 0},
        {"+", 0},
        {"007", 7},
        {"12 34", 12},
        {"1.5", 1},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCountText(c.text), c.value) << "'" << c.text << "'";
    }
}

TEST(SetupCheck, CountsOutsideOneToFortyEightAreRejected) {
    EXPECT_EQ(CheckedCount("1"), 1);
    EXPECT_EQ(CheckedCount("48"), 48);
    EXPECT_EQ(CheckedCount(" 12abc"), 12);
    for (const char* bad : {"", "0", "49", "abc", "-1", "256", "4294967297"}) {
        EXPECT_FALSE(CheckedCount(bad).has_value()) << "'" << bad << "'";
    }
}

TEST(SetupCheck, BuzzerTextMustBeExactlyOnOrOff) {
    EXPECT_EQ(ParseBuzzerText("on"), true);
    EXPECT_EQ(ParseBuzzerText("off"), false);
    for (const char* bad : {"On", "ON", "OFF", " on", "on ", "", "1", "onn"}) {
        EXPECT_FALSE(ParseBuzzerText(bad).has_value()) << "'" << bad << "'";
    }
}

}  // namespace
