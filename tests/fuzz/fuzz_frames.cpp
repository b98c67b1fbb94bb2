// Wire frames as both ends decode them: the link reading replies from a device, and the
// device model reading requests. The first input byte picks the side and how the rest is cut
// into reads; no input may crash, overrun a buffer or hand a caller a wrong reply.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "device/deviceport.h"
#include "device/switcher.h"
#include "link/frame.h"
#include "link/memorytransport.h"
#include "link/vexalib.h"

namespace {

using vantel::Frame;
using vantel::FrameDecoder;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The decoder fed in slices: every frame it gives back must encode to bytes of the input.
void DecodeSlices(const std::uint8_t* data, std::size_t size, std::size_t slice) {
    FrameDecoder decoder;
    Frame frame;
    for (std::size_t offset = 0; offset < size; offset += slice) {
        const std::size_t n = std::min(slice, size - offset);
        decoder.Feed(data + offset, n);
        while (decoder.Next(frame)) {
            Check(frame.payload.size() <= vantel::kMaxPayload);
            const auto encoded = vantel::EncodeFrame(frame);
            Check(!encoded.empty());
        }
        Check(decoder.Buffered() <= vantel::kMaxFrameSize + slice);
    }
}

// The link reading the input as the device's answer to a command into a small buffer with a
// guard region behind it.
void LinkReads(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> stream(data, data + size);
    CVexaLib link;
    link.SetTransportFactory([&stream](const std::string&) {
        return std::make_unique<vantel::MemoryTransport>(
            [&stream](const std::uint8_t*, std::size_t, std::vector<std::uint8_t>& reply) {
                reply = stream;
            });
    });
    link.Open("COM1");
    constexpr std::size_t kCapacity = 64;
    std::uint8_t buf[kCapacity + 16];
    std::memset(buf, 0xCC, sizeof buf);
    buf[0] = 0;
    link.Command(7, buf, kCapacity, 1, 0);
    for (std::size_t i = kCapacity; i < sizeof buf; ++i) {
        Check(buf[i] == 0xCC);
    }
}

// The device model reading the input as requests.
void DeviceReads(const std::uint8_t* data, std::size_t size, std::size_t slice) {
    vantel::CSwitcher device(8, 8);
    vantel::CDevicePort port(device);
    std::vector<std::uint8_t> out;
    for (std::size_t offset = 0; offset < size; offset += slice) {
        const std::size_t n = std::min(slice, size - offset);
        port.Feed(data + offset, n, out);
    }
    DecodeSlices(out.data(), out.size(), out.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t selector = data[0];
    const std::size_t slice = 1 + (selector >> 2) * 37;
    ++data;
    --size;
    switch (selector & 3) {
        case 0:
            DecodeSlices(data, size, slice);
            break;
        case 1:
            LinkReads(data, size);
            break;
        default:
            DeviceReads(data, size, slice);
            break;
    }
    return 0;
}
