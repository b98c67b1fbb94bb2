#pragma once
// Capture: a salvo made from the device's live routing (scene 0) or from one of its stored
// scenes (1 to 11), of every output or of a chosen list.

#include <string>
#include <vector>

#include "link/stateimage.h"
#include "routing/linkfailure.h"
#include "routing/routinglink.h"
#include "routing/salvo.h"

namespace vantel {

struct CaptureResult {
    bool ok = false;
    Salvo salvo;
    LinkFailure failure = LinkFailure::kNone;
    std::string error;  // why not, for the operator (bad name, scene, output; the link failure)
};

inline constexpr int kLastScene = 11;

// The routing of the listed outputs (from 1; empty: every output of the image) as a salvo.
// Fails for an output the image does not have.
CaptureResult SalvoFromImage(const CStateImage& image, std::string name,
                             const std::vector<int>& outputs);

// Reads scene (0 = live, 1..11 = stored) and captures it.
CaptureResult CaptureSalvo(IRoutingLink& link, std::string name, int scene,
                           const std::vector<int>& outputs);

}  // namespace vantel
