#include "link/setupblock.h"

#include <algorithm>

#include "link/mark.h"

CSetupBlock::CSetupBlock(std::span<const std::uint8_t> block) {
    const std::size_t n = std::min(block.size(), kSetupBlockSize);
    std::copy_n(block.begin(), n, m_bytes.begin());
}

bool CSetupBlock::HasMark() const {
    return vantel::HasMark(m_bytes);
}

void CSetupBlock::SetCounts(std::uint8_t inputs, std::uint8_t outputs) {
    m_bytes[kInputCountAt] = inputs;
    m_bytes[kOutputCountAt] = outputs;
}

void CSetupBlock::SetBuzzer(bool on) {
    m_bytes[kBuzzerAt] = on ? 1 : 0;
}

CSetupBlock::Address CSetupBlock::AddressAt(std::size_t offset) const {
    Address address{};
    std::copy_n(m_bytes.begin() + offset, address.size(), address.begin());
    return address;
}

void CSetupBlock::PutAddress(std::size_t offset, const Address& address) {
    std::copy(address.begin(), address.end(), m_bytes.begin() + offset);
}
