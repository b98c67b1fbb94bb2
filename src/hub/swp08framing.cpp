#include "hub/swp08framing.h"

#include <numeric>

namespace vantel {

using namespace swp08;

namespace {

// Message, count and checksum.
constexpr std::size_t kMaxFrame = kMaxMessage + 2;

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

}  // namespace

std::vector<std::uint8_t> EncodeSwp08(std::span<const std::uint8_t> message) {
    std::vector<std::uint8_t> body(message.begin(), message.end());
    body.push_back(static_cast<std::uint8_t>(message.size()));
    body.push_back(static_cast<std::uint8_t>(0x100 - Sum(body)));
    std::vector<std::uint8_t> frame{kDle, kStx};
    frame.reserve(body.size() * 2 + 4);
    for (const std::uint8_t byte : body) {
        frame.push_back(byte);
        if (byte == kDle) {
            frame.push_back(kDle);
        }
    }
    frame.push_back(kDle);
    frame.push_back(kEtx);
    return frame;
}

void CSwp08Decoder::Feed(std::span<const std::uint8_t> bytes, std::vector<Swp08Event>& events) {
    for (const std::uint8_t byte : bytes) {
        switch (m_state) {
            case State::kOutside:
                m_state = byte == kDle ? State::kOutsideDle : State::kOutside;
                break;
            case State::kOutsideDle:
                if (byte == kStx) {
                    Begin();
                } else if (byte == kAck || byte == kNak) {
                    events.push_back(
                        {byte == kAck ? Swp08Event::Kind::kAck : Swp08Event::Kind::kNak, {}});
                    m_state = State::kOutside;
                } else {
                    // Anything else outside a frame is noise; a DLE may start the next mark.
                    m_state = byte == kDle ? State::kOutsideDle : State::kOutside;
                }
                break;
            case State::kInside:
                Inside(byte);
                break;
            case State::kInsideDle:
                InsideDle(byte, events);
                break;
        }
    }
}

void CSwp08Decoder::Begin() {
    m_frame.clear();
    m_overlong = false;
    m_state = State::kInside;
}

void CSwp08Decoder::Inside(std::uint8_t byte) {
    if (byte == kDle) {
        m_state = State::kInsideDle;
    } else {
        Store(byte);
    }
}

void CSwp08Decoder::Store(std::uint8_t byte) {
    if (m_frame.size() < kMaxFrame) {
        m_frame.push_back(byte);
    } else {
        m_overlong = true;
    }
}

void CSwp08Decoder::InsideDle(std::uint8_t byte, std::vector<Swp08Event>& events) {
    switch (byte) {
        case kDle:
            // A doubled DLE is one data byte.
            m_state = State::kInside;
            Store(kDle);
            break;
        case kEtx:
            Finish(events);
            break;
        case kAck:
        case kNak:
            // An acknowledgement may come in the middle of a frame; the frame goes on.
            events.push_back({byte == kAck ? Swp08Event::Kind::kAck : Swp08Event::Kind::kNak, {}});
            m_state = State::kInside;
            break;
        case kStx:
            // A new frame starts before this one ended: this one is lost.
            events.push_back({Swp08Event::Kind::kBad, {}});
            Begin();
            break;
        default:
            events.push_back({Swp08Event::Kind::kBad, {}});
            m_state = State::kOutside;
            break;
    }
}

void CSwp08Decoder::Finish(std::vector<Swp08Event>& events) {
    m_state = State::kOutside;
    const bool sound = !m_overlong && m_frame.size() >= 3 &&
                       m_frame[m_frame.size() - 2] == m_frame.size() - 2 && Sum(m_frame) == 0;
    if (!sound) {
        events.push_back({Swp08Event::Kind::kBad, {}});
        return;
    }
    m_frame.resize(m_frame.size() - 2);
    events.push_back({Swp08Event::Kind::kMessage, std::move(m_frame)});
    m_frame = {};
}

}  // namespace vantel
