#pragma once
// CLockTable: who holds the lock of each output (a LockOwner: an address or a user). A locked
// output can be changed only by its owner; the lock ends when its owner unlocks it (from any
// of its connections) or when it is forced open where the hub allows that. Connections coming
// and going change nothing here.

#include <utility>
#include <vector>

#include "hub/lockowner.h"

namespace vantel {

// One lock change that was made: 'O' locked, 'U' unlocked, 'F' forced open; previous is who
// held the output before.
struct LockEvent {
    int output = 0;
    char change = 'O';
    LockOwner by;
    LockOwner previous;
};

class CLockTable {
public:
    // Outputs 0..outputs-1; locks of outputs beyond end.
    void Resize(int outputs);
    // Takes the locks of a stored table (the outputs it covers, as stored).
    void Restore(std::vector<LockOwner> owners) { m_owners = std::move(owners); }
    const std::vector<LockOwner>& Owners() const { return m_owners; }
    bool Any() const;
    bool IsLocked(int output) const;
    // True when another owner than this one holds output j's lock.
    bool HeldByOther(int output, const LockOwner& owner) const;
    // Applies ('O' lock, 'U' unlock, 'F' force unlock) for the owner, all or none: false, and
    // nothing changed, when one of them is not the owner's to make. The changes that altered a
    // lock are appended to events.
    bool Apply(const LockOwner& owner, const std::vector<std::pair<int, char>>& changes,
               bool allowForce, std::vector<LockEvent>* events = nullptr);

private:
    bool Allowed(const LockOwner& owner, int output, char change, bool allowForce) const;

    std::vector<LockOwner> m_owners;
};

}  // namespace vantel
