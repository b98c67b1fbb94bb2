// vantelctl: the command-line client of the Vantel matrix switcher, on the same link library
// as the application. Exit codes: 0 done, 1 no usable reply or a result the device does not
// hold, 2 usage, 3 cannot open.
#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <string>

#include "buildconfig.h"
#include "commands.h"
#include "ctlerror.h"
#include "ctloptions.h"
#include "link/portconfig.h"

namespace {

using vantel::CtlExit;
using vantel::CtlOptions;

constexpr const char* kFooter =
    "Exit codes: 0 done, 1 no usable reply (none, refused or unusable) or the device does not "
    "hold the result (the outputs are listed), 2 usage, 3 cannot open or write a file.\n"
    "Without --host or --serial the connection stored in setup.ini is used.";

CLI::Validator HostValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            return vantel::ParseEndpoint(text, vantel::kDefaultTcpPort)
                       ? std::string()
                       : "'" + text + "' is not a numeric IP address with an optional :PORT";
        },
        "");
}

CLI::Validator SerialValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            const bool ok = vantel::ComPortNumber(text) || text.find('/') != std::string::npos;
            return ok ? std::string() : "'" + text + "' is neither COM1..COM9 nor a device path";
        },
        "");
}

void AddGlobalOptions(CLI::App& app, CtlOptions& options) {
    auto* host = app.add_option("--host", options.host, "connect over TCP, port 4001 by default")
                     ->type_name("ADDR[:PORT]")
                     ->check(HostValidator());
    auto* serial =
        app.add_option("--serial", options.serial,
                       "connect over a serial line: COM1..COM9 as mapped in setup.ini, or a path")
            ->type_name("COMn|PATH")
            ->check(SerialValidator());
    host->excludes(serial);
    app.add_option("--config", options.config,
                   "settings file to use instead of the application's setup.ini")
        ->type_name("FILE");
    app.add_option("--timeout", options.timeout, "time-out of each device command")
        ->type_name("MS")
        ->check(CLI::Range(1, 60000))
        ->capture_default_str();
    app.add_flag("--json", options.json, "print results as JSON (schema in the README)");
}

// Lets a subcommand name the action that runs after a successful parse.
using Action = std::function<int()>;

CLI::App* AddCommand(CLI::App& parent, const char* name, const char* help, Action& chosen,
                     Action action) {
    auto* command = parent.add_subcommand(name, help);
    command->callback([&chosen, action = std::move(action)] { chosen = action; });
    return command;
}

void AddSceneCommands(CLI::App& app, const CtlOptions& options, Action& chosen, int& scene) {
    auto* group = app.add_subcommand("scene", "show, load or save a stored scene");
    group->require_subcommand(1);
    AddCommand(*group, "show", "print the routing stored in scene N (0: the live routing)", chosen,
               [&] { return vantel::RunSceneShow(options, scene); })
        ->add_option("N", scene, "scene number")
        ->required()
        ->check(CLI::Range(0, 11));
    AddCommand(*group, "load", "make scene N the live routing", chosen,
               [&] { return vantel::RunSceneLoad(options, scene); })
        ->add_option("N", scene, "scene number")
        ->required()
        ->check(CLI::Range(1, 11));
    AddCommand(*group, "save", "store the live routing as scene N", chosen,
               [&] { return vantel::RunSceneSave(options, scene); })
        ->add_option("N", scene, "scene number")
        ->required()
        ->check(CLI::Range(1, 11));
}

void AddSetupCommands(CLI::App& app, const CtlOptions& options, Action& chosen,
                      vantel::SetupChanges& changes) {
    auto* group = app.add_subcommand("setup", "show or change the device's own settings");
    group->require_subcommand(1);
    AddCommand(*group, "show", "print the device's counts, addresses and buzzer", chosen,
               [&] { return vantel::RunSetupShow(options); });
    auto* set = AddCommand(*group, "set", "change the named fields and keep the others", chosen,
                           [&] { return vantel::RunSetupSet(options, changes); });
    set->add_option("--inputs", changes.inputs, "number of inputs, 1 to 48")->type_name("N");
    set->add_option("--outputs", changes.outputs, "number of outputs, 1 to 48")->type_name("N");
    set->add_option("--ip", changes.ip, "the device's IP address")->type_name("A");
    set->add_option("--mask", changes.mask, "the device's subnet mask")->type_name("A");
    set->add_option("--gateway", changes.gateway, "the device's gateway")->type_name("A");
    set->add_option("--buzzer", changes.buzzer, "on or off")->type_name("on|off");
}

CLI::App* AddNamed(CLI::App* command, std::string& name) {
    command->add_option("NAME", name, "the salvo's name")->required();
    return command;
}

