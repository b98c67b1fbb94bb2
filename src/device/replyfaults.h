#pragma once
// CReplyFaults: the faults a simulated line puts on the device's replies. A share of whole
// reply frames is swallowed, and a share of the bytes of the others is corrupted. The same
// seed gives the same faults for the same traffic.

#include <cstdint>
#include <random>
#include <vector>

namespace vantel {

class CReplyFaults {
public:
    // dropShare and garbleShare are probabilities from 0 to 1 (clamped).
    CReplyFaults(double dropShare, double garbleShare, std::uint64_t seed);

    bool Active() const { return m_drop > 0.0 || m_garble > 0.0; }
    // False when the frame is to be swallowed; otherwise the frame may have been corrupted.
    bool Apply(std::vector<std::uint8_t>& frame);

private:
    double m_drop;
    double m_garble;
    std::mt19937_64 m_random;
    std::uniform_real_distribution<double> m_share{0.0, 1.0};
    std::uniform_int_distribution<int> m_flip{1, 255};
};

}  // namespace vantel
