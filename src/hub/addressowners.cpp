#include "hub/addressowners.h"

namespace vantel {

ClientId CAddressOwners::For(const std::string& address) {
    return m_owners.try_emplace(address, kFirst + static_cast<ClientId>(m_owners.size()))
        .first->second;
}

}  // namespace vantel
