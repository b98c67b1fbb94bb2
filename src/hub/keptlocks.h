#pragma once
// CKeptLocks: the hub's output locks as they outlive it. The table is read from the lock file
// beside the settings file at start; every change is written there before it counts, so a
// lock that was answered as made also holds after a restart, and each change made is logged
// and recorded for the action journal (who, which output, whose lock a force opened).

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "hub/locktable.h"

namespace vantel {

class CKeptLocks {
public:
    using Log = std::function<void(const std::string&)>;
    // A kind ("lock", "unlock", "force unlock") and what it was.
    using Record = std::function<void(const std::string& action, const std::string& text)>;

    // Takes the locks kept beside settingsPath (none kept when it is empty).
    CKeptLocks(const std::string& settingsPath, Log log, Record record);

    const CLockTable& Table() const { return m_table; }
    // Lock changes of one request: all or none, and none when they cannot be written.
    bool Apply(const LockOwner& owner, const std::vector<std::pair<int, char>>& changes,
               bool allowForce);
    // The table follows the device's output count; locks of outputs it no longer has end.
    void Fit(int outputs);

private:
    bool Save();

    CLockTable m_table;
    std::string m_file;  // empty: locks are not kept
    Log m_log;
    Record m_record;
};

}  // namespace vantel
