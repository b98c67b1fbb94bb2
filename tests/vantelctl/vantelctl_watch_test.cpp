// vantelctl watch: a line per change of the live routing, a clean end on SIGINT and SIGTERM.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "childprocess.h"
#include "ctlrun.h"
#include "simprocess.h"
#include "support/tempdir.h"

namespace {

using namespace std::chrono_literals;
using vantel::CChildProcess;
using vantel::ParseObject;
using vantel::RunCtl;

class VantelCtlWatch : public ::testing::Test {
protected:
    std::vector<std::string> Env() const { return {"XDG_CONFIG_HOME=" + home.Path().string()}; }
    std::unique_ptr<CChildProcess> StartWatch(bool json) {
        std::vector<std::string> argv{VANTELCTL_EXE, "--host", sim.Host(), "watch"};
        if (json) {
            argv.push_back("--json");
        }
        return std::make_unique<CChildProcess>(argv, Env());
    }
    void Route(const std::vector<std::string>& args) {
        std::vector<std::string> full{"--host", sim.Host(), "route"};
        full.insert(full.end(), args.begin(), args.end());
        ASSERT_EQ(RunCtl(full, Env()).code, 0);
    }

    vantel::CSimProcess sim;
    vantel::test::TempDir home;
};

TEST_F(VantelCtlWatch, JsonLinePerChangeAndCleanEndOnSigint) {
    auto watch = StartWatch(true);
    const auto first = watch->ReadLine(10s);
    ASSERT_TRUE(first.has_value()) << watch->Err();
    const auto initial = ParseObject(*first + "\n");
    EXPECT_EQ(initial["version"], 1);
    EXPECT_EQ(initial["event"], "initial");
    EXPECT_EQ(vantel::SourcesOf(initial), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(initial["changes"].empty());

    Route({"4", "1"});
    const auto second = watch->ReadLine(10s);
    ASSERT_TRUE(second.has_value()) << watch->Err();
    const auto change = ParseObject(*second + "\n");
    EXPECT_EQ(change["event"], "change");
    EXPECT_EQ(vantel::SourcesOf(change), (std::vector<int>{4, 2, 3, 0, 5, 6, 7, 8}));
    EXPECT_EQ(change["changes"], (nlohmann::json{{{"output", 1}, {"from", 1}, {"to", 4}},
                                                 {{"output", 4}, {"from", 4}, {"to", nullptr}}}));

    watch->Signal(SIGINT);
    EXPECT_EQ(watch->Wait(10s), 0);
    EXPECT_EQ(watch->Err(), "");
}

TEST_F(VantelCtlWatch, TextLinePerChangeAndCleanEndOnSigterm) {
    auto watch = StartWatch(false);
    const auto first = watch->ReadLine(10s);
    ASSERT_TRUE(first.has_value()) << watch->Err();
    EXPECT_NE(first->find("live routing: 8 inputs, 8 outputs; out 01: 01, out 02: 02"),
              std::string::npos)
        << *first;

    Route({"2", "3"});
    const auto second = watch->ReadLine(10s);
    ASSERT_TRUE(second.has_value()) << watch->Err();
    EXPECT_NE(second->find(" out 02: 02 -> --, out 03: 03 -> 02"), std::string::npos) << *second;

    // The same routing again is no change: the next line is the one after it.
    Route({"2", "3"});
    Route({"2"});
    const auto third = watch->ReadLine(10s);
    ASSERT_TRUE(third.has_value()) << watch->Err();
    EXPECT_NE(third->find(" out 03: 02 -> --"), std::string::npos) << *third;

    watch->Signal(SIGTERM);
    EXPECT_EQ(watch->Wait(10s), 0);
}

// Outputs that appear or disappear with the output count are changes, with the missing side
// null (JSON) or "absent" (text).
TEST(VantelCtlWatchCounts, OutputsThatAppearOrDisappearAreListed) {
    vantel::test::TempDir home;
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + home.Path().string()};
    vantel::CSimProcess sim({"--outputs", "6"});
    CChildProcess json({VANTELCTL_EXE, "--host", sim.Host(), "--json", "watch"}, env);
    CChildProcess text({VANTELCTL_EXE, "--host", sim.Host(), "watch"}, env);
    ASSERT_TRUE(json.ReadLine(10s).has_value()) << json.Err();
    ASSERT_TRUE(text.ReadLine(10s).has_value()) << text.Err();
    using Json = nlohmann::json;
    const struct {
        std::vector<std::string> args;
        Json changes;
        std::string line;
    } steps[] = {
        {{"setup", "set", "--outputs", "8"},
         Json{{{"output", 7}, {"from", nullptr}, {"to", nullptr}},
              {{"output", 8}, {"from", nullptr}, {"to", nullptr}}},
         " counts: 8 inputs, 8 outputs; out 07: absent -> --, out 08: absent -> --"},
        {{"route", "3", "7", "8"},
         Json{{{"output", 3}, {"from", 3}, {"to", nullptr}},
              {{"output", 7}, {"from", nullptr}, {"to", 3}},
              {{"output", 8}, {"from", nullptr}, {"to", 3}}},
         " out 03: 03 -> --, out 07: -- -> 03, out 08: -- -> 03"},
        {{"setup", "set", "--outputs", "6"},
         Json{{{"output", 7}, {"from", 3}, {"to", nullptr}},
              {{"output", 8}, {"from", 3}, {"to", nullptr}}},
         " counts: 8 inputs, 6 outputs; out 07: 03 -> absent, out 08: 03 -> absent"},
    };
    for (const auto& step : steps) {
        std::vector<std::string> args{"--host", sim.Host()};
        args.insert(args.end(), step.args.begin(), step.args.end());
        ASSERT_EQ(RunCtl(args, env).code, 0) << ::testing::PrintToString(step.args);
        const auto change = json.ReadLine(10s);
        ASSERT_TRUE(change.has_value()) << json.Err();
        EXPECT_EQ(ParseObject(*change + "\n")["changes"], step.changes) << *change;
        const auto line = text.ReadLine(10s);
        ASSERT_TRUE(line.has_value()) << text.Err();
        EXPECT_NE(line->find(step.line), std::string::npos) << *line;
    }
    json.Signal(SIGINT);
    text.Signal(SIGINT);
    EXPECT_EQ(json.Wait(10s), 0);
    EXPECT_EQ(text.Wait(10s), 0);
}

TEST(VantelCtlWatchLoss, ADeviceThatStopsAnsweringIsReportedOnceAndWatchingGoesOn) {
    vantel::test::TempDir home;
    auto sim = std::make_unique<vantel::CSimProcess>();
    CChildProcess watch({VANTELCTL_EXE, "--host", sim->Host(), "--timeout", "100", "watch"},
                        {"XDG_CONFIG_HOME=" + home.Path().string()});
    ASSERT_TRUE(watch.ReadLine(10s).has_value()) << watch.Err();
    sim.reset();
    // Several polls fail while the device is gone; the loss is told once, and watch goes on.
    std::this_thread::sleep_for(1500ms);
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(10s), 0);
    const std::string& err = watch.Err();
    const auto first = err.find("still trying");
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("still trying", first + 1), std::string::npos) << err;
}

}  // namespace
