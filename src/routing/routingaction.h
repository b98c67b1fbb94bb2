#pragma once
// Journaled actions on the routing, and undo. Before an action goes out, the input each output
// had before it and the input the action gives it are appended to the journal; an action whose
// journal line cannot be written is not taken, so every change on the routing can be taken
// back. Undo restores the last action's outputs that still show what that action gave them
// (the device is read first); an output changed since (by another client) is a conflict and
// is left alone. Undo is itself journaled, so a second undo takes the first one back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/stateimage.h"
#include "routing/journal.h"
#include "routing/routinglink.h"
#include "routing/salvo.h"
#include "routing/salvoapply.h"

namespace vantel {

inline constexpr const char* kUndoAction = "undo";

// The journal entry for taking salvo on the routing before: only the outputs it changes.
JournalEntry JournalEntryFor(std::string_view action, const Salvo& salvo,
                             const CStateImage& before);

struct ActionResult {
    ApplyResult apply;
    bool journaled = false;  // the entry is in the journal
    std::string error;       // why the action was not taken (journal, reading the device)
    // The outputs the action had to change on the routing read before it (its journal
    // entry's outputs); empty when that read failed.
    std::vector<OutputChange> changing;
};

// Reads the live routing, journals what the salvo changes (action names the kind: "salvo",
// "route", "scene"), then applies it with verification.
ActionResult TakeSalvo(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                       std::string_view action, const ApplyProgress& progress = {});

struct UndoResult {
    bool ok = false;                        // the restored outputs were read back as restored
    bool nothingToUndo = false;             // the journal holds no action
    JournalEntry undone;                    // the action taken back
    std::vector<OutputChange> restored;     // output, from (its state now) to (before it)
    std::vector<OutputMismatch> conflicts;  // output, what the action gave it, what it shows
    ActionResult action;                    // the undo as an action
};

UndoResult UndoLast(IRoutingLink& link, CJournal& journal, const ApplyProgress& progress = {});

// The journal entry that UndoLast takes back now, or none when there is nothing to undo.
std::optional<JournalEntry> ActionToUndo(const CJournal& journal);

}  // namespace vantel
