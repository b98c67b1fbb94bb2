#pragma once
// What an SW-P-08 client asks for in one message, checked against the device's counts. The
// face serves matrix 0, level 0 (the video level); destination n is output n, source n input n
// (both from 0). A message for another matrix or level, naming a port the device lacks, too
// short for its fields, or of a command the face does not serve is kIgnore: it is
// acknowledged and changes nothing. Bytes after a message's fields are ignored.

#include <cstdint>
#include <span>

namespace vantel {

namespace swp08 {
// Requests (received) and answers (sent); the extended forms carry 16-bit numbers and
// separate matrix and level bytes.
inline constexpr std::uint8_t kInterrogate = 0x01;
inline constexpr std::uint8_t kConnect = 0x02;
inline constexpr std::uint8_t kTally = 0x03;
inline constexpr std::uint8_t kConnected = 0x04;
inline constexpr std::uint8_t kDualStatusRequest = 0x08;
inline constexpr std::uint8_t kDualStatus = 0x09;
inline constexpr std::uint8_t kProtectInterrogate = 0x0A;
inline constexpr std::uint8_t kProtectTally = 0x0B;
inline constexpr std::uint8_t kProtectConnect = 0x0C;
inline constexpr std::uint8_t kProtectConnected = 0x0D;
inline constexpr std::uint8_t kProtectDisconnect = 0x0E;
inline constexpr std::uint8_t kProtectDisconnected = 0x0F;
inline constexpr std::uint8_t kTallyDumpRequest = 0x15;
inline constexpr std::uint8_t kTallyDumpWord = 0x17;
inline constexpr std::uint8_t kImplementationRequest = 0x61;
inline constexpr std::uint8_t kImplementation = 0x62;
inline constexpr std::uint8_t kSourceNamesRequest = 0x64;
inline constexpr std::uint8_t kDestNamesRequest = 0x66;
inline constexpr std::uint8_t kSourceNames = 0x6A;
inline constexpr std::uint8_t kDestNames = 0x6B;
inline constexpr std::uint8_t kInterrogateExt = 0x81;
inline constexpr std::uint8_t kConnectExt = 0x82;
inline constexpr std::uint8_t kTallyExt = 0x83;
inline constexpr std::uint8_t kConnectedExt = 0x84;
inline constexpr std::uint8_t kTallyDumpRequestExt = 0x95;
inline constexpr std::uint8_t kTallyDumpExt = 0x97;
inline constexpr std::uint8_t kSourceNamesRequestExt = 0xE4;
inline constexpr std::uint8_t kDestNamesRequestExt = 0xE6;
inline constexpr std::uint8_t kSourceNamesExt = 0xEA;
inline constexpr std::uint8_t kDestNamesExt = 0xEB;
}  // namespace swp08

enum class Swp08Kind {
    kIgnore,
    kInterrogate,         // output
    kConnect,             // output, input
    kTallyDump,           //
    kSourceNames,         // nameLength
    kDestNames,           // nameLength
    kProtectInterrogate,  // output, device
    kProtectConnect,      // output, device
    kProtectDisconnect,   // output, device
    kImplementation,      //
    kDualStatus,          //
};

struct Swp08Request {
    Swp08Kind kind = Swp08Kind::kIgnore;
    bool extended = false;  // answered in the extended form
    int output = 0;
    int input = 0;
    int nameLength = 0;  // 4, 8 or 12 characters
    int device = 0;      // the protecting device's number, echoed in the answer

    bool operator==(const Swp08Request&) const = default;
};

// The request of a message (command byte first) for a device of these counts (0 and 0 while
// no device is present: then only the requests that name no port are served).
Swp08Request ParseSwp08(std::span<const std::uint8_t> message, int inputs, int outputs);

}  // namespace vantel
