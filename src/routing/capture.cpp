#include "routing/capture.h"

#include "routing/routingimage.h"

namespace vantel {

namespace {

CaptureResult Failed(std::string error, LinkFailure failure = LinkFailure::kNone) {
    CaptureResult result;
    result.failure = failure;
    result.error = std::move(error);
    return result;
}

}  // namespace

CaptureResult SalvoFromImage(const CStateImage& image, std::string name,
                             const std::vector<int>& outputs) {
    const std::string problem = SalvoNameProblem(name);
    if (!problem.empty()) {
        return Failed(problem);
    }
    if (!UsableImage(image)) {
        return Failed("the device's routing is unusable", LinkFailure::kUnusableReply);
    }
    std::vector<int> chosen = outputs;
    if (chosen.empty()) {
        for (int output = 1; output <= image.OutputCount(); ++output) {
            chosen.push_back(output);
        }
    }
    CaptureResult result;
    result.salvo.name = std::move(name);
    for (const int output : chosen) {
        if (output < 1 || output > image.OutputCount()) {
            return Failed("output " + std::to_string(output) + " is not one of the device's 1.." +
                          std::to_string(image.OutputCount()));
        }
        result.salvo.routes[output] = HeldInput(image, output);
    }
    result.ok = true;
    return result;
}

CaptureResult CaptureSalvo(IRoutingLink& link, std::string name, int scene,
                           const std::vector<int>& outputs) {
    if (scene < 0 || scene > kLastScene) {
        return Failed("scene " + std::to_string(scene) + " is not one of 0.." +
                      std::to_string(kLastScene));
    }
    CStateImage image;
    const LinkFailure failure = ReadRouting(link, scene, image);
    if (failure != LinkFailure::kNone) {
        return Failed("cannot read the routing: " + LinkFailureText(failure), failure);
    }
    return SalvoFromImage(image, std::move(name), outputs);
}

}  // namespace vantel
