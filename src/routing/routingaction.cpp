#include "routing/routingaction.h"

#include "routing/routingimage.h"
#include "routing/salvodiff.h"

namespace vantel {

namespace {

// Reads the live routing into start, or says in result why not.
bool ReadStart(IRoutingLink& link, const Salvo& salvo, CStateImage& start, ActionResult& result) {
    const LinkFailure failure = ReadRouting(link, 0, start);
    if (failure == LinkFailure::kNone) {
        return true;
    }
    result.apply.failure = failure;
    result.apply.differing = Mismatches(salvo, std::nullopt);
    result.error = "cannot read the routing: " + LinkFailureText(failure);
    return false;
}

ActionResult TakeFrom(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                      std::string_view action, const CStateImage& start,
                      const ApplyProgress& progress) {
    ActionResult result;
    const JournalEntry entry = JournalEntryFor(action, salvo, start);
    result.changing = entry.outputs;
    if (OutOfReach(salvo, start).empty() && !entry.outputs.empty()) {
        if (!journal.Append(entry, &result.error)) {
            result.apply.differing = Mismatches(salvo, start);
            return result;
        }
        result.journaled = true;
    }
    result.apply = ApplySalvoFrom(link, salvo, start, progress);
    return result;
}

}  // namespace

JournalEntry JournalEntryFor(std::string_view action, const Salvo& salvo,
                             const CStateImage& before) {
    JournalEntry entry{{}, std::string(action), salvo.name, {}};
    for (const OutputChange& change : DiffSalvo(salvo, before).outputs) {
        if (change.Changes()) {
            entry.outputs.push_back(change);
        }
    }
    return entry;
}

ActionResult TakeSalvo(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                       std::string_view action, const ApplyProgress& progress) {
    ActionResult result;
    CStateImage start;
    if (!ReadStart(link, salvo, start, result)) {
        return result;
    }
    return TakeFrom(link, journal, salvo, action, start, progress);
}

UndoResult UndoLast(IRoutingLink& link, CJournal& journal, const ApplyProgress& progress) {
    UndoResult undo;
    const std::optional<JournalEntry> last = ActionToUndo(journal);
    if (!last) {
        undo.nothingToUndo = true;
        undo.action.error = "nothing to undo";
        return undo;
    }
    undo.undone = *last;
    Salvo restore{last->name, {}};
    CStateImage now;
    if (!ReadStart(link, restore, now, undo.action)) {
        return undo;
    }
    for (const OutputChange& change : last->outputs) {
        const int held = HeldInput(now, change.output);
        // A take cut short can leave an output unrouted between its old input's command and
        // its new input's: that is still the action's doing. A device resized since may no
        // longer have the output or its old input: nothing there is ours to restore.
        const bool fits = change.output <= now.OutputCount() && change.now <= now.InputCount();
        const bool leftByAction = held == change.after || (held == 0 && change.now != 0);
        if (fits && leftByAction) {
            restore.routes[change.output] = change.now;
            undo.restored.push_back({change.output, held, change.now});
        } else if (!fits || held != change.now) {
            undo.conflicts.push_back({change.output, change.after, held});
        }
    }
    undo.action = TakeFrom(link, journal, restore, kUndoAction, now, progress);
    undo.ok = undo.action.error.empty() && undo.action.apply.ok;
    return undo;
}

std::optional<JournalEntry> ActionToUndo(const CJournal& journal) {
    return journal.Last();
}

}  // namespace vantel
