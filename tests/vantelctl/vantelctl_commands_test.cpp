// vantelctl's commands against a running vantel-sim (8 inputs, 8 outputs, output j fed by
// input j at start).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctlrun.h"
#include "simprocess.h"
#include "support/tempdir.h"

namespace {

using vantel::CtlResult;
using vantel::IsOneErrorLine;
using vantel::ParseObject;
using vantel::RunCtl;
using vantel::SourcesOf;

class VantelCtl : public ::testing::Test {
protected:
    // Runs vantelctl against the simulator; the user's own settings are kept out of reach.
    CtlResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--host", sim.Host()});
        return RunCtl(args, Env());
    }
    std::vector<std::string> Env() const { return {"XDG_CONFIG_HOME=" + home.Path().string()}; }
    nlohmann::json Json(std::vector<std::string> args) {
        args.insert(args.begin(), "--json");
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 0) << result.err;
        return ParseObject(result.out);
    }
    std::vector<int> LiveSources() { return SourcesOf(Json({"status"})); }

    vantel::CSimProcess sim;
    vantel::test::TempDir home;
};

TEST_F(VantelCtl, StatusPrintsCountsSourcesAndTheRoutingList) {
    ASSERT_EQ(Ctl({"route", "3", "1", "5"}).code, 0);

    const CtlResult text = Ctl({"status"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out,
              "live routing: 8 inputs, 8 outputs\n\n"
              "OUT  IN\n01   03\n02   02\n03   --\n04   04\n05   03\n06   06\n07   07\n08   08\n\n"
              "IN   OUT\n00   03 \n01   \n02   02 \n03   01 05 \n04   04 \n05   \n06   06 \n"
              "07   07 \n08   08 \n");

    const auto json = Json({"status"});
    EXPECT_EQ(json["version"], 1);
    EXPECT_EQ(json["scene"], 0);
    EXPECT_EQ(json["inputs"], 8);
    EXPECT_EQ(json["outputs"], 8);
    EXPECT_EQ(json["ports"], 16);
    EXPECT_EQ(SourcesOf(json), (std::vector<int>{3, 2, 0, 4, 3, 6, 7, 8}));
    ASSERT_EQ(json["list"].size(), 9u);
    EXPECT_EQ(json["list"][0], (nlohmann::json{{"in", "00"}, {"out", "03 "}}));
    EXPECT_EQ(json["list"][3], (nlohmann::json{{"in", "03"}, {"out", "01 05 "}}));
}

TEST_F(VantelCtl, RouteMakesTheListedOutputsExactlyThoseOfTheInput) {
    const struct {
        std::vector<std::string> args;
        std::vector<int> outputs;  // as reported back
        std::vector<int> sources;  // live routing afterwards
    } steps[] = {
        // Output 2, fed by input 2 before, is not listed: it loses its input.
        {{"2", "7", "3", "7"}, {3, 7}, {1, 0, 2, 4, 5, 6, 2, 8}},
        {{"2"}, {}, {1, 0, 0, 4, 5, 6, 0, 8}},
        {{"8", "8", "1"}, {1, 8}, {8, 0, 0, 4, 5, 6, 0, 8}},
        {{"1", "1", "2", "3", "4", "5", "6", "7", "8"},
         {1, 2, 3, 4, 5, 6, 7, 8},
         {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& step : steps) {
        std::vector<std::string> args{"route"};
        args.insert(args.end(), step.args.begin(), step.args.end());
        const auto reply = Json(args);
        EXPECT_EQ(reply["input"], std::stoi(step.args[0]));
        EXPECT_EQ(reply["outputs"].get<std::vector<int>>(), step.outputs);
        EXPECT_EQ(LiveSources(), step.sources) << "route " << ::testing::PrintToString(step.args);
    }
    const CtlResult text = Ctl({"route", "4", "2"});
    EXPECT_EQ(text.out, "input 4 -> outputs 2\n");
    EXPECT_EQ(Ctl({"route", "4"}).out, "input 4 -> no outputs\n");
}

TEST_F(VantelCtl, RouteRefusesNamesOutOfRangeAndSendsNothing) {
    const auto before = LiveSources();
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"0", "1"}, "inputs 1 to 8"},
        {{"9"}, "inputs 1 to 8"},
        {{"99999999999"}, "inputs 1 to 8"},
        {{"1", "2", "9"}, "outputs 1 to 8"},
        {{"1", "0"}, "outputs 1 to 8"},
        {{"Camera"}, "no input is labelled 'Camera'"},
        {{"1", "Screen"}, "no output is labelled 'Screen'"},
        {{""}, "empty input name"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"route"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(c.args);
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(LiveSources(), before);
}

TEST_F(VantelCtl, ButtonLabelsStandForNumbers) {
    const std::string config = home.Write("labels/setup.ini",
                                          "[BUTTON]\n"
                                          "3002=Camera 2\n"
                                          "2500=Monitor\n"
                                          "2504=Projector\n"
                                          "3005=Desk\n"
                                          "3006=Desk\n"
                                          "2501=5\n");
    const auto routed = Json({"--config", config, "route", "Camera 2", "Projector", "Monitor"});
    EXPECT_EQ(routed["input"], 3);
    EXPECT_EQ(routed["outputs"], (nlohmann::json{1, 5}));
    EXPECT_EQ(LiveSources(), (std::vector<int>{3, 2, 0, 4, 3, 6, 7, 8}));

    // A number means itself even where a label reads the same: "5" is output 5, not 2.
    ASSERT_EQ(Ctl({"--config", config, "route", "1", "5"}).code, 0);
    EXPECT_EQ(LiveSources(), (std::vector<int>{3, 2, 0, 4, 1, 6, 7, 8}));

    // Labels match exactly, and one label on two buttons names neither.
    for (const char* name : {"camera 2", "Camera", "Desk"}) {
        const CtlResult result = Ctl({"--config", config, "route", name});
        EXPECT_EQ(result.code, 2) << name;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    }
    EXPECT_NE(Ctl({"--config", config, "route", "Desk"}).err.find("inputs 6 and 7"),
              std::string::npos);
}

TEST_F(VantelCtl, ConnectionComesFromTheSettingsFileWithoutHostOrSerial) {
    const std::string settings =
        "[setup]\nmode=1\nip=127.0.0.1\nport=" + std::to_string(sim.Port()) + "\n";
    const std::string config = home.Write("given/setup.ini", settings);
    const CtlResult given = RunCtl({"--json", "--config", config, "status"}, Env());
    EXPECT_EQ(given.code, 0) << given.err;
    EXPECT_EQ(SourcesOf(ParseObject(given.out)).size(), 8u);
}

TEST_F(VantelCtl, ScenesAreSavedShownAndLoaded) {
    ASSERT_EQ(Ctl({"route", "5", "1", "2"}).code, 0);
    const auto saved = LiveSources();
    const auto reply = Json({"scene", "save", "4"});
    EXPECT_EQ(reply, (nlohmann::json{{"version", 1}, {"action", "saved"}, {"scene", 4}}));

    ASSERT_EQ(Ctl({"route", "5"}).code, 0);
    ASSERT_NE(LiveSources(), saved);
    const auto shown = Json({"scene", "show", "4"});
    EXPECT_EQ(shown["scene"], 4);
    EXPECT_EQ(SourcesOf(shown), saved);
    EXPECT_EQ(shown["list"][5]["out"], "01 02 ");

    EXPECT_EQ(Json({"scene", "load", "4"})["action"], "loaded");
    EXPECT_EQ(LiveSources(), saved);
    EXPECT_EQ(Json({"scene", "show", "0"}), Json({"status"}));
    EXPECT_EQ(Ctl({"scene", "save", "11"}).out, "scene 11 saved\n");
}

TEST_F(VantelCtl, SceneNumbersOutsideTheirRangeAreUsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"scene", "show", "12"},
                                                                  {"scene", "show", "-1"},
                                                                  {"scene", "load", "0"},
                                                                  {"scene", "save", "0"},
                                                                  {"scene", "save", "12"},
                                                                  {"scene", "load", "x"},
                                                                  {"scene", "show"}}) {
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    }
}

