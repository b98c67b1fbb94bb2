#include "link/framedecoder.h"

#include <algorithm>
#include <array>

namespace vantel {

namespace {

constexpr std::uint16_t kPoly = 0x1021;

// a * b modulo the CRC polynomial, both as polynomials over GF(2).
std::uint16_t MulMod(std::uint16_t a, std::uint16_t b) {
    std::uint16_t r = 0;
    for (int bit = 15; bit >= 0; --bit) {
        r = static_cast<std::uint16_t>((r & 0x8000) != 0 ? (r << 1) ^ kPoly : r << 1);
        if (((b >> bit) & 1) != 0) {
            r ^= a;
        }
    }
    return r;
}

// x^(8n) modulo the polynomial for every length n a frame's checked stretch can have: what
// running a register over n zero bytes multiplies it by.
const std::array<std::uint16_t, kMaxFrameSize + 1>& ZeroBytePowers() {
    static const auto powers = [] {
        std::array<std::uint16_t, kMaxFrameSize + 1> p{};
        p[0] = 1;
        const std::uint8_t zero = 0;
        for (std::size_t n = 1; n < p.size(); ++n) {
            p[n] = Crc16(&zero, 1, p[n - 1]);
        }
        return p;
    }();
    return powers;
}

// Length of the frame at p when its header is complete and its length within the limit.
std::optional<std::size_t> FrameSize(const std::uint8_t* p, const std::uint8_t* end) {
    if (static_cast<std::size_t>(end - p) < kFrameHeaderSize) {
        return std::nullopt;
    }
    const std::size_t length =
        static_cast<std::size_t>(p[5]) | (static_cast<std::size_t>(p[6]) << 8);
    if (length > kMaxPayload) {
        return std::nullopt;
    }
    return kFrameOverhead + length;
}

bool IsMark(const std::uint8_t* p, const std::uint8_t* end) {
    return p[0] == kFrameMark0 && (p + 1 == end || p[1] == kFrameMark1);
}

}  // namespace

// Nothing is reserved: a hub keeps one decoder per station, most of them idle.
FrameDecoder::FrameDecoder() {
    m_crc.push_back(0);
    ZeroBytePowers();
}

void FrameDecoder::Compact() {
    if (m_pos == 0) {
        return;
    }
    // The running values stay valid: the CRC of a stretch needs only their difference.
    m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_crc.erase(m_crc.begin(), m_crc.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_base += m_pos;
    m_pos = 0;
}

void FrameDecoder::Feed(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    Compact();
    m_buf.insert(m_buf.end(), data, data + size);
    std::uint16_t crc = m_crc.back();
    for (std::size_t i = 0; i < size; ++i) {
        crc = Crc16(data + i, 1, crc);
        m_crc.push_back(crc);
    }
}

void FrameDecoder::Reset() {
    m_base += m_buf.size();
    m_scanned = m_base;
    m_buf.clear();
    m_crc.assign(1, 0);
    m_pos = 0;
    m_waiting = {};
    m_good = {};
}

void FrameDecoder::Skip(std::size_t count) {
    m_discarded += count;
    m_pos += count;
}

std::optional<Frame> FrameDecoder::Next() {
    Frame frame;
    if (!Next(frame)) {
        return std::nullopt;
    }
    return frame;
}

// The CRC over seq..payload of the frame at index at, from the running values at both ends:
// the register over a stretch S of n bytes started at 0xFFFF is 0xFFFF * x^(8n) + S's own,
// and S's own is the running value after it less the one before it times x^(8n).
bool FrameDecoder::CrcMatches(std::size_t at, std::size_t total) const {
    const std::size_t from = at + 2;
    const std::size_t to = at + total - kFrameCrcSize;
    const auto before = static_cast<std::uint16_t>(0xFFFF ^ m_crc[from]);
    const std::uint16_t crc = MulMod(before, ZeroBytePowers()[to - from]) ^ m_crc[to];
    const std::uint8_t* tail = m_buf.data() + to;
    return crc == static_cast<std::uint16_t>(tail[0] | (tail[1] << 8));
}

// Makes every mark after the offset after, up to the last whose header is whole, a candidate;
// each byte is looked at once over the decoder's life.
void FrameDecoder::FindCandidates(std::uint64_t after) {
    const std::uint8_t* end = m_buf.data() + m_buf.size();
    std::uint64_t at = std::max(m_scanned, after + 1);
    for (; at + 1 < m_base + m_buf.size(); ++at) {
        const std::uint8_t* p = m_buf.data() + (at - m_base);
        if (p[0] != kFrameMark0 || p[1] != kFrameMark1) {
            continue;
        }
        if (static_cast<std::size_t>(end - p) < kFrameHeaderSize) {
            break;  // looked at again once its header is here
        }
        if (const auto total = FrameSize(p, end)) {
            m_waiting.push(Candidate{at, at + *total});
        }
    }
    m_scanned = at;
}

std::optional<std::size_t> FrameDecoder::LaterCompleteFrame(std::size_t mark) {
    const std::uint64_t markAt = m_base + mark;
    FindCandidates(markAt);
    const std::uint64_t end = m_base + m_buf.size();
    while (!m_waiting.empty() && m_waiting.top().end <= end) {
        const Candidate c = m_waiting.top();
        m_waiting.pop();
        if (c.at > markAt && CrcMatches(static_cast<std::size_t>(c.at - m_base), c.end - c.at)) {
            m_good.push(c.at);
        }
    }
    while (!m_good.empty() && m_good.top() <= markAt) {
        m_good.pop();
    }
    if (m_good.empty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(m_good.top() - m_base);
}

bool FrameDecoder::Next(Frame& out) {
    for (;;) {
        const std::uint8_t* begin = m_buf.data() + m_pos;
        const std::uint8_t* end = m_buf.data() + m_buf.size();
        // Search for the start mark; a lone first mark byte at the end may begin one.
        const std::uint8_t* mark = begin;
        while (mark < end && !IsMark(mark, end)) {
            ++mark;
        }
        Skip(static_cast<std::size_t>(mark - begin));
        const std::size_t available = static_cast<std::size_t>(end - mark);
        if (available < kFrameHeaderSize) {
            return false;
        }
        const auto total = FrameSize(mark, end);
        if (!total) {
            // Length above the limit: not a frame.
            ++m_badFrames;
            Skip(1);
            continue;
        }
        if (available < *total) {
            // Still incomplete. A stray mark in garbage may claim a length that swallows the
            // frames behind it; a complete, valid frame further on shows that it does.
            const auto later = LaterCompleteFrame(m_pos);
            if (!later) {
                return false;
            }
            ++m_badFrames;
            Skip(*later - m_pos);
            continue;
        }
        if (!CrcMatches(m_pos, *total)) {
            ++m_badFrames;
            Skip(1);
            continue;
        }
        out.seq = mark[2];
        out.cmd = mark[3];
        out.status = mark[4];
        out.payload.assign(mark + kFrameHeaderSize, mark + *total - kFrameCrcSize);
        m_pos += *total;
        if (m_pos == m_buf.size()) {
            Reset();
        }
        return true;
    }
}

}  // namespace vantel
