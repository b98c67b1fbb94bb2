#include "routing/salvofile.h"

#include <nlohmann/json.hpp>

namespace vantel {

namespace {

using Json = nlohmann::json;

std::string ParseRoutes(const Json& routes, std::map<int, int>& out) {
    if (!routes.is_array() || routes.size() > static_cast<std::size_t>(Salvo::kMaxOutputs)) {
        return "\"routes\" is not a list of at most " + std::to_string(Salvo::kMaxOutputs) +
               " routes";
    }
    for (const Json& route : routes) {
        const bool whole = route.is_object() && route.contains("output") &&
                           route.contains("input") && route["output"].is_number_integer() &&
                           route["input"].is_number_integer();
        if (!whole) {
            return "a route is not {\"output\": number, \"input\": number}";
        }
        // Read as 64-bit first, so a huge number is reported rather than wrapped into range.
        const auto output = route["output"].get<long long>();
        const auto input = route["input"].get<long long>();
        if (output < 1 || output > Salvo::kMaxOutputs || input < 0 || input > Salvo::kMaxInputs) {
            return "route " + std::to_string(output) + " -> " + std::to_string(input) +
                   " is out of range";
        }
        if (!out.emplace(static_cast<int>(output), static_cast<int>(input)).second) {
            return "output " + std::to_string(output) + " is given twice";
        }
    }
    return {};
}

}  // namespace

std::string FormatSalvoFile(const Salvo& salvo) {
    std::string text = "{\"format\": \"" + std::string(kSalvoFormat) +
                       "\", \"version\": " + std::to_string(kSalvoFormatVersion) +
                       ", \"name\": " + Json(salvo.name).dump() + ",\n \"routes\": [";
    const char* separator = "\n";
    for (const auto& [output, input] : salvo.routes) {
        text += separator;
        text += "  {\"output\": " + std::to_string(output) +
                ", \"input\": " + std::to_string(input) + "}";
        separator = ",\n";
    }
    text += "\n ]}\n";
    return text;
}

std::string ParseSalvoFile(std::string_view text, Salvo& salvo) {
    if (text.size() > kMaxSalvoFileBytes) {
        return "larger than " + std::to_string(kMaxSalvoFileBytes) + " bytes";
    }
    const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded()) {
        return "not valid JSON";
    }
    if (!doc.is_object() || doc.value("format", Json()) != kSalvoFormat) {
        return "not a salvo file (no \"format\": \"" + std::string(kSalvoFormat) + "\")";
    }
    const Json version = doc.value("version", Json());
    if (!version.is_number_integer() || version.get<long long>() < 1) {
        return "no format version";
    }
    if (version.get<long long>() > kSalvoFormatVersion) {
        return "format version " + std::to_string(version.get<long long>()) +
               " is newer than this program reads";
    }
    const Json name = doc.value("name", Json());
    if (!name.is_string()) {
        return "no name";
    }
    Salvo read;
    read.name = name.get<std::string>();
    std::string problem = SalvoNameProblem(read.name);
    if (problem.empty()) {
        problem = ParseRoutes(doc.value("routes", Json()), read.routes);
    }
    if (problem.empty()) {
        salvo = std::move(read);
    }
    return problem;
}

}  // namespace vantel
