#include "hub/keptlocks.h"

#include <algorithm>

#include "hub/lockfile.h"

namespace vantel {

namespace {

std::string LockText(const LockEvent& event) {
    std::string text = "out " + std::to_string(event.output + 1) + " by " + event.by.Describe();
    if (event.change == 'F') {
        text += ", held by " + event.previous.Describe();
    }
    return text;
}

const char* LockAction(char change) {
    return change == 'O' ? "lock" : change == 'U' ? "unlock" : "force unlock";
}

}  // namespace

CKeptLocks::CKeptLocks(const std::string& settingsPath, Log log, Record record)
    : m_file(LockFileBeside(settingsPath)), m_log(std::move(log)), m_record(std::move(record)) {
    m_table.Restore(ReadLockFile(m_file));
    if (m_table.Any()) {
        m_log("output locks kept in " + m_file + " hold again");
    }
}

bool CKeptLocks::Apply(const LockOwner& owner, const std::vector<std::pair<int, char>>& changes,
                       bool allowForce) {
    const auto before = m_table.Owners();
    std::vector<LockEvent> events;
    if (!m_table.Apply(owner, changes, allowForce, &events)) {
        return false;
    }
    if (!events.empty() && !Save()) {
        m_table.Restore(before);
        return false;
    }
    for (const auto& event : events) {
        const std::string text = LockText(event);
        m_log(std::string(LockAction(event.change)) + " " + text);
        m_record(LockAction(event.change), text);
    }
    return true;
}

void CKeptLocks::Fit(int outputs) {
    const auto count = static_cast<std::size_t>(std::max(outputs, 0));
    const auto& owners = m_table.Owners();
    const bool dropsLocks =
        std::any_of(owners.begin() + static_cast<std::ptrdiff_t>(std::min(count, owners.size())),
                    owners.end(), [](const auto& o) { return !o.IsNobody(); });
    m_table.Resize(outputs);
    if (dropsLocks) {
        m_log("locks of outputs beyond " + std::to_string(count) + " end");
        Save();
    }
}

bool CKeptLocks::Save() {
    if (m_file.empty() || WriteLockFile(m_file, m_table.Owners())) {
        return true;
    }
    m_log("locks not written to " + m_file);
    return false;
}

}  // namespace vantel
