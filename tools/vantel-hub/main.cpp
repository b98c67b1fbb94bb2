// vantel-hub: the one owner of a switcher's link, serving many stations (the device protocol)
// and control systems (the routers' text protocol, SW-P-08) at once, with every change pushed
// to every text and SW-P-08 client and outputs lockable.

#include <CLI/CLI.hpp>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "buildconfig.h"
#include "device/simoptions.h"
#include "hub/hubserver.h"
#include "link/portconfig.h"
#include "routing/journal.h"

namespace {

constexpr int kExitDevice = 2;    // no device named and none in the settings file
constexpr int kExitEndpoint = 3;  // an endpoint cannot be opened

struct Arguments {
    std::string listen = "127.0.0.1:4001";
    std::string textListen = "127.0.0.1:9990";
    std::string swp08Listen;  // empty: no SW-P-08 face
    std::string emberListen;  // empty: no Ember+ face
    std::string device;
    std::string config;
    int refreshMs = -1;
    int timeoutMs = 500;
    bool noForceUnlock = false;
    bool ackAfterApply = false;
    bool noAnnounce = false;
    bool oldAllowForceUnlock = false;  // accepted for old command lines; forcing is the default
    std::size_t maxClients = vantel::HubOptions{}.maxClients;
};

void Describe(CLI::App& app, Arguments& args) {
    app.add_option("--listen", args.listen,
                   "ADDR:PORT of the station face (the device protocol); port 0 picks a free "
                   "port")
        ->capture_default_str();
    app.add_option("--text-listen", args.textListen,
                   "ADDR:PORT of the text face for control systems; port 0 picks a free port")
        ->capture_default_str();
    app.add_option("--swp08-listen", args.swp08Listen,
                   "[ADDR:]PORT of the SW-P-08 face for router controllers and panels (off "
                   "unless given; without ADDR loopback; port 0 picks a free port)");
    app.add_option("--ember-listen", args.emberListen,
                   "ADDR:PORT of the Ember+ provider face (S101 over TCP); port 0 picks a free "
                   "port; not served without it");
    app.add_option("--device", args.device,
                   "the switcher: ADDR[:PORT] (TCP), COM1..COM9 (the settings file's port "
                   "map) or a serial device path; default: the connection stored in --config");
    app.add_option("--config", args.config,
                   "setup.ini: the stored connection, the port map and the button labels")
        ->check(CLI::ExistingFile);
    app.add_option("--refresh", args.refreshMs,
                   "read the device every MS milliseconds (default 250 over TCP, 0 = as fast "
                   "as a serial line answers)")
        ->check(CLI::Range(0, 60000));
    app.add_option("--timeout", args.timeoutMs, "time-out of each device command in ms")
        ->check(CLI::Range(10, 60000))
        ->capture_default_str();
    app.add_option("--max-clients", args.maxClients,
                   "connections each face serves at once; one more is told so (text face) and "
                   "closed")
        ->check(CLI::Range(1, 65536))
        ->capture_default_str();
    auto* noForce =
        app.add_flag("--no-force-unlock", args.noForceUnlock,
                     "refuse a client's force unlock ('F') of a lock held from another address");
    app.add_flag("--ack-after-apply", args.ackAfterApply,
                 "answer a text client's route ACK only once the device was read back holding "
                 "it (default: ACK on acceptance, the result follows as the push)");
    app.add_flag("--no-announce", args.noAnnounce,
                 "do not announce the two faces on the local network (DNS-SD)");
    app.add_flag("--allow-force-unlock", args.oldAllowForceUnlock,
                 "accepted and ignored: forcing a lock open is allowed by default")
        ->excludes(noForce);
}

// One line on stderr, whole, with the time: the network and device threads both log.
void Log(const std::string& line) {
    static std::mutex mutex;
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::lock_guard lock(mutex);
    std::cerr << stamp << " vantel-hub: " << line << std::endl;
}

bool ParseEndpoint(const std::string& text, const char* flag, std::string& host,
                   unsigned short& port) {
    const auto address = vantel::ParseListenAddress(text);
    if (!address) {
        std::cerr << "vantel-hub: " << flag << " wants ADDR:PORT, not '" << text << "'\n";
        return false;
    }
    host = address->host;
    port = address->port;
    return true;
}

// The device side: which port text the link opens, and how.
bool DescribeDevice(const Arguments& args, vantel::DeviceOwnerOptions& device) {
    device.settingsPath = args.config;
    device.port = args.device;
    if (device.port.empty()) {
        std::string error;
        const auto stored =
            args.config.empty() ? std::nullopt : vantel::StoredPort(args.config, error);
        if (!stored) {
            std::cerr << "vantel-hub: no device: give --device or a --config that stores one"
                      << (error.empty() ? "" : " (" + error + ")") << "\n";
            return false;
        }
        device.port = *stored;
    }
    const bool serial = vantel::ComPortNumber(device.port) || vantel::IsDevicePath(device.port);
    if (vantel::IsDevicePath(device.port)) {
        device.transportFactory =
            vantel::DevicePathFactory(vantel::ReadSerialSettings(1, args.config).baud);
    }
    device.refresh = std::chrono::milliseconds(args.refreshMs >= 0 ? args.refreshMs
                                               : serial            ? 0
                                                                   : 250);
    device.timeoutMs = args.timeoutMs;
    device.allowForceUnlock = !args.noForceUnlock;
    device.ackAfterApply = args.ackAfterApply;
    device.log = Log;
    if (!args.config.empty()) {
        // Locks and changes not taken go to the action journal beside the settings file, where
        // vantelctl log shows them with everyone's routing actions.
        auto journal = std::make_shared<vantel::CJournal>(
            vantel::CJournal::FileBeside(std::filesystem::path(args.config)));
        device.record = [journal](const std::string& action, const std::string& text) {
            std::string error;
            if (!journal->Append(vantel::JournalEntry{"", action, text, {}}, &error)) {
                Log("journal: " + error);
            }
        };
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vantel-hub: shares one matrix switcher among stations and control systems"};
    Arguments args;
    app.set_version_flag("--version", "vantel-hub " VANTEL_VERSION);
    Describe(app, args);
    CLI11_PARSE(app, argc, argv);

    vantel::HubOptions options;
    if (!ParseEndpoint(args.listen, "--listen", options.listenHost, options.listenPort) ||
        !ParseEndpoint(args.textListen, "--text-listen", options.textHost, options.textPort)) {
        return static_cast<int>(CLI::ExitCodes::ValidationError);
    }
    if (!args.swp08Listen.empty()) {
        // A bare port, or ":PORT", listens on loopback.
        const std::string text = args.swp08Listen.find(':') == std::string::npos
                                     ? ":" + args.swp08Listen
                                     : args.swp08Listen;
        if (!ParseEndpoint(text, "--swp08-listen", options.swp08Host, options.swp08Port)) {
            return static_cast<int>(CLI::ExitCodes::ValidationError);
        }
        options.swp08 = true;
    }
    options.ember = !args.emberListen.empty();
    if (options.ember &&
        !ParseEndpoint(args.emberListen, "--ember-listen", options.emberHost, options.emberPort)) {
        return static_cast<int>(CLI::ExitCodes::ValidationError);
    }
    if (!DescribeDevice(args, options.device)) {
        return kExitDevice;
    }
    std::signal(SIGPIPE, SIG_IGN);
    options.maxClients = args.maxClients;
    options.handleSignals = true;
    options.announce = !args.noAnnounce;
    vantel::CHubServer hub(options);
    std::vector<std::string> endpoints;
    std::string error;
    if (!hub.Open(endpoints, error)) {
        std::cerr << "vantel-hub: " << error << "\n";
        return kExitEndpoint;
    }
    for (const auto& line : endpoints) {
        std::cout << line << "\n";
    }
    std::cout.flush();
    Log("device " + options.device.port);
    hub.Run();
    return 0;
}
