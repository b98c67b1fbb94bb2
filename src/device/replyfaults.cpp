#include "device/replyfaults.h"

#include <algorithm>

namespace vantel {

CReplyFaults::CReplyFaults(double dropShare, double garbleShare, std::uint64_t seed)
    : m_drop(std::clamp(dropShare, 0.0, 1.0)),
      m_garble(std::clamp(garbleShare, 0.0, 1.0)),
      m_random(seed) {}

bool CReplyFaults::Apply(std::vector<std::uint8_t>& frame) {
    if (m_drop > 0.0 && m_share(m_random) < m_drop) {
        return false;
    }
    if (m_garble > 0.0) {
        for (auto& byte : frame) {
            if (m_share(m_random) < m_garble) {
                byte = static_cast<std::uint8_t>(byte ^ m_flip(m_random));
            }
        }
    }
    return true;
}

}  // namespace vantel
