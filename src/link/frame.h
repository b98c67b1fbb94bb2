#pragma once
// Wire frames of the device link, the same on serial and TCP and in both directions:
//
//   0x56 0x54 | seq | cmd | status | length (2, LE) | payload (length) | CRC-16 (2, LE)
//
// The CRC is CRC-16/CCITT-FALSE (poly 0x1021, init 0xFFFF, no reflection, no final xor) over
// seq, cmd, status, length and payload. Requests carry status 0; replies echo seq and cmd and
// carry 0 (done) or one of the refusal codes below.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantel {

inline constexpr std::uint8_t kFrameMark0 = 0x56;
inline constexpr std::uint8_t kFrameMark1 = 0x54;
inline constexpr std::size_t kMaxPayload = 4096;
// mark (2) + seq + cmd + status + length (2)
inline constexpr std::size_t kFrameHeaderSize = 7;
inline constexpr std::size_t kFrameCrcSize = 2;
inline constexpr std::size_t kFrameOverhead = kFrameHeaderSize + kFrameCrcSize;
inline constexpr std::size_t kMaxFrameSize = kMaxPayload + kFrameOverhead;

// Status byte of a reply.
enum FrameStatus : std::uint8_t {
    kStatusOk = 0,
    kStatusUnknownCommand = 1,
    kStatusBadLength = 2,
    kStatusOutOfRange = 3,  // scene or port number out of range
    kStatusNoMark = 4,      // a block without the mark AA 55 90 EB
};

struct Frame {
    std::uint8_t seq = 0;
    std::uint8_t cmd = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> payload;

    bool operator==(const Frame&) const = default;
};

// CRC-16/CCITT-FALSE of data; crc carries on from an earlier part.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0xFFFF);

// Appends the encoded frame to out. Returns false (out unchanged) when size > kMaxPayload.
bool AppendFrame(std::vector<std::uint8_t>& out, std::uint8_t seq, std::uint8_t cmd,
                 std::uint8_t status, const std::uint8_t* payload, std::size_t size);
// The encoded frame; empty when the payload is longer than kMaxPayload.
std::vector<std::uint8_t> EncodeFrame(const Frame& frame);

}  // namespace vantel

// Users of the frame layout usually need the decoder too.
#include "link/framedecoder.h"  // IWYU pragma: export
