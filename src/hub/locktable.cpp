#include "hub/locktable.h"

#include <algorithm>

namespace vantel {

void CLockTable::Resize(int outputs) {
    m_owners.resize(static_cast<std::size_t>(std::max(outputs, 0)), ClientId{0});
}

bool CLockTable::Any() const {
    return std::any_of(m_owners.begin(), m_owners.end(), [](ClientId c) { return c != 0; });
}

bool CLockTable::HeldByOther(int output, ClientId client) const {
    if (output < 0 || output >= static_cast<int>(m_owners.size())) {
        return false;
    }
    const ClientId owner = m_owners[static_cast<std::size_t>(output)];
    return owner != 0 && owner != client;
}

bool CLockTable::Allowed(ClientId client, int output, char change, bool allowForce) const {
    if (output < 0 || output >= static_cast<int>(m_owners.size())) {
        return false;
    }
    switch (change) {
        case 'O':
        case 'U':
            return !HeldByOther(output, client);
        case 'F':
            return allowForce;
        default:
            return false;
    }
}

bool CLockTable::Apply(ClientId client, const std::vector<std::pair<int, char>>& changes,
                       bool allowForce) {
    for (const auto& [output, change] : changes) {
        if (!Allowed(client, output, change, allowForce)) {
            return false;
        }
    }
    for (const auto& [output, change] : changes) {
        m_owners[static_cast<std::size_t>(output)] = change == 'O' ? client : ClientId{0};
    }
    return true;
}

void CLockTable::Release(ClientId client) {
    std::replace(m_owners.begin(), m_owners.end(), client, ClientId{0});
}

}  // namespace vantel
