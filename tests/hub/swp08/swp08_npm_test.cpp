// A third-party SW-P-08 client (the npm package probel-swp-08) runs its scenario against
// vantel-hub with vantel-sim behind it: names, tally dump, a route, a route made by vantelctl,
// a protect that refuses vantelctl and a client of another address, and the device killed and
// started again, so the face and our own codec cannot share a misunderstanding unnoticed.
#include <gtest/gtest.h>

#include <thread>

#include "hubrig.h"

namespace vantel {
namespace {

using ms = std::chrono::milliseconds;

TEST(Swp08Npm, AThirdPartyClientRoutesProtectsAndSeesTheDeviceReturn) {
    HubRig rig({"--swp08-listen", "127.0.0.1:0"});
    CChildProcess check({VANTEL_NODE, VANTEL_SWP08_CHECK, "--port", std::to_string(rig.Swp08Port()),
                         "--ctl", VANTELCTL_EXE, "--station", rig.Station(), "--config",
                         rig.Settings()});
    // The scenario says when the device is to go and come back.
    while (const auto line = check.ReadLine(ms(60000))) {
        if (*line == "check: restart the device") {
            const int port = rig.SimPort();
            rig.KillSim();
            std::this_thread::sleep_for(ms(300));
            rig.StartSim(port);
        }
    }
    EXPECT_EQ(check.Wait(ms(30000)), 0) << check.Out() << check.Err();
}

}  // namespace
}  // namespace vantel
