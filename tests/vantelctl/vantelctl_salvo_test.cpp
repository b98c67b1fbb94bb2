// vantelctl's salvo commands, undo and log against vantel-sim processes (8 inputs, 8 outputs,
// output j fed by input j at start), with the salvo folder and the journal beside a settings
// file of the test's own.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ctlrun.h"
#include "device/switcher.h"
#include "fakedevice.h"
#include "routing/journal.h"
#include "routing/salvostore.h"
#include "simprocess.h"
#include "support/tempdir.h"

namespace {

using vantel::CSalvoStore;
using vantel::CtlResult;
using vantel::IsOneErrorLine;
using vantel::ParseObject;
using vantel::RunCtl;
using vantel::Salvo;
using vantel::SourcesOf;

using Sources = std::vector<int>;
const Sources kStart{1, 2, 3, 4, 5, 6, 7, 8};

// A vantelctl user: a settings file of its own, so its salvos and journal are its own.
struct Client {
    std::string config;
    std::string host;
    std::string home;

    CtlResult Ctl(std::vector<std::string> args, int timeoutMs = 500) const {
        args.insert(args.begin(),
                    {"--host", host, "--config", config, "--timeout", std::to_string(timeoutMs)});
        return RunCtl(args, {"XDG_CONFIG_HOME=" + home});
    }
    nlohmann::json Json(std::vector<std::string> args, int code = 0) const {
        args.insert(args.begin(), "--json");
        const CtlResult result = Ctl(args);
        EXPECT_EQ(result.code, code) << ::testing::PrintToString(args) << "\n" << result.err;
        return ParseObject(result.out);
    }
    // The live routing, asked until a reply comes through (a simulator may drop replies).
    Sources Live() const {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const CtlResult result = Ctl({"--json", "status"}, 100);
            if (result.code == 0) {
                return SourcesOf(ParseObject(result.out));
            }
        }
        ADD_FAILURE() << "the live routing could not be read";
        return {};
    }
    std::filesystem::path Folder() const { return std::filesystem::path(config).parent_path(); }
};

class VantelCtlSalvo : public ::testing::Test {
protected:
    // A client whose settings file is dir/setup.ini under the test's folder.
    Client ClientIn(const std::string& dir, const vantel::CSimProcess& device) {
        return {home.Write(dir + "/setup.ini", "[BUTTON]\n2503=Stage\n3005=Camera\n"),
                device.Host(), home.Path().string()};
    }
    void Save(const Client& client, const Salvo& salvo) {
        CSalvoStore store(CSalvoStore::FolderBeside(client.config));
        ASSERT_TRUE(store.Save(salvo).ok);
    }

    vantel::test::TempDir home;
    vantel::CSimProcess sim;
    Client me = ClientIn("me", sim);
    Client other = ClientIn("other", sim);
};

// Routes every output given: sources[j] for output j + 1, by one route per input.
void RouteAll(const Client& client, const Sources& sources) {
    for (int input = 1; input <= 8; ++input) {
        std::vector<std::string> args{"route", std::to_string(input)};
        for (std::size_t j = 0; j < sources.size(); ++j) {
            if (sources[j] == input) {
                args.push_back(std::to_string(j + 1));
            }
        }
        ASSERT_EQ(client.Ctl(args).code, 0);
    }
}

