// A take while the routing changes under it (another station's switch command, a front-panel
// change, new counts): the result names every output outside the salvo that moved, never calls
// an output the device no longer has held, and undo puts the moved outputs back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "faultydevice.h"
#include "routing/routingaction.h"
#include "routing/salvoapply.h"
#include "support/tempdir.h"

namespace vantel {
namespace {

using test::Fault;
using test::FaultyDevice;

const std::vector<int> kIdentity = {1, 2, 3, 4, 5, 6, 7, 8};

// Another client's switch command on an 8 x 8 device: input (from 1) to exactly outputs.
void OtherStationSwitch(FaultyDevice& d, int input, const std::vector<int>& outputs) {
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input - 1)};
    for (const int output : outputs) {
        payload.push_back(static_cast<std::uint8_t>(d.device.Inputs() + output - 1));
    }
    ASSERT_EQ(d.device.Handle(12, payload).status, 0);
}

TEST(TakeUnderChange, NewCountsStopTheTakeAndAGoneOutputIsNeverHeld) {
    FaultyDevice d;
    bool resized = false;
    d.script = [&](const Frame& r) {
        if (r.cmd == 12 && !resized) {
            resized = true;  // the device shrinks to 6 outputs as the first frame arrives
            auto setup = d.device.Setup();
            setup[CSwitcher::kOutputCountOffset] = 6;
            EXPECT_EQ(d.device.Handle(6, setup).status, 0);
        }
        return Fault::kNone;
    };
    const ApplyResult result = ApplySalvo(d.link, Salvo{"s", {{1, 3}, {8, 0}}});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.countsChanged, (CountChange{8, 8, 8, 6}));
    EXPECT_EQ(result.rounds, 1) << "nothing is resent on shifted port numbers";
    EXPECT_EQ(result.differing, (std::vector<OutputMismatch>{{8, 0, std::nullopt}}));
}

// A station's command for the same input lands between the take's read and its frame: the
// take's command for input 3 unroutes the outputs the other station just gave input 3.
TEST(TakeUnderChange, OutputsAnotherStationLostAreReportedAndUndoPutsThemBack) {
    test::TempDir dir;
    CJournal journal(CJournal::FileBeside(dir.Path() / "setup.ini"));
    FaultyDevice d;
    bool otherSent = false;
    d.script = [&](const Frame& r) {
        if (r.cmd == 12 && r.payload[0] == 2 && !otherSent) {
            otherSent = true;
            OtherStationSwitch(d, 3, {5, 6});
        }
        return Fault::kNone;
    };
    const ActionResult take = TakeSalvo(d.link, journal, Salvo{"B", {{1, 3}, {2, 3}}}, "salvo");
    EXPECT_TRUE(take.apply.ok);
    EXPECT_FALSE(take.apply.Clean());
    EXPECT_EQ(take.apply.changedWhileTaking, (std::vector<OutputChange>{{5, 5, 0}, {6, 6, 0}}));
    EXPECT_EQ(d.Live(), (std::vector<int>{3, 3, 3, 4, 0, 0, 7, 8}));

    d.script = nullptr;
    const UndoResult undo = UndoLast(d.link, journal);
    EXPECT_TRUE(undo.ok);
    EXPECT_EQ(d.Live(), kIdentity);
}

// The front panel gives output 7 to input 4 between the take's frames. When that lands just
// before the take's frame for input 4, planned from the first read, the frame unroutes output
// 7. When it lands after the first frame and the read is older than kFreshFor by the next
// frame, the routing is read again and output 7 keeps input 4. Either way output 7 changed
// while the take ran, and the result says so.
TEST(TakeUnderChange, FrontPanelChangeBetweenFramesIsReported) {
    const Salvo salvo{"s", {{1, 3}, {2, 4}}};
    {
        SCOPED_TRACE("just before the frame for input 4");
        FaultyDevice d;
        d.script = [&](const Frame& r) {
            if (r.cmd == 12 && r.payload[0] == 3 && d.Held(7) == 7) {
                OtherStationSwitch(d, 4, {4, 7});
            }
            return Fault::kNone;
        };
        const ApplyResult result = ApplySalvo(d.link, salvo);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(d.Held(7), 0);
        EXPECT_EQ(result.changedWhileTaking, (std::vector<OutputChange>{{7, 7, 0}}));
    }
    {
        SCOPED_TRACE("after the first frame, the read then stale");
        FaultyDevice d;
        const ApplyResult result = ApplySalvo(d.link, salvo, [&](int sent, int) {
            if (sent == 1 && d.Held(7) == 7) {
                OtherStationSwitch(d, 4, {4, 7});
                std::this_thread::sleep_for(kFreshFor + std::chrono::milliseconds(50));
            }
        });
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(d.Held(7), 4);
        EXPECT_EQ(result.changedWhileTaking, (std::vector<OutputChange>{{7, 7, 4}}));
    }
}

}  // namespace
}  // namespace vantel
