#pragma once
// Journaled actions on the routing, and undo. Before an action goes out, the input each output
// had before it and the input the action gives it are appended to the journal; an action whose
// journal line cannot be written is not taken, so every change on the routing can be taken
// back. Once it is over, a second line of the same id says what the read-back saw it change
// (outputs outside a salvo that changed while it ran included), or that it changed nothing.
//
// Undo takes back the newest action that changed something. It restores that action's outputs
// that still show what the action left them with (the device is read first); an output changed
// since (by another client) is a conflict and is left alone. Undo is itself journaled, so a
// second undo takes the first one back; an undo cut short (killed) is finished by the next.

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

// The closing journal line of an action opened by opening: every output it meant to change
// and every output that changed outside it while it ran, with what the read-back saw; state
// "unchanged" when none differs from before, "unverified" without a usable read-back.
JournalEntry ClosingEntry(const JournalEntry& opening, const ApplyResult& apply);

struct ActionResult {
    ApplyResult apply;
    bool journaled = false;  // the entry is in the journal
    std::string error;       // why the action was not taken (journal, reading the device)
    // The action went out but its closing line could not be written (why); undo then treats
    // it as cut short.
    std::string closingError;
    // The outputs the action had to change on the routing read before it (its journal
    // entry's outputs); empty when that read failed.
    std::vector<OutputChange> changing;
};

// Reads the live routing, journals what the salvo changes (action names the kind: "salvo",
// "route", "scene"), then applies it with verification and journals what it changed.
ActionResult TakeSalvo(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                       std::string_view action, const ApplyProgress& progress = {});

struct UndoResult {
    bool ok = false;                         // something was restored and read back as restored
    bool nothingToUndo = false;              // the journal holds no action that changed the device
    bool resumed = false;                    // the undone action is an undo cut short, now finished
    std::optional<std::size_t> damagedLine;  // the journal's last line is damaged: not done
    JournalEntry undone;                     // the action taken back
    // Read back restored: output, from (its state before this undo) to (before the action).
    std::vector<OutputChange> restored;
    std::vector<OutputMismatch> conflicts;  // output, what the action left, what it shows
    ActionResult action;                    // the undo as an action
};

UndoResult UndoLast(IRoutingLink& link, CJournal& journal, const ApplyProgress& progress = {});

// Why undo does nothing when the journal's last line (line, from 1) is not a whole entry.
std::string DamagedLineText(const CJournal& journal, std::size_t line);

// The journal entry that UndoLast takes back now, or none when there is nothing to undo.
std::optional<JournalEntry> ActionToUndo(const CJournal& journal);

}  // namespace vantel
