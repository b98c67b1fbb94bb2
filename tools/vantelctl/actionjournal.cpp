#include "actionjournal.h"

#include <filesystem>
#include <system_error>

#include "ctlerror.h"

namespace vantel {

CJournal JournalBeside(const std::string& settingsPath) {
    return CJournal(CJournal::FileBeside(settingsPath));
}

CSalvoStore SalvosBeside(const std::string& settingsPath) {
    return CSalvoStore(CSalvoStore::FolderBeside(settingsPath));
}

void JournalBeforeSending(const std::string& settingsPath, const char* action, const Salvo& wanted,
                          const CStateImage& before) {
    const JournalEntry entry = JournalEntryFor(action, wanted, before);
    if (entry.outputs.empty()) {
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
}

void ThrowNotTaken(const ActionResult& result) {
    const bool readFailed = result.apply.failure != LinkFailure::kNone;
    throw CCtlError(readFailed ? CtlExit::kNoResponse : CtlExit::kCannotOpen,
                    "nothing sent: " + result.error);
}

}  // namespace vantel
