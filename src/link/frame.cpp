#include "link/frame.h"

#include <array>

namespace vantel {

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

bool AppendFrame(std::vector<std::uint8_t>& out, std::uint8_t seq, std::uint8_t cmd,
                 std::uint8_t status, const std::uint8_t* payload, std::size_t size) {
    if (size > kMaxPayload) {
        return false;
    }
    const std::size_t start = out.size();
    out.resize(start + kFrameOverhead + size);
    std::uint8_t* p = out.data() + start;
    p[0] = kFrameMark0;
    p[1] = kFrameMark1;
    p[2] = seq;
    p[3] = cmd;
    p[4] = status;
    p[5] = static_cast<std::uint8_t>(size & 0xFF);
    p[6] = static_cast<std::uint8_t>(size >> 8);
    for (std::size_t i = 0; i < size; ++i) {
        p[kFrameHeaderSize + i] = payload[i];
    }
    const std::uint16_t crc = Crc16(p + 2, kFrameHeaderSize - 2 + size);
    p[kFrameHeaderSize + size] = static_cast<std::uint8_t>(crc & 0xFF);
    p[kFrameHeaderSize + size + 1] = static_cast<std::uint8_t>(crc >> 8);
    return true;
}

std::vector<std::uint8_t> EncodeFrame(const Frame& frame) {
    std::vector<std::uint8_t> out;
    AppendFrame(out, frame.seq, frame.cmd, frame.status, frame.payload.data(),
                frame.payload.size());
    return out;
}

}  // namespace vantel
