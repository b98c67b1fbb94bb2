#pragma once
// The framing of the SW-P-08 face: a message (command byte and its fields) travels as
// DLE STX, the message, its byte count and checksum, DLE ETX, with every DLE inside doubled.
// The byte count counts the message; the checksum makes the sum of message, count and
// checksum 0 modulo 256. A receiver answers DLE ACK for a frame whose count and checksum are
// right and DLE NAK otherwise; DLE ACK and DLE NAK may also come between or inside frames.
//
// CSwp08Decoder looks at each received byte once and keeps at most one frame: bytes outside a
// frame are skipped, a frame longer than a message can be is read to its end and reported bad.

#include <cstdint>
#include <span>
#include <vector>

namespace vantel {

namespace swp08 {
inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
// The byte count is one byte: no message is longer.
inline constexpr std::size_t kMaxMessage = 255;
}  // namespace swp08

// What the decoder found in the bytes.
struct Swp08Event {
    enum class Kind {
        kMessage,  // a good frame: message holds its command byte and fields
        kBad,      // a frame with a wrong count or checksum, too long, or cut short: NAK it
        kAck,      // the peer's DLE ACK
        kNak,      // the peer's DLE NAK
    };
    Kind kind = Kind::kMessage;
    std::vector<std::uint8_t> message;

    bool operator==(const Swp08Event&) const = default;
};

// The frame of a message (command byte first); the message must not be empty nor longer than
// kMaxMessage.
std::vector<std::uint8_t> EncodeSwp08(std::span<const std::uint8_t> message);

class CSwp08Decoder {
public:
    // Decodes the bytes, appending what they complete to events.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<Swp08Event>& events);

private:
    enum class State { kOutside, kOutsideDle, kInside, kInsideDle };

    void Inside(std::uint8_t byte);
    void Store(std::uint8_t byte);
    void InsideDle(std::uint8_t byte, std::vector<Swp08Event>& events);
    void Finish(std::vector<Swp08Event>& events);
    void Begin();

    State m_state = State::kOutside;
    std::vector<std::uint8_t> m_frame;  // message, count and checksum, unstuffed
    bool m_overlong = false;
};

}  // namespace vantel
