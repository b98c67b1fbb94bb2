#pragma once
// CVexaRoutingLink: IRoutingLink over a CVexaLib, each command with the given time-out.

#include "routing/routinglink.h"

class CVexaLib;

namespace vantel {

class CVexaRoutingLink : public IRoutingLink {
public:
    static constexpr int kDefaultTimeoutMs = 500;

    explicit CVexaRoutingLink(CVexaLib& link, int timeoutMs = kDefaultTimeoutMs);

    unsigned ReadImage(int scene, CStateImage& image) override;
    unsigned Switch(std::span<const std::uint8_t> payload) override;

private:
    CVexaLib& m_link;
    int m_timeoutMs;
};

}  // namespace vantel
