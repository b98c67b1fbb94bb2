#include "hub/routebatch.h"

#include <algorithm>
#include <map>

namespace vantel {

namespace {

// True when the state shows the output as the route wants it: fed by the input, or fed by
// nothing when the input is below 0.
bool Holds(const HubSnapshot& state, int output, int input) {
    const auto source = state.SourceOf(output);
    return input < 0 ? !source.has_value() : source == input;
}

std::string InputText(int input) {
    return input < 0 ? std::string("none") : "in " + std::to_string(input + 1);
}

}  // namespace

bool RoutesAllowed(const HubSnapshot& state, const std::vector<LockOwner>& locks,
                   const LockOwner& owner, const Routes& routes) {
    return std::none_of(routes.begin(), routes.end(), [&](const auto& route) {
        const auto at = static_cast<std::size_t>(route.first);
        return !Holds(state, route.first, route.second) && at < locks.size() &&
               !locks[at].IsNobody() && locks[at] != owner;
    });
}

Routes MergeBatches(const std::vector<RouteBatch>& batches, const HubSnapshot& state,
                    const CLockTable& locks, std::vector<RouteBatch>& refused) {
    Routes merged;
    for (const auto& batch : batches) {
        if (RoutesAllowed(state, locks.Owners(), batch.owner, batch.routes)) {
            merged.insert(merged.end(), batch.routes.begin(), batch.routes.end());
        } else {
            refused.push_back(batch);
        }
    }
    return merged;
}

Routes RoutesNotHeld(const HubSnapshot& state, const Routes& routes) {
    std::map<int, int> wanted;
    for (const auto& [output, input] : routes) {
        wanted[output] = input;
    }
    Routes missing;
    for (const auto& [output, input] : wanted) {
        if (!Holds(state, output, input)) {
            missing.emplace_back(output, input);
        }
    }
    return missing;
}

std::string NotTakenText(const LockOwner& owner, const char* why, const Routes& routes,
                         const HubSnapshot& state, std::size_t maxBytes) {
    std::string text = "by " + owner.Describe() + " (" + why + "):";
    const std::string more = ", ...";
    for (std::size_t i = 0; i < routes.size(); ++i) {
        const auto [output, input] = routes[i];
        const auto held = state.present ? state.SourceOf(output) : std::nullopt;
        const std::string item = std::string(i == 0 ? " " : ", ") + "out " +
                                 std::to_string(output + 1) + " to " + InputText(input) +
                                 " (holds " +
                                 (held ? "in " + std::to_string(*held + 1) : "none") + ")";
        if (text.size() + item.size() + more.size() > maxBytes) {
            return text + more;
        }
        text += item;
    }
    return text;
}

}  // namespace vantel
