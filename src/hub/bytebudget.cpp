#include "hub/bytebudget.h"

#include <algorithm>

namespace vantel {

void CByteBudget::Join(ClientId client, std::function<void()> drop) {
    m_holders[client].drop = std::move(drop);
}

void CByteBudget::Leave(ClientId client) {
    const auto it = m_holders.find(client);
    if (it != m_holders.end()) {
        m_held -= it->second.bytes;
        m_holders.erase(it);
    }
}

bool CByteBudget::Add(ClientId client, std::size_t n) {
    while (m_held + n > m_total) {
        const auto largest = std::max_element(
            m_holders.begin(), m_holders.end(),
            [](const auto& a, const auto& b) { return a.second.bytes < b.second.bytes; });
        if (largest == m_holders.end() || largest->first == client || largest->second.bytes == 0) {
            return false;
        }
        const ClientId dropped = largest->first;
        const auto drop = largest->second.drop;
        if (drop) {
            drop();
        }
        Leave(dropped);
    }
    m_held += n;
    m_holders[client].bytes += n;
    return true;
}

void CByteBudget::Remove(ClientId client, std::size_t n) {
    const auto it = m_holders.find(client);
    if (it == m_holders.end()) {
        return;
    }
    const std::size_t removed = std::min(n, it->second.bytes);
    it->second.bytes -= removed;
    m_held -= removed;
}

}  // namespace vantel
