#pragma once
// FrameDecoder: turns a byte stream into frames. Garbage, cut frames and frames with a bad
// CRC or an over-long length are skipped: the decoder drops only the first byte of the
// supposed start mark and searches on, so a real frame hidden behind garbage is still found.
// A supposed frame that is still incomplete while a complete frame with a good CRC follows it
// (a cut frame, or a stray mark claiming a long length) is skipped too, so it cannot hold
// back the frames behind it. Drained after every Feed, its buffer never holds more than one
// largest frame plus one fed chunk.
//
// Its work is linear in the bytes fed, whatever they are: the CRC of any stretch of the buffer
// comes from running CRC values kept per byte in a few steps, every byte is looked at for a
// start mark once, and every supposed frame behind an incomplete one is checked once, when it
// is complete. So a stream of marks that each claim a long length (which would have every
// mark's CRC computed over thousands of bytes) costs no more than any other stream.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
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
    // A supposed frame behind the current one, by stream offsets.
    struct Candidate {
        std::uint64_t at;
        std::uint64_t end;
        bool operator>(const Candidate& other) const { return end > other.end; }
    };

    void Compact();
    void Skip(std::size_t count);
    bool CrcMatches(std::size_t at, std::size_t total) const;
    // The index of the first complete frame with a good CRC after the one at mark.
    std::optional<std::size_t> LaterCompleteFrame(std::size_t mark);
    void FindCandidates(std::uint64_t after);

    std::vector<std::uint8_t> m_buf;
    // m_crc[i]: the CRC register, started at 0, after m_buf[0..i); one more than m_buf.
    std::vector<std::uint16_t> m_crc;
    std::size_t m_pos = 0;        // first unread byte of m_buf
    std::uint64_t m_base = 0;     // stream offset of m_buf[0]
    std::uint64_t m_scanned = 0;  // stream offset up to which marks became candidates
    // Supposed frames not yet complete, the one that completes first on top.
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> m_waiting;
    // Stream offsets of complete frames with a good CRC, the first on top.
    std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> m_good;
    std::uint64_t m_discarded = 0;
    std::uint64_t m_badFrames = 0;
};

}  // namespace vantel
