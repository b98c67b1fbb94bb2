#include "devicecounts.h"

namespace vantel {

namespace {

std::optional<std::string> CountProblem(int count, const char* what) {
    if (count >= kMinDeviceCount && count <= kMaxDeviceCount) {
        return std::nullopt;
    }
    return "the device reports " + std::to_string(count) + " " + what + " (" +
           std::to_string(kMinDeviceCount) + " to " + std::to_string(kMaxDeviceCount) +
           " expected)";
}

std::optional<std::string> CountsProblem(int inputs, int outputs) {
    if (auto problem = CountProblem(inputs, "inputs")) {
        return problem;
    }
    return CountProblem(outputs, "outputs");
}

}  // namespace

std::optional<std::string> ImageCountsProblem(const CStateImage& image) {
    if (auto problem = CountsProblem(image.InputCount(), image.OutputCount())) {
        return problem;
    }
    const int ports = image.InputCount() + image.OutputCount();
    if (image.PortCount() != ports) {
        return "the device reports " + std::to_string(image.PortCount()) + " ports for " +
               std::to_string(image.InputCount()) + " inputs and " +
               std::to_string(image.OutputCount()) + " outputs (" + std::to_string(ports) +
               " expected)";
    }
    return std::nullopt;
}

std::optional<std::string> SetupCountsProblem(const CSetupBlock& block) {
    return CountsProblem(block.InputCount(), block.OutputCount());
}

}  // namespace vantel
