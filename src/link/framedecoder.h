#pragma once
// FrameDecoder: turns a byte stream into frames. Garbage, cut frames and frames with a bad
// CRC or an over-long length are skipped: the decoder drops only the first byte of the
// supposed start mark and searches on, so a real frame hidden behind garbage is still found.
// A supposed frame that is still incomplete while a complete frame with a good CRC follows it
// (a cut frame, or a stray mark claiming a long length) is skipped too, so it cannot hold
// back the frames behind it. Drained after every Feed, its buffer never holds more than one
// largest frame plus one fed chunk.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/frame.h"

namespace vantel {

class FrameDecoder {
public:
    FrameDecoder();

    // Adds received bytes. Never grows the buffer beyond what one frame needs plus size.
    void Feed(const std::uint8_t* data, std::size_t size);
    // The next complete, valid frame, or nothing until more bytes arrive.
    std::optional<Frame> Next();
    // The same into a caller's frame, reusing its payload storage. True when a frame was taken.
    bool Next(Frame& out);
    // Forgets buffered bytes (after a reconnect, or to drop a half-received frame).
    void Reset();

    // Bytes skipped while searching for a start mark (bad frames included).
    std::uint64_t DiscardedBytes() const { return m_discarded; }
    // Supposed frames dropped for a bad CRC or a length above kMaxPayload.
    std::uint64_t BadFrames() const { return m_badFrames; }
    // Bytes waiting for the rest of a frame.
    std::size_t Buffered() const { return m_buf.size() - m_pos; }

private:
    void Compact();
    void Skip(std::size_t count);

    std::vector<std::uint8_t> m_buf;
    std::size_t m_pos = 0;  // first unread byte of m_buf
    std::uint64_t m_discarded = 0;
    std::uint64_t m_badFrames = 0;
};

}  // namespace vantel