TEST_F(VantelCtl, SetupSetChangesOnlyTheNamedFields) {
    const auto before = Json({"setup", "show"});
    const auto written = Json({"setup", "set", "--inputs", " 12", "--outputs", "12abc", "--ip",
                               "127.0.0.7", "--buzzer", "off"});
    EXPECT_EQ(written["inputs"], 12);
    EXPECT_EQ(written["outputs"], 12);
    EXPECT_EQ(written["ip"], "127.0.0.7");
    EXPECT_EQ(written["buzzer"], "off");
    EXPECT_EQ(written["mask"], before["mask"]);
    EXPECT_EQ(written["gateway"], before["gateway"]);
    EXPECT_EQ(Json({"setup", "show"}), written);
    EXPECT_EQ(Json({"status"})["inputs"], 12);

    const CtlResult text = Ctl({"setup", "set", "--outputs", "48", "--mask", "255.255.0.0",
                                "--gateway", "127.0.0.1", "--buzzer", "on"});
    EXPECT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out,
              "inputs: 12\noutputs: 48\nip: 127.0.0.7\nmask: 255.255.0.0\ngateway: 127.0.0.1\n"
              "buzzer: on\n");
}

TEST_F(VantelCtl, SetupSetRefusesBadFieldsAndWritesNothing) {
    const auto before = Json({"setup", "show"});
    for (const auto& fields :
         std::vector<std::vector<std::string>>{{"--inputs", "0"},
                                               {"--inputs", "49"},
                                               {"--inputs", "abc"},
                                               {"--inputs", ""},
                                               {"--outputs", "-3"},
                                               {"--outputs", "4294967297"},
                                               {"--buzzer", "On"},
                                               {"--ip", "127.0.0"},
                                               {"--mask", "255.255.255.256"},
                                               {"--gateway", "gateway"},
                                               {"--inputs", "8", "--buzzer", "yes"},
                                               {}}) {
        std::vector<std::string> args{"setup", "set"};
        args.insert(args.end(), fields.begin(), fields.end());
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(fields);
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    }
    EXPECT_EQ(Json({"setup", "show"}), before);
}

}  // namespace
