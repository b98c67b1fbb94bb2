// undo and log: the action journal beside the settings file.
#include <cstdint>
#include <iostream>

#include "actionjournal.h"
#include "commands.h"
#include "ctlerror.h"
#include "devicesession.h"
#include "journaltime.h"
#include "jsonline.h"
#include "routing/routingaction.h"
#include "routing/vexaroutinglink.h"
#include "routingreport.h"
#include "salvoreport.h"
#include "settingspath.h"

namespace vantel {

namespace {

using Json = nlohmann::ordered_json;

// How a journaled action is named: 'salvo "Evening"', 'route 3', 'scene 2', 'undo of route 3'.
// Routes and scene loads carry their kind in their names already.
std::string ActionLabel(const JournalEntry& entry) {
    const std::string name = PrintableName(entry.name);
    if (entry.action == "salvo") {
        return "salvo \"" + name + "\"";
    }
    return entry.action == kUndoAction ? "undo of " + name : name;
}

std::string ChangesText(const std::vector<OutputChange>& changes) {
    std::string text;
    for (const OutputChange& change : changes) {
        text += (text.empty() ? "out " : ", out ") + PortText(change.output) + ": " +
                PortText(change.now) + " -> " + PortText(change.after);
    }
    return text.empty() ? "none" : text;
}

// "out 5 (left at 3, now 8), out 6 (...)": each output with the input it was meant to have
// and what it holds, under the two words that say which is which.
std::string MismatchesText(const std::vector<OutputMismatch>& mismatches, const char* wanted,
                           const char* held) {
    std::string text;
    for (const OutputMismatch& mismatch : mismatches) {
        text += (text.empty() ? "out " : ", out ") + PortText(mismatch.output) + " (" + wanted +
                " " + PortText(mismatch.wanted) + ", " + held + " " +
                (mismatch.held ? PortText(*mismatch.held) : "??") + ")";
    }
    return text;
}

Json ChangesJson(const std::vector<OutputChange>& changes, const char* from, const char* to) {
    auto list = Json::array();
    for (const OutputChange& change : changes) {
        list.push_back({{"output", change.output},
                        {from, InputJson(change.now)},
                        {to, InputJson(change.after)}});
    }
    return list;
}

Json EntryJson(const JournalEntry& entry) {
    return {{"time", entry.time},
            {"action", entry.action},
            {"name", entry.name},
            {"outputs", ChangesJson(entry.outputs, "before", "after")},
            {"state", JournalStateText(entry.state)}};
}

void PrintUndoJson(const UndoResult& undo) {
    auto object = JsonObject();
    object["action"] = kUndoAction;
    object["undone"] = EntryJson(undo.undone);
    object["resumed"] = undo.resumed;
    object["restored"] = ChangesJson(undo.restored, "from", "to");
    auto conflicts = Json::array();
    for (const OutputMismatch& conflict : undo.conflicts) {
        conflicts.push_back({{"output", conflict.output},
                             {"left", InputJson(conflict.wanted)},
                             {"held", InputJson(conflict.held.value_or(0))}});
    }
    object["conflicts"] = conflicts;
    AddApplyFields(object, undo.action.apply);
    object["ok"] = undo.ok && undo.conflicts.empty();
    std::cout << JsonLine(object) << '\n';
}

// "out 08 (wanted 08, holds --)", "??" for a held input that is not known.
// One sentence for each of: what was taken back, what was restored, what was not, what was
// left alone, what moved outside the undo while it ran.
void PrintUndoText(const UndoResult& undo) {
    const ApplyResult& apply = undo.action.apply;
    const char* verdict = undo.restored.empty() ? "not undone"
                          : undo.ok             ? "undone"
                                                : "partly undone";
    std::cout << verdict << ": " << ActionLabel(undo.undone) << " of " << undo.undone.time
              << (undo.resumed ? " (cut short before; now finished)" : "")
              << "\nrestored: " << (undo.restored.empty() ? "nothing" : ChangesText(undo.restored))
              << '\n';
    if (!apply.differing.empty()) {
        std::cout << "not restored: " << MismatchesText(apply.differing, "wanted", "holds");
        if (apply.failure != LinkFailure::kNone) {
            std::cout << " (last failure: " << LinkFailureText(apply.failure) << ")";
        }
        std::cout << '\n';
    }
    if (apply.countsChanged) {
        std::cout << "stopped: " << ApplyFailureText(apply) << '\n';
    }
    if (!undo.conflicts.empty()) {
        std::cout << "changed since, left alone: "
                  << MismatchesText(undo.conflicts, "left at", "now") << '\n';
    }
    if (!apply.changedWhileTaking.empty()) {
        std::cout << "outside the undo, changed while it ran: "
                  << ChangedText(apply.changedWhileTaking) << '\n';
    }
}

// The undo's failure for stderr: outputs that did not go back, outputs changed since, nothing
// to restore, or outputs outside it that moved while it ran.
void ThrowUnlessWhole(const UndoResult& undo) {
    std::cout.flush();
    const ApplyResult& apply = undo.action.apply;
    if (!apply.ok) {
        throw CCtlError(CtlExit::kNoResponse, "undo: " + ApplyFailureText(apply));
    }
    if (!undo.conflicts.empty()) {
        throw CCtlError(CtlExit::kNoResponse, "undo: changed since by someone else, left alone: " +
                                                  MismatchesText(undo.conflicts, "left at", "now"));
    }
    if (undo.restored.empty()) {
        throw CCtlError(CtlExit::kNoResponse, "undo: nothing restored: the outputs of " +
                                                  ActionLabel(undo.undone) +
                                                  " show what they had before it");
    }
    if (!apply.changedWhileTaking.empty()) {
        throw CCtlError(CtlExit::kChangedWhileTaking,
                        "undo: outputs outside it changed while it ran: " +
                            ChangedText(apply.changedWhileTaking));
    }
}

std::int64_t SinceMs(const std::string& since) {
    const auto ms = ParseTimeMs(since);
    if (!ms) {
        throw CCtlError(CtlExit::kUsage, "--since '" + since +
                                             "' is neither Unix seconds nor an ISO 8601 time "
                                             "with its zone (2026-03-01T18:04:05Z)");
    }
    return *ms;
}

// How log marks an action that undo treats apart: one cut short, one that changed nothing.
std::string StateNote(JournalState state) {
    if (state == JournalState::kSending) {
        return " (cut short)";
    }
    return state == JournalState::kUnchanged ? " (changed nothing)" : "";
}

void PrintEntry(const JournalEntry& entry) {
    if (IsRecordOnly(entry)) {
        // "lock: out 3 by 127.0.0.1"
        std::cout << entry.time << "  " << entry.action << ": " << PrintableName(entry.name)
                  << '\n';
        return;
    }
    std::cout << entry.time << "  " << ActionLabel(entry) << ": " << ChangesText(entry.outputs)
              << StateNote(entry.state) << '\n';
}

}  // namespace

int RunUndo(const CtlOptions& options) {
    const std::string settingsPath = SettingsPathFor(options.config);
    CJournal journal = JournalBeside(settingsPath);
    if (const auto line = journal.DamagedLastLine()) {
        throw CCtlError(CtlExit::kCannotOpen, "undo: " + DamagedLineText(journal, *line));
    }
    if (!journal.Last()) {
        throw CCtlError(CtlExit::kNoResponse,
                        "nothing to undo: " + journal.File().string() + " holds no action");
    }
    CDeviceSession session(options, settingsPath);
    CVexaRoutingLink link(session.Link(), session.Timeout());
    const UndoResult undo = UndoLast(link, journal);
    if (!undo.action.error.empty()) {
        ThrowNotTaken(undo.action);
    }
    if (options.json) {
        PrintUndoJson(undo);
    } else {
        PrintUndoText(undo);
    }
    ThrowUnlessWhole(undo);
    return 0;
}

int RunLog(const CtlOptions& options, const std::string& since) {
    // Without --since every entry counts, those with an unreadable time too.
    const std::int64_t sinceMs = since.empty() ? INT64_MIN : SinceMs(since);
    const CJournal journal = JournalBeside(SettingsPathFor(options.config));
    std::size_t skipped = 0;
    auto entries = Json::array();
    for (const JournalEntry& entry : journal.Actions(&skipped)) {
        const auto time = ParseTimeMs(entry.time);
        if (!since.empty() && time.value_or(INT64_MIN) < sinceMs) {
            continue;
        }
        if (options.json) {
            entries.push_back(EntryJson(entry));
        } else {
            PrintEntry(entry);
        }
    }
    if (options.json) {
        auto object = JsonObject();
        object["entries"] = entries;
        std::cout << JsonLine(object) << '\n';
    }
    if (skipped > 0) {
        std::cerr << "vantelctl: " << journal.File().string() << ": skipped " << skipped
                  << (skipped == 1 ? " line that is" : " lines that are") << " not a whole entry\n";
    }
    return 0;
}

}  // namespace vantel
