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

std::string ConflictsText(const std::vector<OutputMismatch>& conflicts) {
    std::string text;
    for (const OutputMismatch& conflict : conflicts) {
        text += (text.empty() ? "out " : ", out ") + PortText(conflict.output) + " (left at " +
                PortText(conflict.wanted) + ", now " +
                (conflict.held ? PortText(*conflict.held) : "??") + ")";
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
            {"outputs", ChangesJson(entry.outputs, "before", "after")}};
}

void PrintUndoJson(const UndoResult& undo) {
    auto object = JsonObject();
    object["action"] = kUndoAction;
    object["undone"] = EntryJson(undo.undone);
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

void PrintUndoText(const UndoResult& undo) {
    std::cout << "undone: " << ActionLabel(undo.undone) << " of " << undo.undone.time
              << "\nrestored: " << ChangesText(undo.restored) << '\n';
    if (!undo.conflicts.empty()) {
        std::cout << "changed since, left alone: " << ConflictsText(undo.conflicts) << '\n';
    }
    if (!undo.action.apply.ok) {
        std::cout << "not restored: " << ApplyFailureText(undo.action.apply) << "\n\n";
        PrintMismatchTable(std::cout, undo.action.apply.differing);
    }
}

// The undo's failure for stderr: outputs that did not go back, or outputs changed since.
void ThrowUnlessWhole(const UndoResult& undo) {
    std::cout.flush();
    if (!undo.action.apply.ok) {
        throw CCtlError(CtlExit::kNoResponse, "undo: " + ApplyFailureText(undo.action.apply));
    }
    if (!undo.conflicts.empty()) {
        throw CCtlError(CtlExit::kNoResponse, "undo: changed since by someone else, left alone: " +
                                                  ConflictsText(undo.conflicts));
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

void PrintEntry(const JournalEntry& entry) {
    if (IsRecordOnly(entry)) {
        // "lock: out 3 by 127.0.0.1"
        std::cout << entry.time << "  " << entry.action << ": " << PrintableName(entry.name)
                  << '\n';
        return;
    }
    std::cout << entry.time << "  " << ActionLabel(entry) << ": " << ChangesText(entry.outputs)
              << '\n';
}

}  // namespace

int RunUndo(const CtlOptions& options) {
    const std::string settingsPath = SettingsPathFor(options.config);
    CJournal journal = JournalBeside(settingsPath);
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
    for (const JournalEntry& entry : journal.Read(&skipped)) {
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
