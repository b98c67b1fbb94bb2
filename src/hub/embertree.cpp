#include "hub/embertree.h"

#include <array>

namespace vantel::ember {

namespace {

constexpr const char* kModelName = "Vantel Matrix Switcher";
constexpr std::uint32_t kOnlineNumber = 1;
constexpr std::uint32_t kNameNumber = 2;
constexpr std::uint32_t kInputsNumber = 3;
constexpr std::uint32_t kOutputsNumber = 4;
constexpr std::uint32_t kMatrixNumber = 5;
constexpr std::uint32_t kLabelsNumber = 6;
constexpr std::uint32_t kTargetsNumber = 1;
constexpr std::uint32_t kSourcesNumber = 2;

GlowParameterContents ValueOnly(GlowValue value) {
    GlowParameterContents contents;
    contents.value = std::move(value);
    return contents;
}

int Count(const HubSnapshot& state, bool targets) {
    return targets ? state.Outputs() : state.Inputs();
}

GlowNodeContents DeviceNode() {
    return {"vantel", kModelName, true};
}

GlowParameterContents ReadOnly(const char* identifier, const char* description, GlowValue value,
                               GlowParameterType type) {
    return {identifier, description, std::move(value), GlowAccess::kRead, type};
}

// The full contents of parameter number n of the device node.
std::optional<GlowParameterContents> DeviceParameter(const HubSnapshot& state, std::uint32_t n) {
    switch (n) {
        case kOnlineNumber:
            return ReadOnly("online", "the switcher answers", state.present,
                            GlowParameterType::kBoolean);
        case kNameNumber:
            return ReadOnly("name", "model", std::string(kModelName), GlowParameterType::kString);
        case kInputsNumber:
            return ReadOnly("inputs", "inputs (matrix sources)",
                            static_cast<std::int64_t>(state.Inputs()), GlowParameterType::kInteger);
        case kOutputsNumber:
            return ReadOnly("outputs", "outputs (matrix targets)",
                            static_cast<std::int64_t>(state.Outputs()),
                            GlowParameterType::kInteger);
        default:
            return std::nullopt;
    }
}

GlowMatrixContents MatrixContents(const HubSnapshot& state) {
    return {"matrix",
            "routing: targets are outputs, sources are inputs, from 0",
            state.Outputs(),
            state.Inputs(),
            {{kLabels, "labels"}}};
}

GlowParameterContents LabelParameter(const HubSnapshot& state, bool target, int signal) {
    return {std::string(target ? "t" : "s") + std::to_string(signal),
            std::string(target ? "output " : "input ") + std::to_string(signal),
            LabelOf(state, target, signal), GlowAccess::kReadWrite, GlowParameterType::kString};
}

std::string LabelNodeDirectory(const HubSnapshot& state, bool targets) {
    std::vector<std::string> children;
    for (int i = 0; i < Count(state, targets); ++i) {
        children.push_back(
            GlowParameter(static_cast<std::uint32_t>(i), LabelParameter(state, targets, i)));
    }
    const GlowNodeContents contents{targets ? "targets" : "sources",
                                    targets ? "output labels" : "input labels", true};
    return GlowQualifiedNode(targets ? kTargetLabels : kSourceLabels, contents, children);
}

std::string One(const std::string& element) {
    return GlowRoot(std::array<std::string, 1>{element});
}

std::vector<GlowConnection> AllConnections(const HubSnapshot& state) {
    std::vector<GlowConnection> out;
    for (int j = 0; j < state.Outputs(); ++j) {
        out.push_back(ConnectionOf(state, j, std::nullopt));
    }
    return out;
}

std::string DeviceDirectory(const HubSnapshot& state) {
    std::vector<std::string> children;
    for (std::uint32_t n = kOnlineNumber; n <= kOutputsNumber; ++n) {
        children.push_back(GlowParameter(n, *DeviceParameter(state, n)));
    }
    children.push_back(GlowMatrix(kMatrixNumber, MatrixContents(state)));
    children.push_back(GlowNode(kLabelsNumber, GlowNodeContents{"labels", "signal labels", true}));
    return GlowQualifiedNode(kDevice, DeviceNode(), children);
}

std::string LabelsDirectory() {
    const std::array<std::string, 2> children{
        GlowNode(kTargetsNumber, GlowNodeContents{"targets", "output labels", true}),
        GlowNode(kSourcesNumber, GlowNodeContents{"sources", "input labels", true})};
    return GlowQualifiedNode(kLabels, GlowNodeContents{"labels", "signal labels", true}, children);
}

// The label parameter at path: (targets?, signal), when the path names one the device has.
std::optional<std::pair<bool, int>> LabelAt(const HubSnapshot& state, const GlowPath& path) {
    if (path.size() != 4) {
        return std::nullopt;
    }
    const GlowPath node(path.begin(), path.begin() + 3);
    if (node != kTargetLabels && node != kSourceLabels) {
        return std::nullopt;
    }
    const bool targets = path[2] == kTargetsNumber;
    if (path[3] >= static_cast<std::uint32_t>(Count(state, targets))) {
        return std::nullopt;
    }
    return std::pair{targets, static_cast<int>(path[3])};
}

std::optional<GlowParameterContents> ParameterAt(const HubSnapshot& state, const GlowPath& path) {
    if (path.size() == 2 && path[0] == kDevice[0]) {
        return DeviceParameter(state, path[1]);
    }
    if (const auto label = LabelAt(state, path)) {
        return LabelParameter(state, label->first, label->second);
    }
    return std::nullopt;
}

void LabelChanges(const HubSnapshot& before, const HubSnapshot& after, bool targets,
                  const std::set<GlowPath>& watched, std::vector<std::string>& elements,
                  std::set<GlowPath>& told) {
    for (int i = 0; i < Count(after, targets); ++i) {
        GlowPath path = targets ? kTargetLabels : kSourceLabels;
        path.push_back(static_cast<std::uint32_t>(i));
        if (LabelOf(before, targets, i) != LabelOf(after, targets, i) && Watches(watched, path)) {
            elements.push_back(GlowQualifiedParameter(path, ValueOnly(LabelOf(after, targets, i))));
            told.insert(path);
        }
    }
}

}  // namespace

std::string LabelOf(const HubSnapshot& state, bool target, int signal) {
    const auto& labels = target ? state.outputLabels : state.inputLabels;
    return signal >= 0 && signal < static_cast<int>(labels.size())
               ? labels[static_cast<std::size_t>(signal)]
               : std::to_string(signal + 1);
}

std::optional<std::string> Directory(const HubSnapshot& state, const GlowPath& path) {
    if (path.empty()) {
        return One(GlowNode(kDevice[0], DeviceNode()));
    }
    if (path == kDevice) {
        return One(DeviceDirectory(state));
    }
    if (path == kMatrix) {
        const auto all = AllConnections(state);
        return One(GlowQualifiedMatrix(kMatrix, MatrixContents(state), all));
    }
    if (path == kLabels) {
        return One(LabelsDirectory());
    }
    if (path == kTargetLabels || path == kSourceLabels) {
        return One(LabelNodeDirectory(state, path == kTargetLabels));
    }
    if (const auto contents = ParameterAt(state, path)) {
        return One(GlowQualifiedParameter(path, *contents));
    }
    return std::nullopt;
}

std::optional<std::string> ParameterValue(const HubSnapshot& state, const GlowPath& path) {
    const auto contents = ParameterAt(state, path);
    if (!contents) {
        return std::nullopt;
    }
    return One(GlowQualifiedParameter(path, ValueOnly(*contents->value)));
}

GlowConnection ConnectionOf(const HubSnapshot& state, int target,
                            std::optional<GlowDisposition> disposition) {
    GlowConnection connection{target, {}, disposition};
    if (const auto source = state.SourceOf(target)) {
        connection.sources.push_back(static_cast<std::uint32_t>(*source));
    }
    return connection;
}

std::string MatrixConnections(const std::vector<GlowConnection>& connections) {
    return One(GlowQualifiedMatrix(kMatrix, std::nullopt, connections));
}

bool Watches(const std::set<GlowPath>& watched, const GlowPath& path) {
    if (watched.contains(path)) {
        return true;
    }
    return !path.empty() && watched.contains(GlowPath(path.begin(), path.end() - 1));
}

GlowPath TargetPath(int target) {
    GlowPath path = kMatrix;
    path.push_back(static_cast<std::uint32_t>(target));
    return path;
}

std::vector<std::string> Changes(const HubSnapshot& before, const HubSnapshot& after,
                                 const std::set<GlowPath>& watched, std::set<GlowPath>* told) {
    std::set<GlowPath> ignored;
    std::set<GlowPath>& record = told ? *told : ignored;
    std::vector<std::string> messages;
    if (before.present != after.present && Watches(watched, kOnline)) {
        messages.push_back(ParameterValue(after, kOnline).value());
    }
    const bool resized = before.Inputs() != after.Inputs() || before.Outputs() != after.Outputs();
    std::vector<std::string> elements;
    if (resized) {
        for (const auto& path : {kInputs, kOutputs}) {
            if (Watches(watched, path)) {
                elements.push_back(GlowQualifiedParameter(path, *ParameterAt(after, path)));
            }
        }
        if (Watches(watched, kMatrix)) {
            elements.push_back(GlowQualifiedMatrix(kMatrix, MatrixContents(after), {}));
        }
    }
    // The whole routing again when the device comes back or changes size: a consumer cannot
    // know what happened to it meanwhile.
    const bool whole = resized || (after.present && !before.present);
    if (watched.contains(kMatrix)) {
        std::vector<GlowConnection> changed;
        for (int j = 0; j < after.Outputs(); ++j) {
            if (whole || before.SourceOf(j) != after.SourceOf(j)) {
                changed.push_back(ConnectionOf(after, j, GlowDisposition::kTally));
                record.insert(TargetPath(j));
            }
        }
        if (!changed.empty()) {
            elements.push_back(GlowQualifiedMatrix(kMatrix, std::nullopt, changed));
        }
    }
    for (const bool targets : {true, false}) {
        if (resized && watched.contains(targets ? kTargetLabels : kSourceLabels)) {
            elements.push_back(LabelNodeDirectory(after, targets));
        } else if (!resized) {
            LabelChanges(before, after, targets, watched, elements, record);
        }
    }
    if (!elements.empty()) {
        messages.push_back(GlowRoot(elements));
    }
    return messages;
}

}  // namespace vantel::ember
