// vantel-sim: a software matrix switcher. Serves the device protocol on TCP (loopback unless
// told otherwise) and, with --pty, on a pseudo-terminal that clients open as a serial port.

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "buildconfig.h"
#include "device/simserver.h"
#include "device/statefile.h"
#include "device/switcher.h"

namespace {

constexpr int kExitState = 2;     // the state file cannot be read or written
constexpr int kExitEndpoint = 3;  // an endpoint cannot be opened

struct Arguments {
    std::string listen = "127.0.0.1:4001";
    bool pty = false;
    int inputs = 8;
    int outputs = 8;
    std::string stateFile;
    int latencyMs = 0;
    double drop = 0.0;
    double garble = 0.0;
    std::uint64_t seed = 1;
    std::size_t maxClients = 64;
};

void Describe(CLI::App& app, Arguments& args) {
    const int maxPorts = vantel::CSwitcher::kMaxPorts;
    app.add_option("--listen", args.listen,
                   "TCP address ADDR:PORT to serve on ([ADDR]:PORT for IPv6); port 0 picks a "
                   "free port. Only a loopback address unless given here.")
        ->capture_default_str();
    app.add_flag("--pty", args.pty,
                 "also serve on a pseudo-terminal (printed as 'serial on PATH')");
    app.add_option("--inputs", args.inputs, "number of inputs of a new device")
        ->check(CLI::Range(1, maxPorts))
        ->capture_default_str();
    app.add_option("--outputs", args.outputs, "number of outputs of a new device")
        ->check(CLI::Range(1, maxPorts))
        ->capture_default_str();
    app.add_option("--state", args.stateFile,
                   "keep the device (setup, routing, scenes) in FILE across restarts; an "
                   "existing file's counts win over --inputs/--outputs");
    app.add_option("--latency", args.latencyMs, "delay every reply by MS milliseconds")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    app.add_option("--drop", args.drop, "share of replies swallowed, 0 to 1")
        ->check(CLI::Range(0.0, 1.0))
        ->capture_default_str();
    app.add_option("--garble", args.garble, "share of reply bytes corrupted, 0 to 1")
        ->check(CLI::Range(0.0, 1.0))
        ->capture_default_str();
    app.add_option("--seed", args.seed, "seed of the reply faults")->capture_default_str();
    app.add_option("--max-clients", args.maxClients,
                   "TCP connections served at once; one beyond is closed at once (1: like "
                   "hardware that serves one connection)")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
}

// The device from the state file, or a new one; nothing (after a message) when the file is bad.
std::optional<vantel::CSwitcher> LoadDevice(const Arguments& args, const CLI::App& app) {
    if (args.stateFile.empty()) {
        return vantel::CSwitcher(args.inputs, args.outputs);
    }
    const vantel::CStateFile file(args.stateFile);
    std::optional<vantel::CSwitcher> device;
    std::string error;
    switch (file.Load(device, error)) {
        case vantel::CStateFile::LoadStatus::Corrupt:
            std::cerr << "vantel-sim: cannot use state file: " << error << "\n";
            return std::nullopt;
        case vantel::CStateFile::LoadStatus::Missing:
            device.emplace(args.inputs, args.outputs);
            break;
        case vantel::CStateFile::LoadStatus::Loaded:
            if ((app.count("--inputs") > 0 && device->Inputs() != args.inputs) ||
                (app.count("--outputs") > 0 && device->Outputs() != args.outputs)) {
                std::cerr << "vantel-sim: " << args.stateFile << " keeps " << device->Inputs()
                          << " inputs and " << device->Outputs() << " outputs; using those\n";
            }
            break;
    }
    // Writing at once shows an unwritable place now rather than at the first change.
    if (!file.Save(*device, error)) {
        std::cerr << "vantel-sim: cannot use state file: " << error << "\n";
        return std::nullopt;
    }
    return device;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vantel-sim: a software matrix switcher serving the device protocol"};
    Arguments args;
    app.set_version_flag("--version", "vantel-sim " VANTEL_VERSION);
    Describe(app, args);
    CLI11_PARSE(app, argc, argv);

    const auto listen = vantel::ParseListenAddress(args.listen);
    if (!listen) {
        std::cerr << "vantel-sim: --listen wants ADDR:PORT, not '" << args.listen << "'\n";
        return static_cast<int>(CLI::ExitCodes::ValidationError);
    }
    auto device = LoadDevice(args, app);
    if (!device) {
        return kExitState;
    }
    std::signal(SIGPIPE, SIG_IGN);

    vantel::SimOptions options;
    options.listenHost = listen->host;
    options.listenPort = listen->port;
    options.pty = args.pty;
    options.latencyMs = args.latencyMs;
    options.drop = args.drop;
    options.garble = args.garble;
    options.seed = args.seed;
    options.maxClients = args.maxClients;
    options.handleSignals = true;
    vantel::CSimServer server(*device, options);
    if (!args.stateFile.empty()) {
        // A change that cannot be saved is refused and undone, so the host never takes for
        // done what the device would lose at its next start.
        server.SetKeeper([&device, file = vantel::CStateFile(args.stateFile)] {
            std::string error;
            if (file.Save(*device, error)) {
                return true;
            }
            std::cerr << "vantel-sim: change refused, state not saved: " << error << std::endl;
            return false;
        });
    }
    std::vector<std::string> endpoints;
    std::string error;
    if (!server.Open(endpoints, error)) {
        std::cerr << "vantel-sim: " << error << "\n";
        return kExitEndpoint;
    }
    for (const auto& line : endpoints) {
        std::cout << line << "\n";
    }
    std::cout.flush();
    server.Run();
    return 0;
}
