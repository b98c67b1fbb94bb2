#pragma once
// Verified apply: sends the plan of a salvo, reads the routing back and compares every covered
// output; what did not take is planned again from the read-back routing and sent again, at
// most twice. Success means the device was read back holding the salvo, nothing less.

#include <functional>
#include <optional>
#include <vector>

#include "link/stateimage.h"
#include "routing/linkfailure.h"
#include "routing/routinglink.h"
#include "routing/salvo.h"

namespace vantel {

struct OutputMismatch {
    int output = 0;           // from 1
    int wanted = 0;           // input from 1, 0 = none
    std::optional<int> held;  // what the device was read back holding; none when unknown

    bool operator==(const OutputMismatch&) const = default;
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
};

// Frames confirmed so far and frames planned so far (resends add to the total).
using ApplyProgress = std::function<void(int sent, int total)>;

// The first round and at most two resends.
inline constexpr int kApplyRounds = 3;
// A round stops after this many failed commands in a row (a dead line then costs a few
// time-outs, not one per frame); the read-back decides what is sent again.
inline constexpr int kFailuresInARow = 3;

// Reads the live routing first, then applies.
ApplyResult ApplySalvo(IRoutingLink& link, const Salvo& salvo, const ApplyProgress& progress = {});
// Applies starting from a live routing just read (start).
ApplyResult ApplySalvoFrom(IRoutingLink& link, const Salvo& salvo, const CStateImage& start,
                           const ApplyProgress& progress = {});

// Covered outputs that the image does not show as the salvo wants them; with no image, every
// covered output, held unknown.
std::vector<OutputMismatch> Mismatches(const Salvo& salvo, const std::optional<CStateImage>& image);

}  // namespace vantel
