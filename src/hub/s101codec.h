#pragma once
// S101: the framing under the Ember+ face. A frame is BOF (0xFE), the message, its CRC (the
// reflected CCITT polynomial, sent low byte first) and EOF (0xFF); inside a frame every byte
// from 0xF8 up is sent as CE (0xFD) followed by the byte XOR 0x20. A message is slot 0,
// message type 0x0E and a command: 0 an Ember packet (version 1, flags, DTD 1 with its two
// version bytes, then a part of the Glow payload), 1 a keep-alive request, 2 its response.
//
// CS101Reader cuts frames from a byte stream in one pass over it: a frame with a bad CRC, one
// longer than kMaxFrame, a packet of an unknown kind and a payload past kMaxMessage are
// dropped, and reading goes on at the next BOF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

// The CRC of the bytes, as it is sent (already inverted).
std::uint16_t S101Crc(std::string_view bytes);

// The frames that carry a Glow payload: one packet, or several of at most kPacketSize bytes
// of payload each (flags first, middle, last).
std::string S101EmberFrames(std::string_view glow);
std::string S101KeepAliveRequest();
std::string S101KeepAliveResponse();

struct S101Message {
    enum class Kind { kKeepAliveRequest, kKeepAliveResponse, kEmber };
    Kind kind = Kind::kEmber;
    std::string glow;  // the whole payload of an Ember message
};

class CS101Reader {
public:
    static constexpr std::size_t kPacketSize = 1024;
    // The longest frame taken, unescaped: a packet with some room for a peer's own split.
    static constexpr std::size_t kMaxFrame = 8 * 1024;
    // The longest payload taken across the packets of one message.
    static constexpr std::size_t kMaxMessage = 256 * 1024;

    // Appends to out every message completed by these bytes.
    void Feed(std::string_view bytes, std::vector<S101Message>& out);
    // Frames dropped so far (bad CRC, too long, unknown kind, broken multi-packet message).
    std::size_t Dropped() const { return m_dropped; }

private:
    void EndFrame(std::vector<S101Message>& out);
    void Packet(std::string_view packet, std::vector<S101Message>& out);
    void Drop();

    std::string m_frame;
    bool m_inFrame = false;
    bool m_escaped = false;
    std::string m_message;  // the parts so far of a message of several packets
    bool m_inMessage = false;
    std::size_t m_dropped = 0;
};

}  // namespace vantel
