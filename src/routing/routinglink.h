#pragma once
// IRoutingLink: the two device commands the salvo code needs, so that it can run on CVexaLib
// (CVexaRoutingLink) or on anything else that speaks them. Results are CVexaLib's (VexaResult).

#include <cstdint>
#include <span>

#include "link/stateimage.h"
#include "routing/linkfailure.h"

namespace vantel {

class IRoutingLink {
public:
    virtual ~IRoutingLink() = default;
    // Command 7: the state image of scene 0 (live) to 11.
    virtual unsigned ReadImage(int scene, CStateImage& image) = 0;
    // Command 12 with the payload (input port, output ports).
    virtual unsigned Switch(std::span<const std::uint8_t> payload) = 0;
};

// How often ReadRouting asks again after a lost or unusable answer. Reading changes nothing,
// so asking again is always safe.
inline constexpr int kReadAttempts = 3;

// Reads the image of a scene and checks that it is usable (mark, counts). Asks again after no
// reply or an unusable answer; gives up at once when the link is down or the device refuses.
LinkFailure ReadRouting(IRoutingLink& link, int scene, CStateImage& image);

}  // namespace vantel
