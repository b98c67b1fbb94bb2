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
    // The lines, oldest first, of the newest part of the file (at most cap plus one line);
    // lines that are not whole entries are skipped and counted in *skipped.
    std::vector<JournalEntry> Read(std::size_t* skipped = nullptr) const;
    // The actions, oldest first: the lines of one id make one action, in the place of its
    // first line, with that line's time and the latest line's state and outputs.
    std::vector<JournalEntry> Actions(std::size_t* skipped = nullptr) const;
    // The newest action that may have changed the device: actions that changed nothing (a
    // refused route, an undo that restored nothing) and records of locks and the like are
    // passed over.
    std::optional<JournalEntry> Last() const;
    // The file's line number (from 1) of the last line when it is not a whole entry (edited,
    // damaged); none when the last line is whole or the journal is empty.
    std::optional<std::size_t> DamagedLastLine() const;

private:
    std::vector<JournalEntry> Lines(std::size_t* skipped,
                                    std::optional<std::size_t>* damagedLast) const;
    // Rewrites the file with its newest whole lines, at most half the cap.
    void Trim() const;

    std::filesystem::path m_file;
    std::size_t m_cap;
};

}  // namespace vantel
