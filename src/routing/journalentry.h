#pragma once
// One line of the action journal: when, what kind of action (a salvo take, a route, a scene
// load, an undo), its name, and for each output it changes the input before and after.
//
//   {"time": "2026-03-01T18:04:05.120Z", "action": "salvo", "name": "Evening",
//    "outputs": [{"output": 1, "before": 2, "after": 3}]}

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "routing/salvodiff.h"

namespace vantel {

struct JournalEntry {
    static constexpr std::size_t kMaxTextBytes = 64;  // time and action kind

    std::string time;  // UTC, ISO 8601 with milliseconds
    std::string action;
    std::string name;
    std::vector<OutputChange> outputs;  // now = the input before the action

    bool operator==(const JournalEntry&) const = default;
};

// The entry as one line of JSON, without the line end. Bytes of the name that are not UTF-8
// are replaced, so the line always parses back.
std::string FormatJournalLine(const JournalEntry& entry);

// The entry of a line, or none when the line is not a whole entry (torn by a crash, edited,
// out of range).
std::optional<JournalEntry> ParseJournalLine(std::string_view line);

// True for an entry that records an event on the hub and changed no routing (a lock, an
// unlock, a forced unlock, a change the device did not take): undo passes over it.
bool IsRecordOnly(const JournalEntry& entry);

// The current time as the journal writes it.
std::string JournalTimeNow();

}  // namespace vantel
