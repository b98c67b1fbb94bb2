// watch: polls the live routing and prints every change until SIGINT or SIGTERM.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "ctlerror.h"
#include "devicesession.h"
#include "jsonline.h"
#include "routing.h"
#include "routingreport.h"
#include "settingspath.h"

namespace vantel {

namespace {

constexpr std::chrono::milliseconds kPollInterval{200};
constexpr std::chrono::milliseconds kStopCheck{20};

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void RequestStop(int /*signal*/) {
    g_stopRequested.store(true);
}

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Waits one poll interval, in short steps so that a stop request ends the wait early.
void PauseUnlessStopped() {
    const auto until = std::chrono::steady_clock::now() + kPollInterval;
    while (!g_stopRequested.load() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(kStopCheck);
    }
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Local time of day, "HH:MM:SS.mmm".
std::string TimeText(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

std::string SourceText(int input) {
    char text[16];
    if (input == 0) {
        return "--";
    }
    std::snprintf(text, sizeof text, "%02d", input);
    return text;
}

// An output whose input changed. A side is empty where the output does not exist: it
// appeared or disappeared with a change of the output count.
struct OutputChange {
    int output;
    std::optional<int> from;
    std::optional<int> to;
};

// The input feeding output (from 1, 0 for none), or nothing beyond the output count.
std::optional<int> SideOf(const Routing& routing, int output) {
    if (output > routing.outputs) {
        return std::nullopt;
    }
    return routing.SourceOf(output);
}

// The outputs whose input differs, over the larger of the two output counts, so outputs that
// appear or disappear are listed too.
std::vector<OutputChange> ChangedOutputs(const Routing& before, const Routing& now) {
    std::vector<OutputChange> changed;
    const int outputs = std::max(before.outputs, now.outputs);
    for (int j = 1; j <= outputs; ++j) {
        const OutputChange change{j, SideOf(before, j), SideOf(now, j)};
        if (change.from != change.to) {
            changed.push_back(change);
        }
    }
    return changed;
}

// An input number, or null for no input and for an output that does not exist.
nlohmann::ordered_json InputJson(const std::optional<int>& input) {
    return !input || *input == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(*input);
}

// "03", "--" for no input, "absent" for an output that does not exist.
std::string SideText(const std::optional<int>& input) {
    return input ? SourceText(*input) : "absent";
}

void PrintJsonEvent(const char* event, const Routing& before, const Routing& now, std::int64_t ms) {
    auto object = JsonObject();
    object["event"] = event;
    object["time_ms"] = ms;
    object["inputs"] = now.inputs;
    object["outputs"] = now.outputs;
    object["routes"] = RoutesJson(now);
    auto changes = nlohmann::ordered_json::array();
    for (const OutputChange& change : ChangedOutputs(before, now)) {
        changes.push_back({{"output", change.output},
                           {"from", InputJson(change.from)},
                           {"to", InputJson(change.to)}});
    }
    object["changes"] = changes;
    std::cout << JsonLine(object) << std::endl;
}

void PrintInitialText(const Routing& now, std::int64_t ms) {
    std::cout << TimeText(ms) << " live routing: " << now.inputs << " inputs, " << now.outputs
              << " outputs;";
    const char* separator = " ";
    for (int j = 1; j <= now.outputs; ++j) {
        std::cout << separator << "out " << SourceText(j) << ": " << SourceText(now.SourceOf(j));
        separator = ", ";
    }
    std::cout << std::endl;
}

void PrintChangeText(const Routing& before, const Routing& now, std::int64_t ms) {
    std::cout << TimeText(ms);
    if (before.inputs != now.inputs || before.outputs != now.outputs) {
        std::cout << " counts: " << now.inputs << " inputs, " << now.outputs << " outputs;";
    }
    const char* separator = " ";
    for (const OutputChange& change : ChangedOutputs(before, now)) {
        std::cout << separator << "out " << SourceText(change.output) << ": "
                  << SideText(change.from) << " -> " << SideText(change.to);
        separator = ", ";
    }
    std::cout << std::endl;
}

// Polls once; reports the first failure of a run of failures and the recovery after it.
std::optional<Routing> Poll(CDeviceSession& session, bool& failing) {
    try {
        Routing now = Routing::Of(session.ReadImage(0));
        if (failing) {
            std::cerr << "vantelctl: watch: the device answers again" << std::endl;
            failing = false;
        }
        return now;
    } catch (const CCtlError& error) {
        if (!failing) {
            std::cerr << "vantelctl: watch: " << error.what() << "; still trying" << std::endl;
            failing = true;
        }
        return std::nullopt;
    }
}

}  // namespace

int RunWatch(const CtlOptions& options) {
    g_stopRequested.store(false);
    InstallStopHandlers();
    CDeviceSession session(options, SettingsPathFor(options.config));
    // The first poll must succeed: a device that never answered is reported like any command.
    Routing last = Routing::Of(session.ReadImage(0));
    if (options.json) {
        PrintJsonEvent("initial", last, last, NowMs());
    } else {
        PrintInitialText(last, NowMs());
    }
    bool failing = false;
    while (std::cout && !g_stopRequested.load()) {
        PauseUnlessStopped();
        if (g_stopRequested.load()) {
            break;
        }
        const std::optional<Routing> now = Poll(session, failing);
        if (!now || *now == last) {
            continue;
        }
        if (options.json) {
            PrintJsonEvent("change", last, *now, NowMs());
        } else {
            PrintChangeText(last, *now, NowMs());
        }
        last = *now;
    }
    return 0;
}

}  // namespace vantel
