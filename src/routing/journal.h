#pragma once
// CJournal: the action journal, a file of JSON lines beside setup.ini, one line per action.
// Each line is written with one write(2) and flushed to disk before the action goes out, so a
// killed process leaves every earlier line whole; a line torn by the kill is skipped on read,
// and the next append starts on a fresh line. Writers (several processes may act on one
// device) take an exclusive lock on the file for each append, the same lock that the atomic
// rewrite takes. When the file grows beyond its cap, it is rewritten atomically holding only
// its newest lines (about half the cap).

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "routing/journalentry.h"

namespace vantel {

class CJournal {
public:
    static constexpr const char* kFileName = "journal.jsonl";
    static constexpr std::size_t kDefaultCapBytes = 1024 * 1024;
    // A longer line is no entry of ours and is never read.
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    // The journal beside a settings file.
    static std::filesystem::path FileBeside(const std::filesystem::path& settingsFile);

    explicit CJournal(std::filesystem::path file, std::size_t capBytes = kDefaultCapBytes);

    const std::filesystem::path& File() const { return m_file; }

    // Appends the entry (time set to now when empty) and flushes it to disk. False, with why
    // in *error, when the line could not be written whole.
    bool Append(const JournalEntry& entry, std::string* error = nullptr);
    // The entries, oldest first, of the newest part of the file (at most cap plus one line);
    // lines that are not whole entries are skipped and counted in *skipped.
    std::vector<JournalEntry> Read(std::size_t* skipped = nullptr) const;
    // The newest entry that changed the routing (records of locks and the like passed over).
    std::optional<JournalEntry> Last() const;

private:
    // Rewrites the file with its newest whole lines, at most half the cap.
    void Trim() const;

    std::filesystem::path m_file;
    std::size_t m_cap;
};

}  // namespace vantel
