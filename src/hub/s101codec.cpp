#include "hub/s101codec.h"

#include <array>

namespace vantel {

namespace {

constexpr std::uint8_t kBof = 0xFE;
constexpr std::uint8_t kEof = 0xFF;
constexpr std::uint8_t kCe = 0xFD;
constexpr std::uint8_t kXor = 0x20;
constexpr std::uint8_t kFirstEscaped = 0xF8;

constexpr std::uint8_t kSlot = 0x00;
constexpr std::uint8_t kMessageEmber = 0x0E;
constexpr std::uint8_t kCommandEmber = 0x00;
constexpr std::uint8_t kCommandKeepAliveRequest = 0x01;
constexpr std::uint8_t kCommandKeepAliveResponse = 0x02;
constexpr std::uint8_t kVersion = 0x01;
constexpr std::uint8_t kFlagFirst = 0x80;
constexpr std::uint8_t kFlagLast = 0x40;
constexpr std::uint8_t kFlagEmpty = 0x20;
constexpr std::uint8_t kDtdGlow = 0x01;
// Glow DTD version 2.31, minor byte first.
constexpr std::uint8_t kGlowMinor = 0x1F;
constexpr std::uint8_t kGlowMajor = 0x02;
// A CRC over a frame's bytes and its own two bytes comes to this.
constexpr std::uint16_t kCrcResidue = 0xF0B8;
// Message header, CRC: the shortest frame that can be sound.
constexpr std::size_t kMinFrame = 3 + 2;

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0x8408U : crc >> 1;
        }
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}
constexpr auto kCrcTable = MakeCrcTable();

std::uint16_t CrcRun(std::string_view bytes) {
    unsigned crc = 0xFFFF;
    for (const char c : bytes) {
        crc = (crc >> 8) ^ kCrcTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFFU];
    }
    return static_cast<std::uint16_t>(crc);
}

void PutEscaped(std::string& out, std::uint8_t b) {
    if (b >= kFirstEscaped) {
        out.push_back(static_cast<char>(kCe));
        out.push_back(static_cast<char>(b ^ kXor));
    } else {
        out.push_back(static_cast<char>(b));
    }
}

// BOF, the message escaped, its CRC escaped, EOF.
std::string Frame(std::string_view message) {
    std::string out(1, static_cast<char>(kBof));
    out.reserve(message.size() + message.size() / 8 + 8);
    for (const char c : message) {
        PutEscaped(out, static_cast<std::uint8_t>(c));
    }
    const std::uint16_t crc = S101Crc(message);
    PutEscaped(out, static_cast<std::uint8_t>(crc & 0xFFU));
    PutEscaped(out, static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<char>(kEof));
    return out;
}

std::string Header(std::uint8_t command) {
    return {static_cast<char>(kSlot), static_cast<char>(kMessageEmber), static_cast<char>(command),
            static_cast<char>(kVersion)};
}

std::string Packet(std::uint8_t flags, std::string_view part) {
    std::string message = Header(kCommandEmber);
    message += {static_cast<char>(flags), static_cast<char>(kDtdGlow), 2,
                static_cast<char>(kGlowMinor), static_cast<char>(kGlowMajor)};
    message += part;
    return Frame(message);
}

}  // namespace

std::uint16_t S101Crc(std::string_view bytes) {
    return static_cast<std::uint16_t>(~CrcRun(bytes));
}

std::string S101EmberFrames(std::string_view glow) {
    if (glow.size() <= CS101Reader::kPacketSize) {
        return Packet(kFlagFirst | kFlagLast, glow);
    }
    std::string out;
    for (std::size_t at = 0; at < glow.size(); at += CS101Reader::kPacketSize) {
        const auto part = glow.substr(at, CS101Reader::kPacketSize);
        std::uint8_t flags = 0;
        if (at == 0) {
            flags |= kFlagFirst;
        }
        if (at + part.size() == glow.size()) {
            flags |= kFlagLast;
        }
        out += Packet(flags, part);
    }
    return out;
}

std::string S101KeepAliveRequest() {
    return Frame(Header(kCommandKeepAliveRequest));
}

std::string S101KeepAliveResponse() {
    return Frame(Header(kCommandKeepAliveResponse));
}

void CS101Reader::Feed(std::string_view bytes, std::vector<S101Message>& out) {
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b == kBof) {
            if (m_inFrame) {
                ++m_dropped;  // a frame cut short by the next one
            }
            m_inFrame = true;
            m_escaped = false;
            m_frame.clear();
        } else if (!m_inFrame) {
            continue;  // noise between frames
        } else if (b == kEof) {
            EndFrame(out);
        } else if (b == kCe) {
            m_escaped = true;
        } else if (m_frame.size() >= kMaxFrame) {
            ++m_dropped;
            m_inFrame = false;  // the rest of it is skipped up to the next BOF
        } else {
            m_frame.push_back(static_cast<char>(m_escaped ? b ^ kXor : b));
            m_escaped = false;
        }
    }
}

void CS101Reader::EndFrame(std::vector<S101Message>& out) {
    m_inFrame = false;
    const std::string_view frame(m_frame);
    if (frame.size() < kMinFrame || m_escaped || CrcRun(frame) != kCrcResidue) {
        ++m_dropped;
        return;
    }
    const std::string_view message = frame.substr(0, frame.size() - 2);
    if (static_cast<std::uint8_t>(message[0]) != kSlot ||
        static_cast<std::uint8_t>(message[1]) != kMessageEmber) {
        ++m_dropped;
        return;
    }
    switch (static_cast<std::uint8_t>(message[2])) {
        case kCommandKeepAliveRequest:
            out.push_back({S101Message::Kind::kKeepAliveRequest, {}});
            return;
        case kCommandKeepAliveResponse:
            out.push_back({S101Message::Kind::kKeepAliveResponse, {}});
            return;
        case kCommandEmber:
            Packet(message.substr(3), out);
            return;
        default:
            ++m_dropped;
    }
}

// version, flags, DTD, the count of application bytes, those bytes, then the payload part.
void CS101Reader::Packet(std::string_view packet, std::vector<S101Message>& out) {
    if (packet.size() < 4 || static_cast<std::uint8_t>(packet[2]) != kDtdGlow) {
        Drop();
        return;
    }
    const auto flags = static_cast<std::uint8_t>(packet[1]);
    const auto appBytes = static_cast<std::uint8_t>(packet[3]);
    if (packet.size() < 4U + appBytes) {
        Drop();
        return;
    }
    const std::string_view part = packet.substr(4U + appBytes);
    if ((flags & kFlagEmpty) != 0) {
        return;  // an empty packet carries nothing, a keep-alive of sorts
    }
    if ((flags & kFlagFirst) != 0) {
        m_message.clear();
        m_inMessage = true;
    } else if (!m_inMessage) {
        Drop();  // a later part of a message whose start was not seen
        return;
    }
    if (m_message.size() + part.size() > kMaxMessage) {
        Drop();
        return;
    }
    m_message += part;
    if ((flags & kFlagLast) != 0) {
        out.push_back({S101Message::Kind::kEmber, std::move(m_message)});
        m_message.clear();
        m_inMessage = false;
    }
}

void CS101Reader::Drop() {
    ++m_dropped;
    m_message.clear();
    m_inMessage = false;
}

}  // namespace vantel
