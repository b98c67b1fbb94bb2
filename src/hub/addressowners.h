#pragma once
// CAddressOwners: who owns what a client of the SW-P-08 face protects. A protect belongs to
// the client's address, not to its connection: every connection from that address shares it,
// it outlives the connection, and clients of other addresses are refused by it. Each address
// gets an owner identity of its own, from a range that connection ids never reach.

#include <map>
#include <string>

#include "hub/hubsnapshot.h"

namespace vantel {

class CAddressOwners {
public:
    // The owner of the address (the peer's IP address as text), the same each time it is asked.
    ClientId For(const std::string& address);

private:
    static constexpr ClientId kFirst = ClientId{1} << 62;

    std::map<std::string, ClientId> m_owners;
};

}  // namespace vantel
