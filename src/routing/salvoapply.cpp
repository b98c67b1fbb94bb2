#include "routing/salvoapply.h"

#include "routing/routingimage.h"
#include "routing/salvodiff.h"
#include "routing/salvoplan.h"

namespace vantel {

namespace {

struct Sending {
    IRoutingLink& link;
    const ApplyProgress& progress;
    ApplyResult& result;
    int total = 0;
};

// Sends one round's frames; stops early when the link is down or fails kFailuresInARow times.
void SendRound(Sending& sending, const std::vector<SwitchFrame>& plan, int inputCount) {
    sending.total += static_cast<int>(plan.size());
    ++sending.result.rounds;
    int failuresInARow = 0;
    for (const SwitchFrame& frame : plan) {
        const LinkFailure failure =
            FailureOf(sending.link.Switch(SwitchPayload(frame, inputCount)));
        if (failure == LinkFailure::kNone) {
            failuresInARow = 0;
            ++sending.result.framesSent;
        } else {
            sending.result.failure = failure;
            ++failuresInARow;
        }
        if (sending.progress) {
            sending.progress(sending.result.framesSent, sending.total);
        }
        if (failure == LinkFailure::kLinkDown || failuresInARow >= kFailuresInARow) {
            return;
        }
    }
}

void Finish(const Salvo& salvo, ApplyResult& result) {
    result.differing = Mismatches(salvo, result.readBack);
    result.ok = result.readBack.has_value() && result.differing.empty();
}

}  // namespace

std::vector<OutputMismatch> Mismatches(const Salvo& salvo,
                                       const std::optional<CStateImage>& image) {
    std::vector<OutputMismatch> differing;
    for (const auto& [output, input] : salvo.routes) {
        std::optional<int> held;
        if (image) {
            held = HeldInput(*image, output);
        }
        if (held != input) {
            differing.push_back({output, input, held});
        }
    }
    return differing;
}

ApplyResult ApplySalvoFrom(IRoutingLink& link, const Salvo& salvo, const CStateImage& start,
                           const ApplyProgress& progress) {
    ApplyResult result;
    result.readBack = start;
    if (!UsableImage(start)) {
        result.failure = LinkFailure::kUnusableReply;
        result.readBack.reset();
    } else if (!OutOfReach(salvo, start).empty()) {
        result.outOfReach = true;
    } else {
        Sending sending{link, progress, result};
        for (int round = 0; round < kApplyRounds && result.readBack; ++round) {
            const std::vector<SwitchFrame> plan = PlanSalvo(salvo, *result.readBack);
            if (plan.empty()) {
                break;
            }
            SendRound(sending, plan, result.readBack->InputCount());
            CStateImage image;
            const LinkFailure read = ReadRouting(link, 0, image);
            result.readBack = image;
            if (read != LinkFailure::kNone) {
                result.failure = read;
                result.readBack.reset();
            }
        }
    }
    Finish(salvo, result);
    return result;
}

ApplyResult ApplySalvo(IRoutingLink& link, const Salvo& salvo, const ApplyProgress& progress) {
    CStateImage start;
    const LinkFailure read = ReadRouting(link, 0, start);
    if (read != LinkFailure::kNone) {
        ApplyResult result;
        result.failure = read;
        Finish(salvo, result);
        return result;
    }
    return ApplySalvoFrom(link, salvo, start, progress);
}

}  // namespace vantel
