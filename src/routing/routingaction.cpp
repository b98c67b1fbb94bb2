#include "routing/routingaction.h"

#include <map>

#include "routing/routingimage.h"
#include "routing/salvodiff.h"

namespace vantel {

namespace {

using Clock = std::chrono::steady_clock;

// Reads the live routing into start (asked for at readAt), or says in result why not.
bool ReadStart(IRoutingLink& link, const Salvo& salvo, CStateImage& start,
               Clock::time_point& readAt, ActionResult& result) {
    readAt = Clock::now();
    const LinkFailure failure = ReadRouting(link, 0, start);
    if (failure == LinkFailure::kNone) {
        return true;
    }
    result.apply.failure = failure;
    result.apply.differing = Mismatches(salvo, std::nullopt);
    result.error = "cannot read the routing: " + LinkFailureText(failure);
    return false;
}

// Applies the salvo and appends the closing line of the journaled opening line.
void ApplyAndClose(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                   const JournalEntry& opening, const CStateImage& start, Clock::time_point readAt,
                   const ApplyProgress& progress, ActionResult& result) {
    result.apply = ApplySalvoFrom(link, salvo, start, progress, readAt);
    if (result.journaled) {
        journal.Append(ClosingEntry(opening, result.apply), &result.closingError);
    }
}

ActionResult TakeFrom(IRoutingLink& link, CJournal& journal, const Salvo& salvo, JournalEntry entry,
                      const CStateImage& start, Clock::time_point readAt,
                      const ApplyProgress& progress) {
    ActionResult result;
    result.changing = entry.outputs;
    if (OutOfReach(salvo, start).empty() && !entry.outputs.empty()) {
        if (!journal.Append(entry, &result.error)) {
            result.apply.differing = Mismatches(salvo, start);
            return result;
        }
        result.journaled = true;
    }
    ApplyAndClose(link, journal, salvo, entry, start, readAt, progress, result);
    return result;
}

// One output an undo puts back: from what the action left to what it should show.
struct Step {
    int output;
    int from;
    int to;
};

// The steps of taking back an action; of finishing it when it is an undo cut short (its
// record's outputs then go forward, to what it meant to give them).
std::vector<Step> StepsOf(const JournalEntry& action, bool finish) {
    std::vector<Step> steps;
    for (const OutputChange& change : action.outputs) {
        steps.push_back(finish ? Step{change.output, change.now, change.after}
                               : Step{change.output, change.after, change.now});
    }
    return steps;
}

// Splits the steps by what the device shows now: outputs still as the action left them go
// back (restore), outputs changed since are conflicts, outputs already back are done.
void Plan(UndoResult& undo, const std::vector<Step>& steps, const CStateImage& now, Salvo& restore,
          std::vector<OutputChange>& alreadyBack) {
    // Without a read-back of the action, an unrouted output may be a take cut short between
    // its old input's command and its new one's: still the action's doing.
    const bool maybeCutShort = undo.undone.state != JournalState::kDone;
    for (const Step& step : steps) {
        // A device resized since may no longer have the output or the input it goes back to.
        const bool fits = step.output <= now.OutputCount() && step.to <= now.InputCount();
        const int held = fits ? HeldInput(now, step.output) : 0;
        const bool left = held == step.from || (maybeCutShort && held == 0 && step.to != 0);
        if (fits && held == step.to) {
            alreadyBack.push_back({step.output, step.from, step.to});
        } else if (fits && left) {
            restore.routes[step.output] = step.to;
        } else {
            undo.conflicts.push_back({step.output, step.from, held});
        }
    }
}

// The outputs the read-back shows restored: those planned and those back already (when an
// interrupted undo is finished, its earlier work counts).
void CollectRestored(UndoResult& undo, const Salvo& restore, const CStateImage& now,
                     const std::vector<OutputChange>& alreadyBack) {
    const std::optional<CStateImage>& end = undo.action.apply.readBack;
    if (undo.resumed) {
        undo.restored = alreadyBack;
    }
    for (const auto& [output, input] : restore.routes) {
        if (end && output <= end->OutputCount() && HeldInput(*end, output) == input) {
            undo.restored.push_back({output, HeldInput(now, output), input});
        }
    }
}

}  // namespace

JournalEntry JournalEntryFor(std::string_view action, const Salvo& salvo,
                             const CStateImage& before) {
    JournalEntry entry;
    entry.action = std::string(action);
    entry.name = salvo.name;
    entry.id = NewJournalId();
    entry.state = JournalState::kSending;
    for (const OutputChange& change : DiffSalvo(salvo, before).outputs) {
        if (change.Changes()) {
            entry.outputs.push_back(change);
        }
    }
    return entry;
}

JournalEntry ClosingEntry(const JournalEntry& opening, const ApplyResult& apply) {
    JournalEntry closing = opening;
    closing.time.clear();
    const std::optional<CStateImage>& end = apply.readBack;
    if (!end || apply.countsChanged) {
        closing.state = JournalState::kUnverified;
        return closing;
    }
    std::map<int, int> before;
    for (const OutputChange& change : opening.outputs) {
        before[change.output] = change.now;
    }
    for (const OutputChange& change : apply.changedWhileTaking) {
        before.emplace(change.output, change.now);
    }
    closing.outputs.clear();
    for (const auto& [output, input] : before) {
        const int after = HeldInput(*end, output);
        if (after != input) {
            closing.outputs.push_back({output, input, after});
        }
    }
    closing.state = closing.outputs.empty() ? JournalState::kUnchanged : JournalState::kDone;
    return closing;
}

ActionResult TakeSalvo(IRoutingLink& link, CJournal& journal, const Salvo& salvo,
                       std::string_view action, const ApplyProgress& progress) {
    ActionResult result;
    CStateImage start;
    Clock::time_point readAt;
    if (!ReadStart(link, salvo, start, readAt, result)) {
        return result;
    }
    return TakeFrom(link, journal, salvo, JournalEntryFor(action, salvo, start), start, readAt,
                    progress);
}

std::string DamagedLineText(const CJournal& journal, std::size_t line) {
    return "line " + std::to_string(line) + " of " + journal.File().string() +
           " is not a whole entry: it may be the newest action, so no older one is taken back "
           "(mend or remove that line)";
}

UndoResult UndoLast(IRoutingLink& link, CJournal& journal, const ApplyProgress& progress) {
    UndoResult undo;
    undo.damagedLine = journal.DamagedLastLine();
    if (undo.damagedLine) {
        undo.action.error = DamagedLineText(journal, *undo.damagedLine);
        return undo;
    }
    const std::optional<JournalEntry> last = ActionToUndo(journal);
    if (!last) {
        undo.nothingToUndo = true;
        undo.action.error = "nothing to undo";
        return undo;
    }
    undo.undone = *last;
    // An undo that never said it was over (killed, or not read back) is finished, not undone:
    // undoing it would leave the outputs it reached in one state and the others in another.
    undo.resumed =
        last->action == kUndoAction && !last->id.empty() &&
        (last->state == JournalState::kSending || last->state == JournalState::kUnverified);
    Salvo restore{last->name, {}};
    CStateImage now;
    Clock::time_point readAt;
    if (!ReadStart(link, restore, now, readAt, undo.action)) {
        return undo;
    }
    std::vector<OutputChange> alreadyBack;
    Plan(undo, StepsOf(*last, undo.resumed), now, restore, alreadyBack);
    if (undo.resumed) {
        // The undo cut short is finished under its own record, which then says what it did.
        undo.action.journaled = true;
        ApplyAndClose(link, journal, restore, *last, now, readAt, progress, undo.action);
    } else {
        JournalEntry entry = JournalEntryFor(kUndoAction, restore, now);
        entry.undoes = last->id;
        undo.action = TakeFrom(link, journal, restore, entry, now, readAt, progress);
    }
    CollectRestored(undo, restore, now, alreadyBack);
    undo.ok = undo.action.error.empty() && undo.action.apply.ok && !undo.restored.empty();
    return undo;
}

std::optional<JournalEntry> ActionToUndo(const CJournal& journal) {
    return journal.Last();
}

}  // namespace vantel
