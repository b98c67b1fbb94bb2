#pragma once
// The commands of vantelctl. Each returns the exit code of a command that succeeded and
// throws CCtlError for one that failed.

#include <optional>
#include <string>
#include <vector>

#include "ctloptions.h"

namespace vantel {

struct RouteArgs {
    std::string input;
    std::vector<std::string> outputs;
};

// The fields that "setup set" changes, as typed; unset ones keep the device's values.
struct SetupChanges {
    std::optional<std::string> inputs;
    std::optional<std::string> outputs;
    std::optional<std::string> ip;
    std::optional<std::string> mask;
    std::optional<std::string> gateway;
    std::optional<std::string> buzzer;
};

// The arguments of the salvo commands, as typed.
struct SalvoArgs {
    std::string name;
    std::string newName;               // rename
    std::vector<std::string> outputs;  // capture --outputs; empty: every output
    int fromScene = 0;                 // capture --from-scene; 0: the live routing
    bool diff = false;                 // show --diff
    bool replace = false;              // capture --replace
};

// The arguments of labels export and labels import, as typed.
struct LabelsArgs {
    std::string file;
    bool dryRun = false;  // import --dry-run
};

int RunStatus(const CtlOptions& options);
int RunRoute(const CtlOptions& options, const RouteArgs& args);
int RunSceneShow(const CtlOptions& options, int scene);
int RunSceneLoad(const CtlOptions& options, int scene);
int RunSceneSave(const CtlOptions& options, int scene);
int RunSetupShow(const CtlOptions& options);
int RunSetupSet(const CtlOptions& options, const SetupChanges& changes);
int RunSalvoList(const CtlOptions& options);
int RunSalvoShow(const CtlOptions& options, const SalvoArgs& args);
int RunSalvoCapture(const CtlOptions& options, const SalvoArgs& args);
int RunSalvoRename(const CtlOptions& options, const SalvoArgs& args);
int RunSalvoDelete(const CtlOptions& options, const SalvoArgs& args);
// Takes the salvo with read-back; fails (after printing what differs) unless the device was
// read back holding it.
int RunSalvoApply(const CtlOptions& options, const SalvoArgs& args);
// Takes back the last journaled action, leaving outputs changed since alone.
int RunUndo(const CtlOptions& options);
// Prints the journal, oldest first; since (ISO 8601 or Unix seconds) drops older entries.
int RunLog(const CtlOptions& options, const std::string& since);

// Writes every input and output label of the settings file to a CSV file.
int RunLabelsExport(const CtlOptions& options, const std::string& file);
// Sets the labels a CSV file gives, all in one change of the settings file, after checking
// every row; prints what changes (and, with dryRun, only that).
int RunLabelsImport(const CtlOptions& options, const LabelsArgs& args);

// Prints every change of the live routing until SIGINT or SIGTERM.
int RunWatch(const CtlOptions& options);

}  // namespace vantel
