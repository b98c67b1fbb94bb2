#pragma once
// Verified apply: sends the plan of a salvo, reads the routing back and compares every covered
// output; what did not take is planned again from the read-back routing and sent again, at
// most twice. Success means the device was read back holding the salvo, nothing less.
//
// A switch command sets the whole set of outputs of its input, so a command planned from a
// routing another client changed since can move outputs the salvo does not cover. Three
// guards keep a take true about them:
// - a frame is planned from a routing read at most kFreshFor before it is sent (the routing is
//   read again first when the last read is older);
// - every read during the take must show the counts of the first one; when they change, port
//   numbers shift, so the take stops and says so (countsChanged);
// - after the last read-back, every output outside the salvo that a command of the take may
//   have moved (fed, before or after, by an input a command went to, or left with no input)
//   is compared with the routing the take started from; those that differ are listed in
//   changedWhileTaking, and the take is not clean.

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "link/stateimage.h"
#include "routing/linkfailure.h"
#include "routing/routinglink.h"
#include "routing/salvo.h"
#include "routing/salvodiff.h"

namespace vantel {

struct OutputMismatch {
    int output = 0;           // from 1
    int wanted = 0;           // input from 1, 0 = none
    std::optional<int> held;  // what the device was read back holding; none when unknown

    bool operator==(const OutputMismatch&) const = default;
};

// The device's counts when the take started and as a later read showed them.
struct CountChange {
    int inputsBefore = 0;
    int outputsBefore = 0;
    int inputsNow = 0;
    int outputsNow = 0;

    bool operator==(const CountChange&) const = default;
};

struct ApplyResult {
    bool ok = false;          // read back: every covered output as the salvo wants it
    bool outOfReach = false;  // the salvo names outputs or inputs the device lacks; nothing sent
    // The last link failure seen; kept when a later resend made good, as a sign of a bad line.
    LinkFailure failure = LinkFailure::kNone;
    std::vector<OutputMismatch> differing;  // every covered output not known to be as wanted
    int framesSent = 0;                     // switch commands the device confirmed
    int rounds = 0;                         // rounds of sending (the first, then resends)
    std::optional<CStateImage> readBack;    // the last routing read from the device
    // The counts changed during the take; it stopped there (ok is false).
    std::optional<CountChange> countsChanged;
    // Outputs outside the salvo that changed while the take ran: now = the input at the read
    // the take started from, after = the input read back.
    std::vector<OutputChange> changedWhileTaking;

    // The salvo holds and nothing outside it moved meanwhile.
    bool Clean() const { return ok && changedWhileTaking.empty(); }
};

// Frames confirmed so far and frames planned so far (resends add to the total).
using ApplyProgress = std::function<void(int sent, int total)>;

// The first round and at most two resends.
inline constexpr int kApplyRounds = 3;
// A round stops after this many failed commands in a row (a dead line then costs a few
// time-outs, not one per frame); the read-back decides what is sent again.
inline constexpr int kFailuresInARow = 3;
// A frame is planned from a routing read at most this long before it goes out; an older
// read is made again first. A fast device sends a whole take within it on one read.
inline constexpr std::chrono::milliseconds kFreshFor{100};

// Reads the live routing first, then applies.
ApplyResult ApplySalvo(IRoutingLink& link, const Salvo& salvo, const ApplyProgress& progress = {});
// Applies starting from a live routing (start), read when readAt says (it was asked for then).
ApplyResult ApplySalvoFrom(
    IRoutingLink& link, const Salvo& salvo, const CStateImage& start,
    const ApplyProgress& progress = {},
    std::chrono::steady_clock::time_point readAt = std::chrono::steady_clock::now());

// Covered outputs that the image does not show as the salvo wants them; with no image, every
// covered output, held unknown; an output beyond the image's count is held unknown too.
std::vector<OutputMismatch> Mismatches(const Salvo& salvo, const std::optional<CStateImage>& image);

}  // namespace vantel
