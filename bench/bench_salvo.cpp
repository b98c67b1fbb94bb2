// Salvo figures. The simulator (CSimServer, the server that vantel-sim runs) serves a 72 x 72
// device in this process on a thread of its own, TCP on 127.0.0.1 with a free port.
//
// Each round takes a salvo that changes every output: the device alternates between output j
// fed by input j and output j fed by input j + 1 (72 by 1), so every input's set of outputs
// changes and the plan is one switch command per input.
//
// salvo_frames: switch commands the take sent; must equal the number of inputs whose set
//   changes (72), else the benchmark fails.
// salvo_take_ms: median time of the verified apply (ApplySalvo): read the routing, plan, send
//   the frames, read the routing back and compare every output. The journal line that
//   vantelctl and the application write before a take is not part of it (its cost is the
//   disk's flush).
// salvo_baseline_ms / salvo_take_ratio: the same number of bare switch round trips through the
//   same CVexaLib (the same frames, sent without planning or checks) plus one image read,
//   against the take. The two are interleaved round by round, alternating which goes first, so
//   both meet the same core placement and machine load; nothing is pinned.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/devicecommand.h"
#include "link/vexalib.h"
#include "median.h"
#include "routing/routingimage.h"
#include "routing/salvoapply.h"
#include "routing/salvodiff.h"
#include "routing/salvoplan.h"
#include "routing/vexaroutinglink.h"
#include "simthread.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPorts = 72;
constexpr int kWarmup = 10;
constexpr int kRounds = 200;
constexpr int kTimeoutMs = 500;

// Output j fed by input j + shift (wrapping round), for every output.
vantel::Salvo Shifted(int shift) {
    vantel::Salvo salvo{"shift " + std::to_string(shift), {}};
    for (int output = 1; output <= kPorts; ++output) {
        salvo.routes[output] = (output - 1 + shift) % kPorts + 1;
    }
    return salvo;
}

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class SalvoBench {
public:
    explicit SalvoBench(CVexaLib& link) : m_link(link), m_routing(link, kTimeoutMs) {}

    // The routing now and the salvo that changes every output of it, read untimed.
    bool Prepare(vantel::Salvo& next, std::vector<vantel::SwitchFrame>& plan, int& inputs) {
        CStateImage image;
        if (vantel::ReadRouting(m_routing, 0, image) != vantel::LinkFailure::kNone) {
            return false;
        }
        next = Shifted(vantel::HeldInput(image, 1) == 1 ? 1 : 0);
        plan = vantel::PlanSalvo(next, image);
        inputs = image.InputCount();
        m_changing = static_cast<int>(vantel::DiffSalvo(next, image).inputsChanging.size());
        return true;
    }

    // The inputs whose set of outputs the last prepared salvo changes.
    int Changing() const { return m_changing; }

    // One verified take; the frames it sent go to frames.
    bool Take(double& ms, int& frames) {
        vantel::Salvo next;
        std::vector<vantel::SwitchFrame> plan;
        int inputs = 0;
        if (!Prepare(next, plan, inputs)) {
            return false;
        }
        const auto start = Clock::now();
        const vantel::ApplyResult result = vantel::ApplySalvo(m_routing, next);
        ms = Millis(Clock::now() - start);
        frames = result.framesSent;
        return result.ok && result.rounds == 1;
    }

    // The same frames sent bare, and one image read.
    bool Bare(double& ms) {
        vantel::Salvo next;
        std::vector<vantel::SwitchFrame> plan;
        int inputs = 0;
        if (!Prepare(next, plan, inputs)) {
            return false;
        }
        std::vector<std::vector<std::uint8_t>> payloads;
        for (const vantel::SwitchFrame& frame : plan) {
            payloads.push_back(vantel::SwitchPayload(frame, inputs));
        }
        bool ok = true;
        const auto start = Clock::now();
        for (const auto& payload : payloads) {
            std::copy(payload.begin(), payload.end(), m_buffer.begin());
            ok &= m_link.Command(kSwitch, m_buffer.data(), m_buffer.size(),
                                 static_cast<unsigned char>(payload.size()), kTimeoutMs) == kVexaOk;
        }
        m_buffer[0] = 0;
        ok &=
            m_link.Command(kReadImage, m_buffer.data(), m_buffer.size(), 1, kTimeoutMs) == kVexaOk;
        ms = Millis(Clock::now() - start);
        return ok;
    }

private:
    CVexaLib& m_link;
    vantel::CVexaRoutingLink m_routing;
    std::vector<unsigned char> m_buffer = std::vector<unsigned char>(CVexaLib::kDefaultBufferSize);
    int m_changing = 0;
};

}  // namespace

namespace {

struct Figures {
    std::vector<double> take;
    std::vector<double> bare;
    int frames = -1;
};

// One round: a take and the bare frames, in the order the round's parity gives. Fails when
// a take sends another number of frames than the inputs whose sets change.
bool Round(SalvoBench& bench, int round, Figures& figures) {
    double takeMs = 0;
    double bareMs = 0;
    int frames = 0;
    bool ok = true;
    const auto take = [&] {
        ok &= bench.Take(takeMs, frames);
        if (ok && frames != bench.Changing()) {
            std::fprintf(stderr, "bench_salvo: %d frames sent for %d inputs whose sets change\n",
                         frames, bench.Changing());
            ok = false;
        }
    };
    const auto bare = [&] { ok &= bench.Bare(bareMs); };
    if (round % 2 == 0) {
        take();
        bare();
    } else {
        bare();
        take();
    }
    figures.take.push_back(takeMs);
    figures.bare.push_back(bareMs);
    figures.frames = frames;
    return ok;
}

int Measure(unsigned short port) {
    CVexaLib link;
    const std::string address = "127.0.0.1:" + std::to_string(port);
    if (link.Open(address.c_str()) == 0) {
        std::fprintf(stderr, "bench_salvo: cannot connect to the simulator\n");
        return 1;
    }
    SalvoBench bench(link);
    Figures warmup;
    Figures figures;
    for (int round = 0; round < kWarmup + kRounds; ++round) {
        if (!Round(bench, round, round < kWarmup ? warmup : figures)) {
            std::fprintf(stderr, "bench_salvo: round %d failed\n", round);
            return 1;
        }
    }
    if (figures.frames != kPorts) {
        std::fprintf(stderr, "bench_salvo: %d frames, %d expected\n", figures.frames, kPorts);
        return 1;
    }
    const double takeMs = Median(figures.take);
    const double bareMs = Median(figures.bare);
    std::printf("salvo_frames: %d frames\n", figures.frames);
    std::printf("salvo_take_ms: %.3f ms\n", takeMs);
    std::printf("salvo_baseline_ms: %.3f ms\n", bareMs);
    std::printf("salvo_take_ratio: %.3f\n", takeMs / bareMs);
    return 0;
}

}  // namespace

int main() {
    const CSimThread sim(kPorts, kPorts);
    if (!sim.Error().empty()) {
        std::fprintf(stderr, "bench_salvo: %s\n", sim.Error().c_str());
        return 1;
    }
    return Measure(sim.Port());
}
