#include "routingreport.h"

#include <cstdio>
#include <string>

#include "jsonline.h"

namespace vantel {

namespace {

std::string SceneName(int scene) {
    return scene == 0 ? "live routing" : "scene " + std::to_string(scene);
}

void PrintText(std::ostream& out, const CStateImage& image, const Routing& routing, int scene) {
    out << SceneName(scene) << ": " << routing.inputs << " inputs, " << routing.outputs
        << " outputs\n\nOUT  IN\n";
    for (int j = 1; j <= routing.outputs; ++j) {
        const int source = routing.SourceOf(j);
        out << PortText(j) << "   " << PortText(source) << '\n';
    }
    out << "\nIN   OUT\n";
    for (const auto& row : image.RoutingList()) {
        out << row.in << "   " << row.out << '\n';
    }
}

nlohmann::ordered_json ListJson(const CStateImage& image) {
    auto rows = nlohmann::ordered_json::array();
    for (const auto& row : image.RoutingList()) {
        rows.push_back({{"in", row.in}, {"out", row.out}});
    }
    return rows;
}

}  // namespace

std::string PortText(int number) {
    if (number == 0) {
        return "--";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

nlohmann::ordered_json InputJson(int input) {
    return input == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(input);
}

nlohmann::ordered_json RoutesJson(const Routing& routing) {
    auto routes = nlohmann::ordered_json::array();
    for (int j = 1; j <= routing.outputs; ++j) {
        routes.push_back({{"output", j}, {"input", InputJson(routing.SourceOf(j))}});
    }
    return routes;
}

void PrintRouting(std::ostream& out, const CStateImage& image, int scene, bool json) {
    const Routing routing = Routing::Of(image);
    if (!json) {
        PrintText(out, image, routing, scene);
        return;
    }
    auto object = JsonObject();
    object["scene"] = scene;
    object["inputs"] = routing.inputs;
    object["outputs"] = routing.outputs;
    object["ports"] = image.PortCount();
    object["routes"] = RoutesJson(routing);
    object["list"] = ListJson(image);
    out << JsonLine(object) << '\n';
}

}  // namespace vantel
