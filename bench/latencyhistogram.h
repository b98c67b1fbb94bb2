#pragma once
// CLatencyHistogram: latencies counted in buckets 1 % wide (from 1 µs to beyond 100 s), so a
// load of millions of samples costs a few kilobytes and its percentiles are exact to 1 %.
// The load benchmark measures its process's memory, which must be the hub's, not its own.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

class CLatencyHistogram {
public:
    void Add(double ms) {
        const double scaled = std::max(ms, kFloorMs) / kFloorMs;
        const auto bucket = static_cast<std::size_t>(std::log(scaled) / std::log(kStep));
        ++m_counts[std::min(bucket, m_counts.size() - 1)];
        ++m_total;
    }
    bool Empty() const { return m_total == 0; }
    std::uint64_t Count() const { return m_total; }
    // The latency `share` of the samples do not exceed (the upper end of its bucket).
    double Percentile(double share) const {
        const auto wanted =
            static_cast<std::uint64_t>(std::ceil(share * static_cast<double>(m_total)));
        std::uint64_t seen = 0;
        for (std::size_t b = 0; b < m_counts.size(); ++b) {
            seen += m_counts[b];
            if (seen >= wanted && seen > 0) {
                return kFloorMs * std::pow(kStep, static_cast<double>(b + 1));
            }
        }
        return 0;
    }

private:
    static constexpr double kFloorMs = 0.001;
    static constexpr double kStep = 1.01;
    std::vector<std::uint64_t> m_counts = std::vector<std::uint64_t>(2000, 0);
    std::uint64_t m_total = 0;
};
