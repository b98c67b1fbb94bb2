// status, route and the scene commands.
#include "commands.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <set>

#include "actionjournal.h"
#include "ctlerror.h"
#include "devicesession.h"
#include "jsonline.h"
#include "link/devicecommand.h"
#include "portnames.h"
#include "routing/capture.h"
#include "routingreport.h"
#include "settingspath.h"

namespace vantel {

namespace {

constexpr int kLastPortNumber = 255;

// A port as named on the command line, and its 0-based index.
struct NamedPort {
    std::string name;
    int index;
};

std::vector<NamedPort> ResolveOutputs(const CPortNames& names, const RouteArgs& args) {
    std::vector<NamedPort> outputs;
    for (const auto& name : args.outputs) {
        outputs.push_back({name, names.Resolve(PortKind::kOutput, name)});
    }
    return outputs;
}

// The outputs' indexes, ascending and each once, after checking them against the device's
// counts. The switch grid has at most 72 buttons of each kind; so has the command line.
std::set<int> CheckedOutputs(const NamedPort& input, const std::vector<NamedPort>& outputs,
                             const CStateImage& image) {
    const int inputCount = std::min(image.InputCount(), CPortNames::kMaxButtons);
    const int outputCount = std::min(image.OutputCount(), CPortNames::kMaxButtons);
    CPortNames::RequireInRange(PortKind::kInput, input.name, input.index, inputCount);
    std::set<int> indexes;
    for (const auto& output : outputs) {
        CPortNames::RequireInRange(PortKind::kOutput, output.name, output.index, outputCount);
        indexes.insert(output.index);
    }
    return indexes;
}

// Input port k, then port M + j of each output j, as the switch command takes them.
std::vector<std::uint8_t> SwitchPayload(int input, const std::set<int>& outputs, int inputCount) {
    std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(input)};
    for (const int j : outputs) {
        const int port = inputCount + j;
        if (port > kLastPortNumber) {
            throw CCtlError(CtlExit::kUsage, "output " + std::to_string(j + 1) +
                                                 " cannot be addressed: its port number " +
                                                 std::to_string(port) + " is above 255");
        }
        payload.push_back(static_cast<std::uint8_t>(port));
    }
    return payload;
}

// The route as a salvo: the listed outputs show the input, the input's other outputs none.
Salvo RouteAsSalvo(int input, const std::set<int>& outputs, const CStateImage& image) {
    Salvo salvo{"route " + std::to_string(input + 1), {}};
    for (int j = 0; j < image.OutputCount(); ++j) {
        if (image.SourceOf(j) == input) {
            salvo.routes[j + 1] = 0;
        }
    }
    for (const int j : outputs) {
        salvo.routes[j + 1] = input + 1;
    }
    return salvo;
}

void PrintRoute(int input, const std::set<int>& outputs, bool json) {
    if (json) {
        auto object = JsonObject();
        object["input"] = input + 1;
        auto list = nlohmann::ordered_json::array();
        for (const int j : outputs) {
            list.push_back(j + 1);
        }
        object["outputs"] = list;
        std::cout << JsonLine(object) << '\n';
        return;
    }
    std::cout << "input " << input + 1 << " -> " << (outputs.empty() ? "no outputs" : "outputs");
    for (const int j : outputs) {
        std::cout << ' ' << j + 1;
    }
    std::cout << '\n';
}

void PrintSceneAction(const char* action, int scene, bool json) {
    if (json) {
        auto object = JsonObject();
        object["action"] = action;
        object["scene"] = scene;
        std::cout << JsonLine(object) << '\n';
        return;
    }
    std::cout << "scene " << scene << ' ' << action << '\n';
}

}  // namespace

int RunStatus(const CtlOptions& options) {
    return RunSceneShow(options, 0);
}

int RunSceneShow(const CtlOptions& options, int scene) {
    CDeviceSession session(options, SettingsPathFor(options.config));
    PrintRouting(std::cout, session.ReadImage(scene), scene, options.json);
    return 0;
}

int RunRoute(const CtlOptions& options, const RouteArgs& args) {
    const std::string settingsPath = SettingsPathFor(options.config);
    const CPortNames names(settingsPath);
    // Names are resolved before anything is sent, so a wrong label costs no traffic.
    const NamedPort input{args.input, names.Resolve(PortKind::kInput, args.input)};
    const std::vector<NamedPort> named = ResolveOutputs(names, args);
    CDeviceSession session(options, settingsPath);
    // The counts of the moment decide the port numbers, as on the switch page.
    const CStateImage image = session.ReadImage(0);
    const std::set<int> outputs = CheckedOutputs(input, named, image);
    const std::vector<std::uint8_t> payload =
        SwitchPayload(input.index, outputs, image.InputCount());
    SendJournaled(session, settingsPath, "route", RouteAsSalvo(input.index, outputs, image), image,
                  kSwitch, payload, "switch");
    PrintRoute(input.index, outputs, options.json);
    return 0;
}

int RunSceneLoad(const CtlOptions& options, int scene) {
    const std::string settingsPath = SettingsPathFor(options.config);
    CDeviceSession session(options, settingsPath);
    // The scene's routing and the live one, so that the load can be undone.
    const CaptureResult stored =
        SalvoFromImage(session.ReadImage(scene), "scene " + std::to_string(scene), {});
    if (!stored.ok) {
        throw CCtlError(CtlExit::kNoResponse,
                        "read scene " + std::to_string(scene) + ": " + stored.error);
    }
    const std::uint8_t payload[] = {0, static_cast<std::uint8_t>(scene)};
    SendJournaled(session, settingsPath, "scene", stored.salvo, session.ReadImage(0), kLoadScene,
                  payload, "load scene " + std::to_string(scene));
    PrintSceneAction("loaded", scene, options.json);
    return 0;
}

int RunSceneSave(const CtlOptions& options, int scene) {
    CDeviceSession session(options, SettingsPathFor(options.config));
    const std::uint8_t payload[] = {static_cast<std::uint8_t>(scene), 0};
    session.Send(kSaveScene, payload, "save scene " + std::to_string(scene));
    PrintSceneAction("saved", scene, options.json);
    return 0;
}

}  // namespace vantel
