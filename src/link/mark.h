#pragma once
// The mark that begins every block the device returns: the 32-bit little-endian word
// 0xEB9055AA, that is the bytes AA 55 90 EB in this order. A block without it is not valid.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace vantel {

inline constexpr std::uint32_t kMark = 0xEB9055AAu;
inline constexpr std::array<std::uint8_t, 4> kMarkBytes{0xAA, 0x55, 0x90, 0xEB};

// True when the block is at least four bytes long and begins with the mark bytes.
inline bool HasMark(std::span<const std::uint8_t> block) {
    return block.size() >= kMarkBytes.size() &&
           std::equal(kMarkBytes.begin(), kMarkBytes.end(), block.begin());
}

// Writes the mark into the first four bytes of a block of at least that size.
inline void PutMark(std::span<std::uint8_t> block) {
    if (block.size() >= kMarkBytes.size()) {
        std::copy(kMarkBytes.begin(), kMarkBytes.end(), block.begin());
    }
}

}  // namespace vantel
