#include "hub/textformat.h"

#include <functional>

namespace vantel {

namespace {

// The line of item i, or nothing for an item the block does not show.
using ItemLine = std::function<std::string(int)>;

// "HEADER:" and the lines of the items 0..count-1 that pick selects; nothing when no item has
// a line, unless whole (a whole block is sent even when it is empty).
std::string Block(const char* header, int count, const ItemLine& line,
                  const std::function<bool(int)>& pick, bool whole = false) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        if (pick(i)) {
            body += line(i);
        }
    }
    return body.empty() && !whole ? std::string() : std::string(header) + "\n" + body + "\n";
}

std::string Numbered(int i, const std::string& text) {
    return std::to_string(i) + " " + text + "\n";
}

std::string Label(const std::vector<std::string>& labels, int i) {
    return i < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(i)]
                                               : std::to_string(i + 1);
}

char LockLetter(const HubSnapshot& state, int output, const LockOwner& viewer) {
    if (output >= static_cast<int>(state.lockOwners.size())) {
        return 'U';
    }
    const LockOwner& owner = state.lockOwners[static_cast<std::size_t>(output)];
    return owner.IsNobody() ? 'U' : owner == viewer ? 'O' : 'L';
}

ItemLine InputLabelLine(const HubSnapshot& s) {
    return [&s](int i) { return Numbered(i, Label(s.inputLabels, i)); };
}
ItemLine OutputLabelLine(const HubSnapshot& s) {
    return [&s](int i) { return Numbered(i, Label(s.outputLabels, i)); };
}
ItemLine RouteLine(const HubSnapshot& s) {
    return [&s](int j) {
        const auto source = s.SourceOf(j);
        return source ? Numbered(j, std::to_string(*source)) : std::string();
    };
}
ItemLine LockLine(const HubSnapshot& s, const LockOwner& viewer) {
    return [&s, &viewer](int j) { return Numbered(j, std::string(1, LockLetter(s, j, viewer))); };
}

constexpr auto kAll = [](int) { return true; };

}  // namespace

std::string PreambleBlock() {
    return std::string("PROTOCOL PREAMBLE:\nVersion: ") + kTextProtocolVersion + "\n\n";
}

std::string DeviceBlock(const HubSnapshot& state) {
    if (!state.present) {
        return "VIDEOHUB DEVICE:\nDevice present: false\n\n";
    }
    const std::string& name = state.friendlyName.empty() ? kTextModelName : state.friendlyName;
    return std::string("VIDEOHUB DEVICE:\nDevice present: true\nModel name: ") + kTextModelName +
           "\nFriendly name: " + name + "\nUnique ID: " + state.uniqueId +
           "\nVideo inputs: " + std::to_string(state.Inputs()) +
           "\nVideo processing units: 0\nVideo outputs: " + std::to_string(state.Outputs()) +
           "\nVideo monitoring outputs: 0\nSerial ports: 0\n\n";
}

std::string ConfigurationBlock() {
    return "CONFIGURATION:\nTake Mode: false\n\n";
}

std::string InputLabelsBlock(const HubSnapshot& state) {
    return Block("INPUT LABELS:", state.Inputs(), InputLabelLine(state), kAll, true);
}

std::string OutputLabelsBlock(const HubSnapshot& state) {
    return Block("OUTPUT LABELS:", state.Outputs(), OutputLabelLine(state), kAll, true);
}

std::string RoutingBlock(const HubSnapshot& state) {
    return Block("VIDEO OUTPUT ROUTING:", state.Outputs(), RouteLine(state), kAll, true);
}

std::string LocksBlock(const HubSnapshot& state, const LockOwner& viewer) {
    return Block("VIDEO OUTPUT LOCKS:", state.Outputs(), LockLine(state, viewer), kAll, true);
}

std::string StateBlocks(const HubSnapshot& state, const LockOwner& viewer) {
    std::string out = DeviceBlock(state);
    if (state.present) {
        out += InputLabelsBlock(state) + OutputLabelsBlock(state) + LocksBlock(state, viewer) +
               RoutingBlock(state) + ConfigurationBlock();
    }
    return out;
}

std::string ChangeBlocks(const HubSnapshot& before, const HubSnapshot& after,
                         const LockOwner& viewer) {
    if (before.present != after.present || before.Inputs() != after.Inputs() ||
        before.Outputs() != after.Outputs()) {
        return StateBlocks(after, viewer);
    }
    if (!after.present) {
        return {};
    }
    const std::string device =
        before.friendlyName != after.friendlyName || before.uniqueId != after.uniqueId
            ? DeviceBlock(after)
            : std::string();
    const auto inputLabel = [&](int i) {
        return Label(before.inputLabels, i) != Label(after.inputLabels, i);
    };
    const auto outputLabel = [&](int j) {
        return Label(before.outputLabels, j) != Label(after.outputLabels, j);
    };
    const auto route = [&](int j) { return before.SourceOf(j) != after.SourceOf(j); };
    const auto lock = [&](int j) {
        return LockLetter(before, j, viewer) != LockLetter(after, j, viewer);
    };
    return device + Block("INPUT LABELS:", after.Inputs(), InputLabelLine(after), inputLabel) +
           Block("OUTPUT LABELS:", after.Outputs(), OutputLabelLine(after), outputLabel) +
           Block("VIDEO OUTPUT ROUTING:", after.Outputs(), RouteLine(after), route) +
           Block("VIDEO OUTPUT LOCKS:", after.Outputs(), LockLine(after, viewer), lock);
}

}  // namespace vantel
