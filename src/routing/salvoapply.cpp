#include "routing/salvoapply.h"

#include <set>

#include "routing/routingimage.h"
#include "routing/salvoplan.h"

namespace vantel {

namespace {

using Clock = std::chrono::steady_clock;

// One take under way: what it started from, the freshest routing it has, and what it sent.
struct Take {
    IRoutingLink& link;
    const Salvo& salvo;
    const ApplyProgress& progress;
    ApplyResult& result;
    const CStateImage& start;
    CStateImage current;         // the last routing read
    Clock::time_point lastRead;  // when that read was asked for
    std::set<int> commanded;     // inputs a switch command went to (confirmed or not)
    int total = 0;
    bool stopped = false;  // the link is down or the counts changed: nothing more is sent
};

bool SameCounts(const CStateImage& a, const CStateImage& b) {
    return a.InputCount() == b.InputCount() && a.OutputCount() == b.OutputCount();
}

// Reads the live routing into current and readBack. False when the read failed or showed
// other counts than the take started with (then the take stops).
bool ReadAgain(Take& take) {
    take.lastRead = Clock::now();
    CStateImage image;
    const LinkFailure failure = ReadRouting(take.link, 0, image);
    if (failure != LinkFailure::kNone) {
        take.result.failure = failure;
        take.result.readBack.reset();
        return false;
    }
    take.result.readBack = image;
    if (!SameCounts(image, take.start)) {
        take.result.countsChanged = CountChange{take.start.InputCount(), take.start.OutputCount(),
                                                image.InputCount(), image.OutputCount()};
        take.stopped = true;
        return false;
    }
    take.current = image;
    return true;
}

// The frames of the plan from the freshest routing for inputs not yet sent this round.
std::vector<SwitchFrame> Remaining(const Take& take, const std::set<int>& sentThisRound) {
    std::vector<SwitchFrame> plan;
    for (SwitchFrame& frame : PlanSalvo(take.salvo, take.current)) {
        if (sentThisRound.count(frame.input) == 0) {
            plan.push_back(std::move(frame));
        }
    }
    return plan;
}

// Sends one frame; false when the round must stop (link down, too many failures in a row).
bool SendFrame(Take& take, const SwitchFrame& frame, int& failuresInARow) {
    take.commanded.insert(frame.input);
    const LinkFailure failure =
        FailureOf(take.link.Switch(SwitchPayload(frame, take.current.InputCount())));
    if (failure == LinkFailure::kNone) {
        failuresInARow = 0;
        ++take.result.framesSent;
    } else {
        take.result.failure = failure;
        ++failuresInARow;
    }
    if (take.progress) {
        take.progress(take.result.framesSent, take.total);
    }
    take.stopped = failure == LinkFailure::kLinkDown;
    return !take.stopped && failuresInARow < kFailuresInARow;
}

// Sends one round's frames, each planned from a routing read at most kFreshFor before it.
void SendRound(Take& take, std::vector<SwitchFrame> plan) {
    take.total += static_cast<int>(plan.size());
    ++take.result.rounds;
    std::set<int> sentThisRound;
    int failuresInARow = 0;
    while (!plan.empty()) {
        if (Clock::now() - take.lastRead > kFreshFor) {
            const std::size_t planned = plan.size();
            if (!ReadAgain(take)) {
                return;
            }
            plan = Remaining(take, sentThisRound);
            take.total += static_cast<int>(plan.size()) - static_cast<int>(planned);
            if (plan.empty()) {
                return;
            }
        }
        const SwitchFrame frame = plan.front();
        plan.erase(plan.begin());
        sentThisRound.insert(frame.input);
        if (!SendFrame(take, frame, failuresInARow)) {
            return;
        }
    }
}

// Outputs outside the salvo that a command of the take may have moved and that differ from the
// routing the take started from. A command sets its input's whole set, so it may move an
// output fed by that input before or after, and it unroutes what its input fed and it did not
// list, so an output left with no input may be its doing too.
std::vector<OutputChange> ChangedOutside(const Take& take, const CStateImage& end) {
    std::vector<OutputChange> changed;
    for (int output = 1; output <= end.OutputCount(); ++output) {
        const int before = HeldInput(take.start, output);
        const int now = HeldInput(end, output);
        const bool touched =
            take.commanded.count(before) > 0 || take.commanded.count(now) > 0 || now == 0;
        if (before != now && touched && take.salvo.routes.count(output) == 0) {
            changed.push_back({output, before, now});
        }
    }
    return changed;
}

void Finish(const Salvo& salvo, ApplyResult& result) {
    result.differing = Mismatches(salvo, result.readBack);
    result.ok = result.readBack.has_value() && result.differing.empty() && !result.countsChanged;
}

void Run(Take& take) {
    for (int round = 0; round < kApplyRounds && !take.stopped; ++round) {
        const std::vector<SwitchFrame> plan = PlanSalvo(take.salvo, take.current);
        if (plan.empty()) {
            break;
        }
        SendRound(take, plan);
        if (take.stopped && take.result.countsChanged) {
            break;
        }
        if (!ReadAgain(take)) {
            break;
        }
    }
    const std::optional<CStateImage>& end = take.result.readBack;
    if (end && !take.result.countsChanged) {
        take.result.changedWhileTaking = ChangedOutside(take, *end);
    }
}

}  // namespace

std::vector<OutputMismatch> Mismatches(const Salvo& salvo,
                                       const std::optional<CStateImage>& image) {
    std::vector<OutputMismatch> differing;
    for (const auto& [output, input] : salvo.routes) {
        std::optional<int> held;
        if (image && output <= image->OutputCount()) {
            held = HeldInput(*image, output);
        }
        if (held != input) {
            differing.push_back({output, input, held});
        }
    }
    return differing;
}

ApplyResult ApplySalvoFrom(IRoutingLink& link, const Salvo& salvo, const CStateImage& start,
                           const ApplyProgress& progress, Clock::time_point readAt) {
    ApplyResult result;
    result.readBack = start;
    if (!UsableImage(start)) {
        result.failure = LinkFailure::kUnusableReply;
        result.readBack.reset();
    } else if (!OutOfReach(salvo, start).empty()) {
        result.outOfReach = true;
    } else {
        Take take{link, salvo, progress, result, start, start, readAt, {}, 0, false};
        Run(take);
    }
    Finish(salvo, result);
    return result;
}

ApplyResult ApplySalvo(IRoutingLink& link, const Salvo& salvo, const ApplyProgress& progress) {
    const Clock::time_point readAt = Clock::now();
    CStateImage start;
    const LinkFailure read = ReadRouting(link, 0, start);
    if (read != LinkFailure::kNone) {
        ApplyResult result;
        result.failure = read;
        Finish(salvo, result);
        return result;
    }
    return ApplySalvoFrom(link, salvo, start, progress, readAt);
}

}  // namespace vantel
