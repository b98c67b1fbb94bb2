#pragma once
// CSetupBlock: a whole copy of the 40-byte block in which the device keeps its own settings.
//
// Layout: mark (bytes 0-3), gateway (12-15), subnet mask (16-19), IP address (26-29), input
// count (35), output count (36), buzzer (37, bit 0 = on). Addresses are stored in dotted
// order, the first number at the lowest offset: 192.168.1.80 is C0 A8 01 50. Every other byte
// (4-11, 20-25, 30-34, 38-39) is carried exactly as read, so writing the block back never
// needs to know what those bytes mean. The setters edit the copy in place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class CSetupBlock {
public:
    static constexpr std::size_t kSetupBlockSize = 40;

    using Bytes = std::array<std::uint8_t, kSetupBlockSize>;
    // An IPv4 address in dotted order: {192, 168, 1, 80}.
    using Address = std::array<std::uint8_t, 4>;

    // A block of 40 zero bytes: no mark, so it is not valid and is never written back.
    CSetupBlock() = default;
    // Takes the first 40 bytes of the block; a shorter block is zero-filled behind its end.
    explicit CSetupBlock(std::span<const std::uint8_t> block);

    bool HasMark() const;

    int InputCount() const { return m_bytes[kInputCountAt]; }
    int OutputCount() const { return m_bytes[kOutputCountAt]; }
    // Only bit 0 counts, whatever the other bits hold.
    bool BuzzerOn() const { return (m_bytes[kBuzzerAt] & 1u) != 0; }
    Address Ip() const { return AddressAt(kIpAt); }
    Address Mask() const { return AddressAt(kMaskAt); }
    Address Gateway() const { return AddressAt(kGatewayAt); }

    void SetCounts(std::uint8_t inputs, std::uint8_t outputs);
    // Replaces the whole byte by 1 or 0, so its other bits are cleared.
    void SetBuzzer(bool on);
    void SetIp(const Address& ip) { PutAddress(kIpAt, ip); }
    void SetMask(const Address& mask) { PutAddress(kMaskAt, mask); }
    void SetGateway(const Address& gateway) { PutAddress(kGatewayAt, gateway); }

    const Bytes& Raw() const { return m_bytes; }
    // The block as the buffer of the write command, which writes nothing beyond its 40 bytes.
    std::uint8_t* Data() { return m_bytes.data(); }
    const std::uint8_t* Data() const { return m_bytes.data(); }

    bool operator==(const CSetupBlock&) const = default;

private:
    static constexpr std::size_t kGatewayAt = 12;
    static constexpr std::size_t kMaskAt = 16;
    static constexpr std::size_t kIpAt = 26;
    static constexpr std::size_t kInputCountAt = 35;
    static constexpr std::size_t kOutputCountAt = 36;
    static constexpr std::size_t kBuzzerAt = 37;

    Address AddressAt(std::size_t offset) const;
    void PutAddress(std::size_t offset, const Address& address);

    Bytes m_bytes{};
};
