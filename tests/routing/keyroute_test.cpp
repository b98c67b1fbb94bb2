// Typed routes: what each sequence reads as against 8 inputs and 6 outputs with some labels,
// what it refuses and why, and the bound on the typed text.

#include "routing/keyroute.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantel {
namespace {

KeyRouteTargets Targets() {
    return {8, 6, {"1", "Camera left", "camera right", "VTR", "5", "6", "7", "8"}};
}

KeyRouteParse ParseOf(const std::string& typed) {
    CKeyRoute route;
    EXPECT_TRUE(route.Type(typed)) << typed;
    return route.Parse(Targets());
}

TEST(KeyRouteTest, CompleteSequencesReadAsTheirRoute) {
    struct Case {
        const char* typed;
        int input;
        int destination;
        bool outputsTyped;
        bool add;
        std::vector<int> outputs;
        const char* shown;
    };
    const Case cases[] = {
        {"3", 3, 0, false, false, {}, "input 3 \"camera right\""},
        {"3 1 4-6", 3, 0, true, false, {1, 4, 5, 6}, "input 3 \"camera right\": outputs 1 4-6"},
        {"1,2, 2 1", 1, 0, true, false, {1, 2}, "input 1: outputs 1 2"},
        {"4+5", 4, 0, true, true, {5}, "input 4 \"VTR\" + outputs 5"},
        {"4 + 1-3", 4, 0, true, true, {1, 2, 3}, "input 4 \"VTR\" + outputs 1-3"},
        {"4 +", 4, 0, false, true, {}, "input 4 \"VTR\" +"},
        {"cam 6", 2, 0, true, false, {6}, "input 2 \"Camera left\": outputs 6"},
        {"CAMERA R", 0, 0, false, false, {}, ""},  // a space ends the label: "R" is no output
        {"vt", 4, 0, false, false, {}, "input 4 \"VTR\""},
        {"5=2", 2, 5, false, false, {}, "output 5 = input 2 \"Camera left\""},
        {" 6 = vtr", 4, 6, false, false, {}, "output 6 = input 4 \"VTR\""},
        {"3 06", 3, 0, true, false, {6}, "input 3 \"camera right\": outputs 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const KeyRouteParse parse = ParseOf(c.typed);
        if (std::string(c.shown).empty()) {
            EXPECT_FALSE(parse.complete);
            EXPECT_FALSE(parse.error.empty());
            continue;
        }
        EXPECT_TRUE(parse.complete) << parse.error;
        EXPECT_EQ(parse.input, c.input);
        EXPECT_EQ(parse.destination, c.destination);
        EXPECT_EQ(parse.outputsTyped, c.outputsTyped);
        EXPECT_EQ(parse.add, c.add);
        EXPECT_EQ(parse.outputs, c.outputs);
        EXPECT_EQ(DescribeKeyRoute(parse, Targets()), c.shown);
    }
}

TEST(KeyRouteTest, PartialOrWrongSequencesAreNeverComplete) {
    struct Case {
        const char* typed;
        const char* error;
    };
    const Case cases[] = {
        {"9", "Input 9 is not on this device (inputs 1-8)."},
        {"0 1", "Input 0 is not on this device (inputs 1-8)."},
        {"3 7", "Output 7 is not on this device (outputs 1-6)."},
        {"3 2-99999", "Output 99999 is not on this device (outputs 1-6)."},
        {"3 5-", "The range \"5-\" needs its last output."},
        {"3 5-2", "The range \"5-2\" runs backwards."},
        {"3 vtr", "Outputs are numbers or ranges such as 5-8, not \"vtr\"."},
        {"3 1 +", "\"+\" goes right after the input."},
        {"3 + + 1", "\"+\" goes right after the input."},
        {"+ 1", "Type an input first."},
        {"studio", "No input label starts with \"studio\"."},
        {"5=", "Type the input after \"=\"."},
        {"5=9", "Input 9 is not on this device (inputs 1-8)."},
        {"7=1", "Output 7 is not on this device (outputs 1-6)."},
        {"1-2=3", "Before \"=\" goes one output number, as in 5=2."},
        {"5=2 3", "After \"=\" goes one input, as in 5=2."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const KeyRouteParse parse = ParseOf(c.typed);
        EXPECT_FALSE(parse.complete);
        EXPECT_EQ(parse.error, c.error);
        EXPECT_EQ(DescribeKeyRoute(parse, Targets()), c.error);
    }
}

TEST(KeyRouteTest, NoPortsKnownRefusesEveryNumber) {
    CKeyRoute route;
    route.Type("1");
    const KeyRouteParse parse = route.Parse({});
    EXPECT_FALSE(parse.complete);
    EXPECT_EQ(parse.error, "Input 1 is not on this device (no inputs known yet).");
}

TEST(KeyRouteTest, TypedTextIsBoundedInCharactersAndErasedByWholeCharacters) {
    const std::string camera = "\xE6\x91\x84";  // one character, three bytes
    CKeyRoute route;
    EXPECT_FALSE(route.Pending());
    for (std::size_t i = 0; i + 1 < CKeyRoute::kMaxTyped; ++i) {
        ASSERT_TRUE(route.Type(camera)) << "character " << i + 1;
    }
    EXPECT_FALSE(route.Type("\n"));
    EXPECT_FALSE(route.Cut()) << "a control character is refused, not cut";
    EXPECT_TRUE(route.Type("\xC3\xA9"));
    EXPECT_FALSE(route.Type("1"));
    EXPECT_EQ(route.Typed().size(), (CKeyRoute::kMaxTyped - 1) * camera.size() + 2);
    route.Erase();
    EXPECT_EQ(route.Typed().size(), (CKeyRoute::kMaxTyped - 1) * camera.size());
    route.Clear();
    EXPECT_FALSE(route.Pending());
    route.Erase();  // nothing to erase
    EXPECT_EQ(route.Parse(Targets()).error, "");
}

// Typed key by key until the bound refuses a digit: the number left short ("2" of "25") is
// never taken, nor is the route without it; erasing makes what is shown the route again.
TEST(KeyRouteTest, RouteCutShortByTheBoundIsNotTaken) {
    const KeyRouteTargets targets{72, 72, {}};
    std::string meant = "1";
    for (int output = 10; output <= 40; ++output) {
        meant += ", " + std::to_string(output);
    }
    CKeyRoute route;
    std::size_t typed = 0;
    while (typed < meant.size() && route.Type(meant.substr(typed, 1))) {
        ++typed;
    }
    ASSERT_EQ(typed, CKeyRoute::kMaxTyped);
    ASSERT_EQ(route.Typed().substr(route.Typed().size() - 3), ", 2") << "cut inside 25";
    ASSERT_TRUE(route.Cut());

    KeyRouteParse parse = route.Parse(targets);
    EXPECT_FALSE(parse.complete);
    EXPECT_EQ(parse.error,
              "Typed text is full (64 characters) and a key was not taken; "
              "Backspace or Escape.");
    EXPECT_FALSE(route.ParseFolded(route.Typed(), targets).complete);

    route.Erase();
    parse = route.Parse(targets);
    EXPECT_TRUE(parse.complete) << parse.error;
    EXPECT_EQ(parse.outputs.back(), 24);

    EXPECT_FALSE(route.Type("99"));
    route.Clear();
    EXPECT_FALSE(route.Cut());
}

}  // namespace
}  // namespace vantel