TEST_F(VantelCtlSalvo, CaptureThenApplyBringsBackTheCapturedOutputsOnly) {
    const Sources scrambled{8, 8, 0, 1, 1, 2, 0, 3};
    const struct {
        const char* name;
        std::vector<std::string> capture;  // after "salvo capture NAME"
        Sources after;                     // live routing after applying it to scrambled
    } cases[] = {
        {"every output", {}, kStart},
        {"outputs 2 and 4", {"--outputs", "2,4"}, {8, 2, 0, 4, 1, 2, 0, 3}},
        {"an output by its label", {"--outputs", "Stage,7"}, {8, 8, 0, 4, 1, 2, 7, 3}},
        {"a range and a label", {"--outputs", "1-2,Stage"}, {1, 2, 0, 4, 1, 2, 0, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RouteAll(other, kStart);
        std::vector<std::string> args{"salvo", "capture", c.name};
        args.insert(args.end(), c.capture.begin(), c.capture.end());
        ASSERT_EQ(me.Ctl(args).code, 0);
        RouteAll(other, scrambled);

        const auto applied = me.Json({"salvo", "apply", c.name});
        EXPECT_EQ(applied["ok"], true);
        EXPECT_EQ(applied["differing"], nlohmann::json::array());
        EXPECT_EQ(me.Live(), c.after);
    }
    const CtlResult list = me.Ctl({"salvo", "list"});
    EXPECT_EQ(list.out,
              "a range and a label\nan output by its label\nevery output\noutputs 2 and 4\n");
}

TEST_F(VantelCtlSalvo, ShowDiffGivesNowAndAfterOfTheCoveredOutputs) {
    Save(me, {"Evening", {{1, 3}, {2, 2}, {8, 0}}});
    const auto shown = me.Json({"salvo", "show", "Evening", "--diff"});
    EXPECT_EQ(shown["diff"], nlohmann::json::parse(R"([
        {"output":1,"now":1,"after":3,"changes":true},
        {"output":2,"now":2,"after":2,"changes":false},
        {"output":8,"now":8,"after":null,"changes":true}])"));
    EXPECT_EQ(shown["inputs_changing"], nlohmann::json::parse("[1,3,8]"));
    EXPECT_EQ(me.Ctl({"salvo", "show", "Evening", "--diff"}).out,
              "salvo \"Evening\" against the live routing: 2 of 3 outputs change, 3 switch "
              "commands\n\nOUT  NOW  AFTER\n01   01   03    *\n02   02   02\n08   08   --    *\n");
    EXPECT_EQ(me.Live(), kStart) << "showing changed the routing";
}

TEST_F(VantelCtlSalvo, ApplyOverAFaultyLineEndsEqualOrNamesExactlyTheDifferingOutputs) {
    const Salvo shifted{"shifted",
                        {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 1}}};
    const Sources wanted{2, 3, 4, 5, 6, 7, 8, 1};
    const std::vector<std::vector<std::string>> faults{
        {"--drop", "0.3", "--seed", "1"},     {"--drop", "0.3", "--seed", "7"},
        {"--drop", "0.6", "--seed", "3"},     {"--garble", "0.0005", "--seed", "2"},
        {"--garble", "0.001", "--seed", "5"}, {"--drop", "0.2", "--garble", "0.001", "--seed", "9"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(::testing::PrintToString(fault));
        vantel::CSimProcess faulty(fault);
        const Client client{me.config, faulty.Host(), me.home};
        Save(client, shifted);
        const CtlResult result = client.Ctl({"--json", "salvo", "apply", "shifted"}, 100);
        const Sources live = client.Live();
        std::set<int> differ;
        for (int j = 0; j < 8; ++j) {
            if (live.size() == 8 &&
                live[static_cast<std::size_t>(j)] != wanted[static_cast<std::size_t>(j)]) {
                differ.insert(j + 1);
            }
        }
        if (result.code == 0) {
            EXPECT_EQ(ParseObject(result.out)["ok"], true);
            EXPECT_EQ(live, wanted);
            continue;
        }
        ASSERT_EQ(result.code, 1) << result.err;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        const auto report = ParseObject(result.out);
        EXPECT_EQ(report["ok"], false);
        std::set<int> named;
        bool heldUnknown = false;
        for (const auto& mismatch : report["differing"]) {
            named.insert(mismatch["output"].get<int>());
            heldUnknown |= !mismatch.contains("held");
        }
        // Without a read-back no output is known to be right: then all of them are named.
        const std::set<int> all{1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(named, heldUnknown ? all : differ);
    }
}

TEST_F(VantelCtlSalvo, ApplyNamesTheOutputsADeviceRefusedWithWhatTheyHold) {
    const Salvo shifted{"shifted",
                        {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 1}}};
    const struct {
        int refusedInput;  // every switch for this input is refused
        nlohmann::json differing;
    } cases[] = {
        // Input 2's command takes output 2 away, input 3's would have given it input 3.
        {3, R"([{"output":2,"wanted":3,"held":null}])"_json},
        {1, R"([{"output":8,"wanted":1,"held":null}])"_json},
    };
    for (const auto& c : cases) {
        vantel::CSwitcher model(8, 8);
        std::atomic<int> refused{0};
        vantel::CFakeDevice device([&](const vantel::Frame& request) {
            if (request.cmd == 12 && !request.payload.empty() &&
                request.payload[0] == c.refusedInput - 1) {
                ++refused;
                return vantel::CFakeDevice::Reply{vantel::kStatusOutOfRange, {}};
            }
            const vantel::CSwitcher::Reply reply = model.Handle(request.cmd, request.payload);
            return vantel::CFakeDevice::Reply{reply.status, reply.payload};
        });
        const Client client{me.config, "127.0.0.1:" + std::to_string(device.Port()), me.home};
        Save(client, shifted);
        const auto report = client.Json({"salvo", "apply", "shifted"}, 1);
        EXPECT_EQ(report["ok"], false);
        EXPECT_EQ(report["failure"], "refused");
        EXPECT_EQ(report["differing"], c.differing);
        EXPECT_EQ(refused, 3) << "the refused command is sent in each of three rounds";
    }
}

TEST_F(VantelCtlSalvo, UndoLeavesOutputsAnotherClientChangedAndReportsThem) {
    Save(me, {"swap", {{1, 2}, {2, 1}, {3, 0}}});
    ASSERT_EQ(me.Ctl({"salvo", "apply", "swap"}).code, 0);
    ASSERT_EQ(other.Ctl({"route", "6", "6", "2"}).code, 0);  // output 2 changed since

    const auto undo = me.Json({"undo"}, 1);
    EXPECT_EQ(undo["ok"], false);
    EXPECT_EQ(undo["conflicts"], nlohmann::json::parse(R"([{"output":2,"left":1,"held":6}])"));
    EXPECT_EQ(
        undo["restored"],
        nlohmann::json::parse(R"([{"output":1,"from":2,"to":1},{"output":3,"from":null,"to":3}])"));
    EXPECT_EQ(me.Live(), (Sources{1, 6, 3, 4, 5, 6, 7, 8}));

    const CtlResult text = me.Ctl({"undo"});  // undoes the undo: outputs 1 and 3 again
    EXPECT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(me.Live(), (Sources{2, 6, 0, 4, 5, 6, 7, 8}));
}

TEST_F(VantelCtlSalvo, RouteAndSceneLoadAreUndone) {
    // Scene 1 holds a routing unlike the live one, set up by a client with a journal of its own.
    ASSERT_EQ(other.Ctl({"route", "1", "1", "2", "3"}).code, 0);
    ASSERT_EQ(other.Ctl({"scene", "save", "1"}).code, 0);
    ASSERT_EQ(other.Ctl({"undo"}).code, 0);
    const std::vector<std::vector<std::string>> actions{{"route", "3", "1", "2"},
                                                        {"route", "4"},
                                                        {"route", "Camera", "Stage", "8"},
                                                        {"scene", "load", "1"}};
    for (const auto& action : actions) {
        SCOPED_TRACE(::testing::PrintToString(action));
        const Sources before = me.Live();
        ASSERT_EQ(me.Ctl(action).code, 0);
        ASSERT_NE(me.Live(), before);
        const CtlResult undo = me.Ctl({"undo"});
        EXPECT_EQ(undo.code, 0) << undo.err;
        EXPECT_EQ(me.Live(), before);
    }
}

TEST_F(VantelCtlSalvo, CaptureFromASceneTakesTheSceneNotTheLiveRouting) {
    ASSERT_EQ(other.Ctl({"route", "1", "1", "2", "3"}).code, 0);
    ASSERT_EQ(other.Ctl({"scene", "save", "4"}).code, 0);
    ASSERT_EQ(other.Ctl({"undo"}).code, 0);
    ASSERT_EQ(
        me.Ctl({"salvo", "capture", "four", "--from-scene", "4", "--outputs", "2,3,Stage"}).code,
        0);
    EXPECT_EQ(me.Json({"salvo", "show", "four"})["routes"],
              nlohmann::json::parse(
                  R"([{"output":2,"input":1},{"output":3,"input":1},{"output":4,"input":4}])"));
    EXPECT_EQ(me.Live(), kStart);
}

TEST_F(VantelCtlSalvo, NothingIsSentWhenTheJournalCannotBeWritten) {
    Save(me, {"all to 1", {{1, 1}, {2, 1}}});
    std::filesystem::create_directory(vantel::CJournal::FileBeside(me.config));
    for (const auto& action : std::vector<std::vector<std::string>>{
             {"route", "5", "1"}, {"salvo", "apply", "all to 1"}, {"scene", "load", "2"}}) {
        const CtlResult result = me.Ctl(action);
        EXPECT_EQ(result.code, 3) << ::testing::PrintToString(action);
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        EXPECT_NE(result.err.find("nothing sent"), std::string::npos) << result.err;
    }
    EXPECT_EQ(me.Live(), kStart);
}

TEST_F(VantelCtlSalvo, LogSinceTakesIsoTimesWithTheirZoneOrUnixSeconds) {
    home.Write(
        "me/journal.jsonl",
        R"({"time":"2026-01-01T00:00:00.000Z","action":"route","name":"route 1","outputs":[{"output":1,"before":1,"after":2}]})"
        "\n"
        R"({"time":"2026-01-02T00:00:00.000Z","action":"salvo","name":"B","outputs":[]})"
        "\n{\"time\":\"2026-01-0\n"  // a line torn by a kill
        R"({"time":"2026-01-03T12:00:00.500Z","action":"undo","name":"B","outputs":[]})"
        "\n");
    const struct {
        std::string since;
        std::vector<std::string> names;
    } cases[] = {
        {"", {"route 1", "B", "B"}},
        {"2026-01-02T00:00:00Z", {"B", "B"}},
        {"2026-01-02T00:00:00.001Z", {"B"}},
        {"2026-01-02T01:00+01:00", {"B", "B"}},
        {"2026-01-01 19:00:00-05:00", {"B", "B"}},
        {"1767312000", {"B", "B"}},
        {"1767441600", {"B"}},
        {"1767441601", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--json", "log"};
        if (!c.since.empty()) {
            args.insert(args.end(), {"--since", c.since});
        }
        const CtlResult result = me.Ctl(args);
        EXPECT_EQ(result.code, 0) << c.since << ": " << result.err;
        std::vector<std::string> names;
        const auto log = ParseObject(result.out);
        for (const auto& entry : log["entries"]) {
            names.push_back(entry["name"]);
        }
        EXPECT_EQ(names, c.names) << c.since;
        EXPECT_NE(result.err.find("skipped 1 line"), std::string::npos) << result.err;
    }
    EXPECT_EQ(me.Ctl({"log", "--since", "2026-01-03T00:00Z"}).out,
              "2026-01-03T12:00:00.500Z  undo of B: none\n");
    for (const std::string bad : {"yesterday", "2026-01-02T00:00:00", "2026-13-01T00:00Z",
                                  "2026-01-02T00:00Zjunk", "-5", "99999999999999999999"}) {
        const CtlResult result = me.Ctl({"log", "--since", bad});
        EXPECT_EQ(result.code, 2) << bad;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
    }
}

TEST_F(VantelCtlSalvo, BrokenSalvoFilesAreReportedAndTheOthersListed) {
    Save(me, {"Morning", {{1, 2}}});
    Save(me, {"Night", {{2, 0}}});
    Save(me, {"two\nlines \x1b[2J", {{3, 3}}});  // shown, never obeyed by the terminal
    const auto folder = CSalvoStore::FolderBeside(me.config);
    vantel::test::WriteFile((folder / "torn.json").string(), R"({"format": "vantel-salvo", "vers)");
    vantel::test::WriteFile((folder / "foreign.json").string(), R"({"presets": []})");

    const CtlResult list = me.Ctl({"salvo", "list"});
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, "Morning\nNight\ntwo\\x0alines \\x1b[2J\n");
    EXPECT_NE(list.err.find("torn.json"), std::string::npos) << list.err;
    EXPECT_NE(list.err.find("foreign.json"), std::string::npos) << list.err;
    const auto json = me.Json({"salvo", "list"});
    EXPECT_EQ(json["salvos"][2]["name"], "two\nlines \x1b[2J");
    EXPECT_EQ(me.Json({"salvo", "apply", "Night"})["ok"], true);
}

// A salvo whose file was edited into something unreadable is named with its file and why, by
// every command that names it; a name no file gives points at the files that could not be read.
TEST_F(VantelCtlSalvo, CommandsOnABrokenSalvoNameItsFileAndWhy) {
    const auto folder = CSalvoStore::FolderBeside(me.config);
    home.Write("me/salvos/evening.json",
               R"({"format": "vantel-salvo", "version": 1, "name": "Evening",
 "routes": [{"output": 1, "input": 2, "input": 3}]})");
    home.Write("me/salvos/torn.json", R"({"format": "vantel-salvo", "vers)");
    const struct {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> says;
    } cases[] = {
        {{"salvo", "apply", "Evening"}, 3, {"evening.json", "\"input\" is given twice"}},
        {{"salvo", "show", "Evening"}, 3, {"evening.json", "\"input\" is given twice"}},
        {{"salvo", "rename", "Evening", "Late"}, 3, {"evening.json", "given twice"}},
        {{"salvo", "delete", "Evening"}, 3, {"evening.json", "given twice"}},
        {{"salvo", "apply", "Morning"},
         2,
         {"no salvo named \"Morning\"", "torn.json: not valid JSON"}},
    };
    for (const auto& c : cases) {
        const CtlResult result = me.Ctl(c.args);
        EXPECT_EQ(result.code, c.code) << ::testing::PrintToString(c.args) << "\n" << result.err;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        for (const std::string& part : c.says) {
            EXPECT_NE(result.err.find(part), std::string::npos) << part << "\n" << result.err;
        }
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "evening.json"));
    EXPECT_EQ(me.Live(), kStart);
}

