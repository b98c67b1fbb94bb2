#pragma once
// PollRhythm: the pass counter of the status monitor. A pass runs every 10 ms; every 200th
// pass polls the device and every 10th updates the lamps, the first pass doing both. The
// counter wraps at the largest multiple of 200 that fits, so the rhythm goes on unbroken
// however long the monitor runs.

#include <cstdint>
#include <limits>

namespace vantel {

class PollRhythm {
public:
    static constexpr std::uint32_t kPollEvery = 200;
    static constexpr std::uint32_t kLampsEvery = 10;
    // One past the last counter value: a multiple of both periods.
    static constexpr std::uint32_t kWrap =
        std::numeric_limits<std::uint32_t>::max() / kPollEvery * kPollEvery;
    static_assert(kPollEvery % kLampsEvery == 0);

    explicit PollRhythm(std::uint32_t start = 0) : m_nPass(start % kWrap) {}

    bool PollDue() const { return m_nPass % kPollEvery == 0; }
    bool LampsDue() const { return m_nPass % kLampsEvery == 0; }
    void Next() { m_nPass = m_nPass + 1 == kWrap ? 0 : m_nPass + 1; }
    std::uint32_t Pass() const { return m_nPass; }

private:
    std::uint32_t m_nPass;
};

}  // namespace vantel
