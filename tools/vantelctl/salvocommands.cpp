// salvo list, show, capture, rename, delete and apply.
#include <algorithm>
#include <iostream>

#include "actionjournal.h"
#include "commands.h"
#include "ctlerror.h"
#include "devicesession.h"
#include "jsonline.h"
#include "portnames.h"
#include "routing/capture.h"
#include "routing/keyroute.h"
#include "routing/routingaction.h"
#include "routing/vexaroutinglink.h"
#include "routingreport.h"
#include "salvoreport.h"
#include "settingspath.h"

namespace vantel {

namespace {

bool Holds(const SalvoListing& listing, const std::string& name) {
    return std::any_of(listing.salvos.begin(), listing.salvos.end(),
                       [&name](const SalvoEntry& entry) { return entry.name == name; });
}

std::string Quoted(const std::string& name) {
    return "\"" + PrintableName(name) + "\"";
}

void RequireGoodName(const std::string& name) {
    const std::string problem = SalvoNameProblem(name);
    if (!problem.empty()) {
        throw CCtlError(CtlExit::kUsage, "salvo name " + Quoted(name) + ": " + problem);
    }
}

// A store operation that failed: a name no file gives is a usage error, a salvo file that
// cannot be read (named, with why) or written is one that cannot be opened.
void RequireStored(const StoreResult& result) {
    if (!result.ok) {
        throw CCtlError(
            result.fault == StoreFault::kMissing ? CtlExit::kUsage : CtlExit::kCannotOpen,
            PrintableName(result.error));
    }
}

Salvo LoadSalvo(const CSalvoStore& store, const std::string& name) {
    Salvo salvo;
    RequireStored(store.Load(name, salvo));
    return salvo;
}

// Digits with a dash: a range of outputs, never a label (as a number always means itself).
bool IsRangeText(const std::string& name) {
    return name.find('-') != std::string::npos &&
           name.find_first_not_of("0123456789-") == std::string::npos;
}

// The outputs of a range ("1-4") of --outputs, read as typed routes read it.
void AppendRange(const std::string& name, std::vector<int>& outputs) {
    OutputSpan span;
    std::string error = ReadOutputSpan(name, span);
    if (error.empty() && (span.first < 1 || span.last > Salvo::kMaxOutputs)) {
        error = "The range \"" + name + "\" goes beyond outputs 1-" +
                std::to_string(Salvo::kMaxOutputs) + ".";
    }
    if (!error.empty()) {
        throw CCtlError(CtlExit::kUsage, "--outputs: " + error);
    }
    for (int output = span.first; output <= span.last; ++output) {
        outputs.push_back(output);
    }
}

// The outputs of --outputs as numbers from 1: numbers and ranges, other names resolved by the
// button labels.
std::vector<int> OutputNumbers(const std::string& settingsPath, const SalvoArgs& args) {
    const CPortNames names(settingsPath);
    std::vector<int> outputs;
    for (const std::string& name : args.outputs) {
        if (IsRangeText(name)) {
            AppendRange(name, outputs);
        } else {
            outputs.push_back(names.Resolve(PortKind::kOutput, name) + 1);
        }
    }
    return outputs;
}

std::string SourceName(int scene) {
    return scene == 0 ? "the live routing" : "scene " + std::to_string(scene);
}

void PrintAction(const char* action, const std::string& name, bool json,
                 const std::string& textTail = "") {
    if (json) {
        auto object = JsonObject();
        object["action"] = action;
        object["name"] = name;
        std::cout << JsonLine(object) << '\n';
        return;
    }
    std::cout << "salvo " << Quoted(name) << ' ' << action << textTail << '\n';
}

// What taking the salvo did; throws after printing when the device does not hold it, or
// when outputs outside it changed while it ran.
void ReportTake(const Salvo& salvo, const ActionResult& taken, bool json) {
    const ApplyResult& apply = taken.apply;
    const std::vector<OutputChange>& changed = apply.changedWhileTaking;
    if (json) {
        auto object = JsonObject();
        object["action"] = "apply";
        object["name"] = salvo.name;
        AddApplyFields(object, apply);
        std::cout << JsonLine(object) << '\n';
    } else if (apply.ok) {
        std::cout << SalvoLabel(salvo) << " taken and read back (" << apply.framesSent
                  << " switch commands)"
                  << (changed.empty() ? "\n" : ", but outputs outside it changed while it ran\n\n");
    } else {
        std::cout << SalvoLabel(salvo) << " not taken: " << ApplyFailureText(apply) << "\n\n";
        PrintMismatchTable(std::cout, apply.differing);
        if (!changed.empty()) {
            std::cout << "\noutside the salvo, changed while it ran:\n";
        }
    }
    if (!json && !changed.empty()) {
        PrintChangedTable(std::cout, changed);
    }
    std::cout.flush();
    if (!apply.ok) {
        const std::string why =
            taken.error.empty() ? ApplyFailureText(apply) : "nothing sent: " + taken.error;
        throw CCtlError(CtlExit::kNoResponse, SalvoLabel(salvo) + ": " + why);
    }
    if (!changed.empty()) {
        throw CCtlError(
            CtlExit::kChangedWhileTaking,
            SalvoLabel(salvo) +
                " taken, but outputs outside it changed while it ran: " + ChangedText(changed));
    }
}

std::string OutOfReachText(const std::vector<int>& outputs) {
    std::string text;
    for (const int output : outputs) {
        text += " out " + PortText(output);
    }
    return text;
}

}  // namespace

int RunSalvoList(const CtlOptions& options) {
    const SalvoListing listing = SalvosBeside(SettingsPathFor(options.config)).List();
    for (const SalvoFileProblem& problem : listing.problems) {
        std::cerr << "vantelctl: skipped " << PrintableName(problem.file) << ": " << problem.problem
                  << '\n';
    }
    PrintSalvoList(std::cout, listing, options.json);
    return 0;
}

int RunSalvoShow(const CtlOptions& options, const SalvoArgs& args) {
    const std::string settingsPath = SettingsPathFor(options.config);
    const Salvo salvo = LoadSalvo(SalvosBeside(settingsPath), args.name);
    if (!args.diff) {
        PrintSalvo(std::cout, salvo, options.json);
        return 0;
    }
    CDeviceSession session(options, settingsPath);
    const CStateImage image = session.ReadImage(0);
    PrintSalvoDiff(std::cout, salvo, DiffSalvo(salvo, image), OutOfReach(salvo, image),
                   options.json);
    return 0;
}

int RunSalvoCapture(const CtlOptions& options, const SalvoArgs& args) {
    const std::string settingsPath = SettingsPathFor(options.config);
    RequireGoodName(args.name);
    CSalvoStore store = SalvosBeside(settingsPath);
    if (!args.replace && Holds(store.List(), args.name)) {
        throw CCtlError(CtlExit::kUsage, "a salvo named " + Quoted(args.name) +
                                             " exists already (--replace replaces it)");
    }
    const std::vector<int> outputs = OutputNumbers(settingsPath, args);
    CDeviceSession session(options, settingsPath);
    CVexaRoutingLink link(session.Link(), session.Timeout());
    const CaptureResult captured = CaptureSalvo(link, args.name, args.fromScene, outputs);
    if (!captured.ok) {
        const bool linkFailed = captured.failure != LinkFailure::kNone;
        throw CCtlError(linkFailed ? CtlExit::kNoResponse : CtlExit::kUsage,
                        "capture from " + SourceName(args.fromScene) + ": " + captured.error);
    }
    RequireStored(store.Save(captured.salvo));
    if (options.json) {
        auto object = JsonObject();
        object["action"] = "captured";
        object["name"] = captured.salvo.name;
        object["scene"] = args.fromScene;
        std::cout << JsonLine(object) << '\n';
        return 0;
    }
    std::cout << SalvoLabel(captured.salvo) << " captured from " << SourceName(args.fromScene)
              << ": " << captured.salvo.routes.size() << " outputs\n";
    return 0;
}

int RunSalvoRename(const CtlOptions& options, const SalvoArgs& args) {
    CSalvoStore store = SalvosBeside(SettingsPathFor(options.config));
    RequireGoodName(args.newName);
    LoadSalvo(store, args.name);
    if (args.newName != args.name && Holds(store.List(), args.newName)) {
        throw CCtlError(CtlExit::kUsage,
                        "a salvo named " + Quoted(args.newName) + " exists already");
    }
    RequireStored(store.Rename(args.name, args.newName));
    if (options.json) {
        auto object = JsonObject();
        object["action"] = "renamed";
        object["name"] = args.name;
        object["new_name"] = args.newName;
        std::cout << JsonLine(object) << '\n';
        return 0;
    }
    PrintAction("renamed", args.name, false, " to " + Quoted(args.newName));
    return 0;
}

int RunSalvoDelete(const CtlOptions& options, const SalvoArgs& args) {
    CSalvoStore store = SalvosBeside(SettingsPathFor(options.config));
    RequireStored(store.Delete(args.name));
    PrintAction("deleted", args.name, options.json);
    return 0;
}

int RunSalvoApply(const CtlOptions& options, const SalvoArgs& args) {
    const std::string settingsPath = SettingsPathFor(options.config);
    const Salvo salvo = LoadSalvo(SalvosBeside(settingsPath), args.name);
    CDeviceSession session(options, settingsPath);
    CVexaRoutingLink link(session.Link(), session.Timeout());
    CJournal journal = JournalBeside(settingsPath);
    const ActionResult taken = TakeSalvo(link, journal, salvo, "salvo");
    // A routing that could not be read is reported like any take that did not hold: every
    // output of the salvo is listed, its state unknown.
    if (!taken.error.empty() && taken.apply.failure == LinkFailure::kNone) {
        ThrowNotTaken(taken);
    }
    if (taken.apply.outOfReach) {
        throw CCtlError(CtlExit::kUsage,
                        SalvoLabel(salvo) +
                            " names outputs or inputs this device lacks; "
                            "nothing sent:" +
                            OutOfReachText(OutOfReach(salvo, *taken.apply.readBack)));
    }
    ReportTake(salvo, taken, options.json);
    return 0;
}

}  // namespace vantel
