#include "routing/vexaroutinglink.h"

#include <array>
#include <vector>

#include "link/devicecommand.h"
#include "link/vexalib.h"

namespace vantel {

CVexaRoutingLink::CVexaRoutingLink(CVexaLib& link, int timeoutMs)
    : m_link(link), m_timeoutMs(timeoutMs) {}

unsigned CVexaRoutingLink::ReadImage(int scene, CStateImage& image) {
    // The scene byte, then the image behind it.
    std::array<std::uint8_t, 1 + CStateImage::kImageSize> buffer{};
    buffer[0] = static_cast<std::uint8_t>(scene);
    const unsigned result =
        m_link.Command(kReadImage, buffer.data(), buffer.size(), 1, m_timeoutMs);
    if (result == kVexaOk) {
        image = CStateImage(std::span<const std::uint8_t>(buffer).subspan(1));
    }
    return result;
}

unsigned CVexaRoutingLink::Switch(std::span<const std::uint8_t> payload) {
    if (payload.empty() || payload.size() > 255) {
        return kVexaBadArgument;
    }
    std::vector<std::uint8_t> buffer(payload.begin(), payload.end());
    return m_link.Command(kSwitch, buffer.data(), buffer.size(),
                          static_cast<unsigned char>(payload.size()), m_timeoutMs);
}

}  // namespace vantel