void AddSalvoCommands(CLI::App& app, const CtlOptions& options, Action& chosen,
                      vantel::SalvoArgs& args) {
    auto* group = app.add_subcommand("salvo", "list, show, capture, take, rename or delete salvos");
    group->require_subcommand(1);
    AddCommand(*group, "list", "print the names of the stored salvos", chosen,
               [&] { return vantel::RunSalvoList(options); });
    AddNamed(AddCommand(*group, "show", "print a salvo's routes", chosen,
                        [&] { return vantel::RunSalvoShow(options, args); }),
             args.name)
        ->add_flag("--diff", args.diff, "show now -> after against the live routing");
    auto* capture = AddNamed(AddCommand(*group, "capture", "store the routing as a salvo", chosen,
                                        [&] { return vantel::RunSalvoCapture(options, args); }),
                             args.name);
    capture
        ->add_option("--outputs", args.outputs, "only these outputs (numbers, ranges 1-4, labels)")
        ->type_name("LIST")
        ->delimiter(',');
    capture->add_option("--from-scene", args.fromScene, "capture stored scene N instead")
        ->type_name("N")
        ->check(CLI::Range(1, 11));
    capture->add_flag("--replace", args.replace, "replace a salvo of the same name");
    AddNamed(AddCommand(*group, "apply", "take a salvo and read the routing back", chosen,
                        [&] { return vantel::RunSalvoApply(options, args); }),
             args.name);
    AddNamed(AddCommand(*group, "rename", "give a salvo another name", chosen,
                        [&] { return vantel::RunSalvoRename(options, args); }),
             args.name)
        ->add_option("NEW", args.newName, "the new name")
        ->required();
    AddNamed(AddCommand(*group, "delete", "remove a salvo", chosen,
                        [&] { return vantel::RunSalvoDelete(options, args); }),
             args.name);
}

void AddLabelCommands(CLI::App& app, const CtlOptions& options, Action& chosen,
                      vantel::LabelsArgs& args) {
    auto* group = app.add_subcommand("labels", "export or import the button labels as CSV");
    group->require_subcommand(1);
    AddCommand(*group, "export", "write every input and output label to FILE", chosen,
               [&] { return vantel::RunLabelsExport(options, args.file); })
        ->add_option("FILE", args.file, "the CSV file to write")
        ->required();
    auto* import = AddCommand(*group, "import", "set the labels FILE gives", chosen,
                              [&] { return vantel::RunLabelsImport(options, args); });
    import->add_option("FILE", args.file, "the CSV file to read")->required();
    import->add_flag("--dry-run", args.dryRun, "only print what would change");
}

int ReportParseError(const CLI::App& app, const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        return app.exit(error);  // --help
    }
    std::cerr << "vantelctl: " << error.what() << " (see vantelctl --help)" << std::endl;
    return static_cast<int>(CtlExit::kUsage);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Command-line client of the Vantel matrix switcher.", "vantelctl"};
    app.footer(kFooter);
    app.fallthrough();
    app.require_subcommand(1);
    app.set_version_flag("--version", "vantelctl " VANTEL_VERSION);

    CtlOptions options;
    Action chosen;
    vantel::RouteArgs route;
    vantel::SetupChanges changes;
    int scene = 0;
    vantel::SalvoArgs salvo;
    std::string since;
    vantel::LabelsArgs labels;

    AddGlobalOptions(app, options);
    AddCommand(app, "status", "print the counts and the live routing", chosen,
               [&] { return vantel::RunStatus(options); });
    auto* routeCommand = AddCommand(app, "route", "make OUT... exactly the outputs of IN", chosen,
                                    [&] { return vantel::RunRoute(options, route); });
    routeCommand->add_option("IN", route.input, "input number (from 1) or label")->required();
    routeCommand->add_option("OUT", route.outputs, "output numbers or labels; none unroutes IN");
    AddSceneCommands(app, options, chosen, scene);
    AddSetupCommands(app, options, chosen, changes);
    AddSalvoCommands(app, options, chosen, salvo);
    AddLabelCommands(app, options, chosen, labels);
    AddCommand(app, "undo", "take back the last action on the routing", chosen,
               [&] { return vantel::RunUndo(options); });
    AddCommand(app, "log", "print the journal of actions on the routing, oldest first", chosen,
               [&] { return vantel::RunLog(options, since); })
        ->add_option("--since", since, "only actions from then on: ISO 8601 or Unix seconds")
        ->type_name("TIME");
    AddCommand(app, "watch", "print every change of the live routing until interrupted", chosen,
               [&] { return vantel::RunWatch(options); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return ReportParseError(app, error);
    }
    try {
        return chosen();
    } catch (const vantel::CCtlError& error) {
        std::cerr << "vantelctl: " << error.what() << std::endl;
        return static_cast<int>(error.Code());
    } catch (const std::exception& error) {
        std::cerr << "vantelctl: " << error.what() << std::endl;
        return static_cast<int>(CtlExit::kNoResponse);
    }
}
