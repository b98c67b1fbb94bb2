// vantelctl's salvo apply and undo against a device that changes under them (the device model
// behind a scripted device, another station's command played into it first), and an undo
// killed half-way against a vantel-sim that answers slowly.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "childprocess.h"
#include "ctlrun.h"
#include "device/switcher.h"
#include "fakedevice.h"
#include "routing/journal.h"
#include "routing/salvostore.h"
#include "simprocess.h"
#include "support/tempdir.h"

namespace {

using namespace vantel;
using Sources = std::vector<int>;
const Sources kStart{1, 2, 3, 4, 5, 6, 7, 8};

// The device model (8 x 8, output j fed by input j) behind a scripted device. Each request
// is first shown to the hook, which may change the model as another client would, or return a
// status to refuse the request with.
class ModelDevice {
public:
    using Hook = std::function<std::optional<std::uint8_t>(const Frame&, CSwitcher&)>;

    void SetHook(Hook hook) {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }
    Sources Live() {
        std::lock_guard lock(m_mutex);
        const auto& live = m_device.SceneRouting(0);
        return Sources(live.begin(), live.end());
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_fake.Port()); }
    std::vector<std::uint8_t> Commands() const { return m_fake.Commands(); }

private:
    CFakeDevice::Reply Answer(const Frame& request) {
        std::lock_guard lock(m_mutex);
        if (m_hook) {
            if (const auto refusal = m_hook(request, m_device)) {
                return {*refusal, {}};
            }
        }
        const CSwitcher::Reply reply = m_device.Handle(request.cmd, request.payload);
        return {reply.status, reply.payload};
    }

    std::mutex m_mutex;
    CSwitcher m_device{8, 8};
    Hook m_hook;
    CFakeDevice m_fake{[this](const Frame& request) { return Answer(request); }};
};

// Another station's switch command on the 8 x 8 model: input (from 1) to exactly outputs.
void SwitchInModel(CSwitcher& device, int input, const std::vector<int>& outputs) {
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input - 1)};
    for (const int output : outputs) {
        payload.push_back(static_cast<std::uint8_t>(8 + output - 1));
    }
    device.Handle(12, payload);
}

class VantelCtlUndo : public ::testing::Test {
protected:
    CtlResult Ctl(const std::string& host, std::vector<std::string> args, int timeoutMs = 500) {
        args.insert(args.begin(),
                    {"--host", host, "--config", config, "--timeout", std::to_string(timeoutMs)});
        return RunCtl(args, {"XDG_CONFIG_HOME=" + home.Path().string()});
    }
    void Save(const Salvo& salvo) {
        ASSERT_TRUE(CSalvoStore(CSalvoStore::FolderBeside(config)).Save(salvo).ok);
    }

    test::TempDir home;
    std::string config = home.Write("setup.ini", "[setup]\n");
    CJournal journal{CJournal::FileBeside(config)};
};

TEST_F(VantelCtlUndo, OutputsAnotherStationLostInATakeHaveTheirOwnExitAndAreUndone) {
    ModelDevice device;
    Save({"B", {{1, 3}, {2, 3}}});
    // Station A gives input 3 outputs 5 and 6 just before B's command for input 3 arrives.
    bool played = false;
    device.SetHook([&played](const Frame& r, CSwitcher& model) -> std::optional<std::uint8_t> {
        if (r.cmd == 12 && r.payload.at(0) == 2 && !played) {
            played = true;
            SwitchInModel(model, 3, {5, 6});
        }
        return std::nullopt;
    });
    const CtlResult take = Ctl(device.Host(), {"salvo", "apply", "B"});
    EXPECT_EQ(take.code, 4) << take.err;
    EXPECT_TRUE(IsOneErrorLine(take.err)) << take.err;
    EXPECT_NE(take.err.find("out 05 (05 -> --), out 06 (06 -> --)"), std::string::npos) << take.err;
    EXPECT_NE(take.out.find("changed while it ran"), std::string::npos) << take.out;
    EXPECT_EQ(device.Live(), (Sources{3, 3, 3, 4, 0, 0, 7, 8}));

    const CtlResult undo = Ctl(device.Host(), {"undo"});
    EXPECT_EQ(undo.code, 0) << undo.err;
    EXPECT_EQ(device.Live(), kStart);
}

TEST_F(VantelCtlUndo, NewCountsDuringATakeAreTheirOwnFailure) {
    ModelDevice device;
    Save({"shrink", {{1, 3}, {8, 0}}});
    device.SetHook([](const Frame& r, CSwitcher& model) -> std::optional<std::uint8_t> {
        if (r.cmd == 12 && model.Outputs() == 8) {
            auto setup = model.Setup();
            setup[CSwitcher::kOutputCountOffset] = 6;
            model.Handle(6, setup);
        }
        return std::nullopt;
    });
    const CtlResult take = Ctl(device.Host(), {"salvo", "apply", "shrink"});
    EXPECT_EQ(take.code, 1) << take.err;
    EXPECT_NE(take.err.find("from 8 inputs and 8 outputs to 8 inputs and 6 outputs"),
              std::string::npos)
        << take.err;
}