TEST_F(VantelCtlSalvo, StoreCommandsRefuseWhatWouldLoseOrMisnameASalvo) {
    Save(me, {"A", {{1, 2}}});
    Save(me, {"B", {{1, 3}}});
    Save(me, {"wide", {{9, 1}}});
    const struct {
        std::vector<std::string> args;
        int code;
        std::string says;
    } cases[] = {
        {{"salvo", "apply", "C"}, 2, "no salvo named \"C\""},
        {{"salvo", "show", "C"}, 2, "no salvo named \"C\""},
        {{"salvo", "delete", "C"}, 2, "no salvo named \"C\""},
        {{"salvo", "rename", "A", "B"}, 2, "\"B\" exists already"},
        {{"salvo", "rename", "A", ""}, 2, "salvo name"},
        {{"salvo", "capture", "A"}, 2, "--replace"},
        {{"salvo", "capture", "D", "--outputs", "9"}, 2, "output 9"},
        {{"salvo", "capture", "D", "--outputs", "Nowhere"}, 2, "'Nowhere'"},
        {{"salvo", "capture", "D", "--outputs", "4-2"}, 2, "runs backwards"},
        {{"salvo", "capture", "D", "--outputs", "1-"}, 2, "needs its last output"},
        {{"salvo", "capture", "D", "--outputs", "70-99999"}, 2, "beyond outputs 1-72"},
        {{"salvo", "apply", "wide"}, 2, "out 09"},
    };
    for (const auto& c : cases) {
        const CtlResult result = me.Ctl(c.args);
        EXPECT_EQ(result.code, c.code) << ::testing::PrintToString(c.args) << "\n" << result.err;
        EXPECT_TRUE(IsOneErrorLine(result.err)) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(me.Live(), kStart);
    EXPECT_EQ(me.Ctl({"salvo", "list"}).out, "A\nB\nwide\n");
    EXPECT_EQ(me.Ctl({"salvo", "capture", "A", "--replace"}).code, 0);
    EXPECT_EQ(me.Json({"salvo", "show", "A"})["routes"].size(), 8u);
}

}  // namespace
