#include "link/framedecoder.h"

#include <algorithm>
#include <optional>

namespace vantel {

FrameDecoder::FrameDecoder() {
    m_buf.reserve(2 * kMaxFrameSize);
}

void FrameDecoder::Compact() {
    if (m_pos == 0) {
        return;
    }
    m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_pos = 0;
}

void FrameDecoder::Feed(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    Compact();
    m_buf.insert(m_buf.end(), data, data + size);
}

void FrameDecoder::Reset() {
    m_buf.clear();
    m_pos = 0;
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

namespace {

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

bool CrcMatches(const std::uint8_t* p, std::size_t total) {
    const std::uint8_t* tail = p + total - kFrameCrcSize;
    const std::uint16_t crc = Crc16(p + 2, total - kFrameCrcSize - 2);
    return crc == static_cast<std::uint16_t>(tail[0] | (tail[1] << 8));
}

bool IsMark(const std::uint8_t* p, const std::uint8_t* end) {
    return p[0] == kFrameMark0 && (p + 1 == end || p[1] == kFrameMark1);
}

// A complete frame with a good CRC that starts after begin and ends within the buffer.
const std::uint8_t* FindCompleteFrame(const std::uint8_t* begin, const std::uint8_t* end) {
    for (const std::uint8_t* p = begin + 1; p + 1 < end; ++p) {
        if (p[0] != kFrameMark0 || p[1] != kFrameMark1) {
            continue;
        }
        const auto total = FrameSize(p, end);
        if (total && *total <= static_cast<std::size_t>(end - p) && CrcMatches(p, *total)) {
            return p;
        }
    }
    return nullptr;
}

}  // namespace

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
            const std::uint8_t* later = FindCompleteFrame(mark, end);
            if (later == nullptr) {
                return false;
            }
            ++m_badFrames;
            Skip(static_cast<std::size_t>(later - mark));
            continue;
        }
        if (!CrcMatches(mark, *total)) {
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
