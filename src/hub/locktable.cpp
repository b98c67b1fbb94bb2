#include "hub/locktable.h"

#include <algorithm>

namespace vantel {

void CLockTable::Resize(int outputs) {
    m_owners.resize(static_cast<std::size_t>(std::max(outputs, 0)));
}

bool CLockTable::Any() const {
    return std::any_of(m_owners.begin(), m_owners.end(),
                       [](const LockOwner& owner) { return !owner.IsNobody(); });
}

bool CLockTable::IsLocked(int output) const {
    return output >= 0 && output < static_cast<int>(m_owners.size()) &&
           !m_owners[static_cast<std::size_t>(output)].IsNobody();
}

bool CLockTable::HeldByOther(int output, const LockOwner& owner) const {
    return IsLocked(output) && m_owners[static_cast<std::size_t>(output)] != owner;
}

bool CLockTable::Allowed(const LockOwner& owner, int output, char change, bool allowForce) const {
    if (owner.IsNobody() || output < 0 || output >= static_cast<int>(m_owners.size())) {
        return false;
    }
    switch (change) {
        case 'O':
        case 'U':
            return !HeldByOther(output, owner);
        case 'F':
            return allowForce;
        default:
            return false;
    }
}

bool CLockTable::Apply(const LockOwner& owner, const std::vector<std::pair<int, char>>& changes,
                       bool allowForce, std::vector<LockEvent>* events) {
    for (const auto& [output, change] : changes) {
        if (!Allowed(owner, output, change, allowForce)) {
            return false;
        }
    }
    for (const auto& [output, change] : changes) {
        LockOwner& held = m_owners[static_cast<std::size_t>(output)];
        LockOwner next = change == 'O' ? owner : LockOwner();
        if (next == held) {
            continue;
        }
        if (events) {
            events->push_back(LockEvent{output, change, owner, held});
        }
        held = std::move(next);
    }
    return true;
}

}  // namespace vantel
