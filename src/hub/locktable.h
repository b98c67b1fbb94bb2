#pragma once
// CLockTable: which client holds the lock of each output. A locked output can be changed only
// by its owner; the lock ends when its owner releases it or goes away, or when it is forced
// open where the hub allows that.

#include <utility>
#include <vector>

#include "hub/hubsnapshot.h"

namespace vantel {

class CLockTable {
public:
    // Outputs 0..outputs-1; locks of outputs beyond end.
    void Resize(int outputs);
    const std::vector<ClientId>& Owners() const { return m_owners; }
    bool Any() const;
    // True when another client than this one holds output j's lock.
    bool HeldByOther(int output, ClientId client) const;
    // Applies ('O' lock, 'U' unlock, 'F' force unlock) for the client, all or none: false, and
    // nothing changed, when one of them is not the client's to make.
    bool Apply(ClientId client, const std::vector<std::pair<int, char>>& changes, bool allowForce);
    // Ends every lock that the client holds.
    void Release(ClientId client);

private:
    bool Allowed(ClientId client, int output, char change, bool allowForce) const;

    std::vector<ClientId> m_owners;
};

}  // namespace vantel
