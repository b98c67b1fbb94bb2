#include "hub/routeplan.h"

#include <algorithm>
#include <map>
#include <set>

namespace vantel {

std::vector<SwitchCommand> PlanRoutes(const CStateImage& live,
                                      const std::vector<std::pair<int, int>>& routes) {
    std::map<int, int> wanted;  // output -> input
    for (const auto& [output, input] : routes) {
        wanted[output] = input;
    }
    std::set<int> inputs;
    for (const auto& [output, input] : wanted) {
        const auto now = live.SourceOf(output);
        if (input >= 0) {
            inputs.insert(input);
        } else if (now) {
            inputs.insert(*now);
        }
    }
    std::vector<SwitchCommand> commands;
    for (const int input : inputs) {
        SwitchCommand command{input, {}};
        for (int j = 0; j < live.OutputCount(); ++j) {
            const auto it = wanted.find(j);
            const bool fed = it != wanted.end() ? it->second == input : live.SourceOf(j) == input;
            if (fed) {
                command.outputs.push_back(j);
            }
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

std::vector<int> OutputsChangedBySwitch(const CStateImage& live,
                                        std::span<const std::uint8_t> payload) {
    const int m = live.InputCount();
    const int n = live.OutputCount();
    if (payload.empty() || payload[0] >= m) {
        return {};
    }
    const int input = payload[0];
    std::set<int> listed;
    for (const std::uint8_t port : payload.subspan(1)) {
        if (port >= m && port < m + n) {
            listed.insert(port - m);
        }
    }
    std::vector<int> changed;
    for (int j = 0; j < n; ++j) {
        const bool fedNow = live.SourceOf(j) == input;
        if (fedNow != listed.contains(j)) {
            changed.push_back(j);
        }
    }
    return changed;
}

CStateImage AfterSwitch(const CStateImage& live, std::span<const std::uint8_t> payload) {
    const int m = live.InputCount();
    if (payload.empty() || payload[0] >= m) {
        return live;
    }
    CStateImage::Bytes bytes = live.Raw();
    const int input = payload[0];
    const auto slot = [m](int output) {
        return CStateImage::kPortTable + static_cast<std::size_t>(m + output);
    };
    const std::uint8_t id = bytes[CStateImage::kPortTable + static_cast<std::size_t>(input)];
    const std::vector<int> changed = OutputsChangedBySwitch(live, payload);
    for (const int j : changed) {
        const auto at = slot(j);
        if (at < bytes.size()) {
            bytes[at] = live.SourceOf(j) == input ? 0 : id;
        }
    }
    return CStateImage(bytes);
}

std::vector<int> OutputsThatDiffer(const CStateImage& live, const CStateImage& other) {
    std::vector<int> changed;
    for (int j = 0; j < live.OutputCount(); ++j) {
        if (live.SourceOf(j) != other.SourceOf(j)) {
            changed.push_back(j);
        }
    }
    return changed;
}

std::vector<std::uint8_t> SwitchPayload(const CStateImage& live, const SwitchCommand& command) {
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(command.input)};
    for (const int j : command.outputs) {
        payload.push_back(static_cast<std::uint8_t>(live.InputCount() + j));
    }
    return payload;
}

}  // namespace vantel
