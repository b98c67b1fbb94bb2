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

int RunStatus(const CtlOptions& options);
int RunRoute(const CtlOptions& options, const RouteArgs& args);
int RunSceneShow(const CtlOptions& options, int scene);
int RunSceneLoad(const CtlOptions& options, int scene);
int RunSceneSave(const CtlOptions& options, int scene);
int RunSetupShow(const CtlOptions& options);
int RunSetupSet(const CtlOptions& options, const SetupChanges& changes);
// Prints every change of the live routing until SIGINT or SIGTERM.
int RunWatch(const CtlOptions& options);

}  // namespace vantel