TEST_F(VantelCtlUndo, UndoSkipsWhatChangedNothingAndSucceedsOnlyWhenItRestored) {
    ModelDevice device;
    // The device refuses every command for input 8.
    device.SetHook([](const Frame& r, CSwitcher&) -> std::optional<std::uint8_t> {
        if (r.cmd == 12 && r.payload.at(0) == 7) {
            return kStatusOutOfRange;
        }
        return std::nullopt;
    });
    ASSERT_EQ(Ctl(device.Host(), {"route", "3", "1"}).code, 0);
    ASSERT_EQ(Ctl(device.Host(), {"route", "8", "2"}).code, 1);
    const CtlResult undo = Ctl(device.Host(), {"undo"});
    EXPECT_EQ(undo.code, 0) << undo.err;
    EXPECT_EQ(undo.out.rfind("undone: route 3 of ", 0), 0u) << undo.out;
    EXPECT_EQ(device.Live(), kStart);

    // Taken back by someone else before the undo: nothing left to restore.
    ASSERT_EQ(Ctl(device.Host(), {"route", "3", "1"}).code, 0);
    device.SetHook([](const Frame&, CSwitcher& model) -> std::optional<std::uint8_t> {
        SwitchInModel(model, 3, {3});
        SwitchInModel(model, 1, {1});
        return std::nullopt;
    });
    const CtlResult nothing = Ctl(device.Host(), {"undo"});
    EXPECT_EQ(nothing.code, 1);
    EXPECT_NE(nothing.out.find("restored: nothing"), std::string::npos) << nothing.out;
    EXPECT_TRUE(IsOneErrorLine(nothing.err)) << nothing.err;
}

TEST_F(VantelCtlUndo, DamagedLastJournalLineIsNamedAndNothingIsSent) {
    ModelDevice device;
    home.Write("journal.jsonl",
               R"({"time":"2026-03-01T18:04:05.120Z","action":"salvo","name":"A",)"
               R"("outputs":[{"output":1,"before":1,"after":3}]})"
               "\n"
               R"({"time":"2026-03-01T18:05:00.000Z","action":"salvo","name":"B","outp)"
               "\n");
    const CtlResult undo = Ctl(device.Host(), {"undo"});
    EXPECT_EQ(undo.code, 3);
    EXPECT_TRUE(IsOneErrorLine(undo.err)) << undo.err;
    EXPECT_NE(undo.err.find("line 2 of "), std::string::npos) << undo.err;
    EXPECT_TRUE(device.Commands().empty());
}

// The undo of a salvo that moves every output, on a device answering in 200 ms, is killed
// (SIGKILL) after it began sending. The next undo finishes it from its journal record; later
// undos go whole between the two routings.
TEST_F(VantelCtlUndo, UndoKilledHalfWayIsFinishedByTheNext) {
    CSimProcess sim({"--latency", "200"});
    Sources shifted;
    Salvo salvo{"shift", {}};
    for (int output = 1; output <= 8; ++output) {
        salvo.routes[output] = output % 8 + 1;
        shifted.push_back(output % 8 + 1);
    }
    Save(salvo);
    const auto live = [&] {
        const CtlResult status = Ctl(sim.Host(), {"--json", "status"}, 2000);
        EXPECT_EQ(status.code, 0) << status.err;
        return SourcesOf(ParseObject(status.out));
    };
    ASSERT_EQ(Ctl(sim.Host(), {"salvo", "apply", "shift"}, 2000).code, 0);
    ASSERT_EQ(live(), shifted);

    {
        CChildProcess undo(
            {VANTELCTL_EXE, "--host", sim.Host(), "--config", config, "--timeout", "2000", "undo"},
            {"XDG_CONFIG_HOME=" + home.Path().string()});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (journal.Read().size() < 3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(journal.Read().size(), 3u) << "the undo journals itself before sending";
        // A few of its eight commands, 200 ms each, have gone out.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        undo.Signal(SIGKILL);
        EXPECT_EQ(undo.Wait(std::chrono::seconds(10)), std::optional<int>(128 + SIGKILL));
    }
    ASSERT_EQ(journal.Last()->state, JournalState::kSending);

    const CtlResult finish = Ctl(sim.Host(), {"undo"}, 2000);
    EXPECT_EQ(finish.code, 0) << finish.err;
    EXPECT_NE(finish.out.find("now finished"), std::string::npos) << finish.out;
    EXPECT_EQ(live(), kStart);
    for (const Sources& expected : {shifted, kStart}) {
        const CtlResult next = Ctl(sim.Host(), {"undo"}, 2000);
        EXPECT_EQ(next.code, 0) << next.err;
        EXPECT_EQ(live(), expected);
    }
}

}  // namespace
