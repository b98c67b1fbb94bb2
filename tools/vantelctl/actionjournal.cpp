#include "actionjournal.h"

#include <filesystem>
#include <system_error>

#include "ctlerror.h"
#include "devicesession.h"

namespace vantel {

CJournal JournalBeside(const std::string& settingsPath) {
    return CJournal(CJournal::FileBeside(settingsPath));
}

CSalvoStore SalvosBeside(const std::string& settingsPath) {
    return CSalvoStore(CSalvoStore::FolderBeside(settingsPath));
}

void SendJournaled(CDeviceSession& session, const std::string& settingsPath, const char* action,
                   const Salvo& wanted, const CStateImage& before, std::uint8_t cmd,
                   std::span<const std::uint8_t> payload, const std::string& what) {
    JournalEntry entry = JournalEntryFor(action, wanted, before);
    if (entry.outputs.empty()) {
        session.Send(cmd, payload, what);
        return;
    }
    CJournal journal = JournalBeside(settingsPath);
    // The user's settings folder may not exist yet when the application never ran.
    std::error_code ignored;
    std::filesystem::create_directories(journal.File().parent_path(), ignored);
    std::string error;
    if (!journal.Append(entry, &error)) {
        throw CCtlError(CtlExit::kCannotOpen, "nothing sent: " + error);
    }
    // One command is taken whole or not at all: a confirmed one changed exactly what it was
    // meant to, a refused one nothing.
    const auto close = [&](JournalState state) {
        entry.time.clear();
        entry.state = state;
        journal.Append(entry);
    };
    try {
        session.Send(cmd, payload, what);
    } catch (const CCtlError&) {
        if (FailureOf(session.LastSendResult()) == LinkFailure::kRefused) {
            close(JournalState::kUnchanged);
        }
        throw;
    }
    close(JournalState::kDone);
}

void ThrowNotTaken(const ActionResult& result) {
    const bool readFailed = result.apply.failure != LinkFailure::kNone;
    throw CCtlError(readFailed ? CtlExit::kNoResponse : CtlExit::kCannotOpen,
                    "nothing sent: " + result.error);
}

}  // namespace vantel
