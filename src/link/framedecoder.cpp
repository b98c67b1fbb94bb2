#include "link/framedecoder.h"

#include <algorithm>

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

bool FrameDecoder::Next(Frame& out) {
    for (;;) {
        const std::uint8_t* begin = m_buf.data() + m_pos;
        const std::uint8_t* end = m_buf.data() + m_buf.size();
        // Search for the start mark; a lone first mark byte at the end may begin one.
        const std::uint8_t* mark = begin;
        while (mark < end &&
               !(mark[0] == kFrameMark0 && (mark + 1 == end || mark[1] == kFrameMark1))) {
            ++mark;
        }
        Skip(static_cast<std::size_t>(mark - begin));
        const std::size_t available = static_cast<std::size_t>(end - mark);
        if (available < kFrameHeaderSize) {
            return false;
        }
        const std::size_t length =
            static_cast<std::size_t>(mark[5]) | (static_cast<std::size_t>(mark[6]) << 8);
        if (length > kMaxPayload) {
            ++m_badFrames;
            Skip(1);
            continue;
        }
        const std::size_t total = kFrameOverhead + length;
        if (available < total) {
            return false;
        }
        const std::uint16_t crc = Crc16(mark + 2, kFrameHeaderSize - 2 + length);
        const std::uint8_t* tail = mark + kFrameHeaderSize + length;
        if (crc != static_cast<std::uint16_t>(tail[0] | (tail[1] << 8))) {
            ++m_badFrames;
            Skip(1);
            continue;
        }
        out.seq = mark[2];
        out.cmd = mark[3];
        out.status = mark[4];
        out.payload.assign(mark + kFrameHeaderSize, tail);
        m_pos += total;
        if (m_pos == m_buf.size()) {
            Reset();
        }
        return true;
    }
}

}  // namespace vantel
