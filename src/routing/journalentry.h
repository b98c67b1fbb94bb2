#pragma once
// One line of the action journal: when, what kind of action (a salvo take, a route, a scene
// load, an undo), its name, and for each output it changes the input before and after.
//
//   {"time": "2026-03-01T18:04:05.120Z", "action": "salvo", "name": "Evening",
//    "outputs": [{"output": 1, "before": 2, "after": 3}],
//    "id": "1767312000120-4711-1", "state": "sending"}
//
// An action is journaled twice: before anything is sent ("sending", the outputs it means to
// change) and once it is over ("done": the outputs read back changed, each with what the
// read-back saw; "unverified": over without a read-back, the outputs it meant to change;
// "unchanged": the device refused or holds nothing of it). Both lines carry the action's id.
// A line without a state is from an older version and counts as "unverified". An undo names
// the id of the action it takes back in "undoes".

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "routing/salvodiff.h"

namespace vantel {

enum class JournalState {
    kSending,     // journaled before sending; no later line: cut short (killed, crashed)
    kDone,        // over and read back; the outputs are the changes the read-back saw
    kUnverified,  // over, but not read back (or an older version's line)
    kUnchanged,   // over, and the device holds nothing of it
};

struct JournalEntry {
    static constexpr std::size_t kMaxTextBytes = 64;  // time, action kind, ids

    std::string time;  // UTC, ISO 8601 with milliseconds
    std::string action;
    std::string name;
    std::vector<OutputChange> outputs;  // now = the input before the action
    std::string id = {};                // the same on every line of one action
    // A line written once and never closed is not read back; an action that closes its
    // line opens it as kSending.
    JournalState state = JournalState::kUnverified;
    std::string undoes = {};  // an undo: the id of the action it takes back

    bool operator==(const JournalEntry&) const = default;
};

// "sending", "done", "unverified", "unchanged".
const char* JournalStateText(JournalState state);

// A new action id, unique among the processes writing one journal.
std::string NewJournalId();

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
