#include "routing/salvofile.h"

#include <nlohmann/json.hpp>

#include "routing/strictjson.h"

namespace vantel {

namespace {

using Json = nlohmann::json;

// A route's number as read: its value when it is a whole number within 64 bits, and its text
// as written, so a number beyond them is reported as itself.
struct RouteNumber {
    bool whole = false;
    long long value = 0;
    std::string text;
};

// Stands for every whole number above the ports, whatever its size: no wrapping into range.
constexpr long long kAbovePorts = Salvo::kMaxOutputs + 1LL;

// Whether text is an integer literal: digits, perhaps after a minus.
bool IsIntegerText(std::string_view text) {
    if (text.starts_with('-')) {
        text.remove_prefix(1);
    }
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

RouteNumber NumberOf(const Json& field) {
    RouteNumber number{false, 0, JsonValueText(field)};
    if (field.is_number_unsigned()) {
        const auto value = field.get<unsigned long long>();
        number.whole = true;
        number.value = value >= static_cast<unsigned long long>(kAbovePorts)
                           ? kAbovePorts
                           : static_cast<long long>(value);
    } else if (field.is_number_integer()) {
        number.whole = true;
        number.value = field.get<long long>();
    } else if (IsIntegerText(number.text)) {  // beyond 64 bits
        number.whole = true;
        number.value = number.text.starts_with('-') ? -1 : kAbovePorts;
    }
    return number;
}

bool IsNumber(const Json& field) {
    return field.is_number() || field.is_binary();
}

// One route; "input": null is no input, as `salvo show --json` prints it.
std::string ParseRoute(const Json& route, std::map<int, int>& out) {
    const bool shaped = route.is_object() && route.contains("output") && route.contains("input") &&
                        IsNumber(route["output"]) &&
                        (IsNumber(route["input"]) || route["input"].is_null());
    if (!shaped) {
        return "a route is not {\"output\": number, \"input\": number or null}";
    }
    const RouteNumber output = NumberOf(route["output"]);
    const RouteNumber input =
        route["input"].is_null() ? RouteNumber{true, 0, "null"} : NumberOf(route["input"]);
    if (!output.whole || !input.whole) {
        return "route " + output.text + " -> " + input.text + " is not of whole numbers";
    }
    if (output.value < 1 || output.value > Salvo::kMaxOutputs || input.value < 0 ||
        input.value > Salvo::kMaxInputs) {
        return "route " + output.text + " -> " + input.text + " is out of range";
    }
    if (!out.emplace(static_cast<int>(output.value), static_cast<int>(input.value)).second) {
        return "output " + output.text + " is given twice";
    }
    return {};
}

std::string ParseRoutes(const Json& routes, std::map<int, int>& out) {
    if (!routes.is_array() || routes.size() > static_cast<std::size_t>(Salvo::kMaxOutputs)) {
        return "\"routes\" is not a list of at most " + std::to_string(Salvo::kMaxOutputs) +
               " routes";
    }
    for (const Json& route : routes) {
        std::string problem = ParseRoute(route, out);
        if (!problem.empty()) {
            return problem;
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
    Json doc;
    if (std::string problem = ParseStrictJson(text, doc); !problem.empty()) {
        return problem;
    }
    if (!doc.is_object() || doc.value("format", Json()) != kSalvoFormat) {
        return "not a salvo file (no \"format\": \"" + std::string(kSalvoFormat) + "\")";
    }
    const Json version = doc.value("version", Json());
    if (version.is_binary()) {
        return "format version " + JsonValueText(version) + " is not one this program reads";
    }
    const bool counted = version.is_number_unsigned() ||
                         (version.is_number_integer() && version.get<long long>() >= 1);
    if (!counted) {
        return "no format version";
    }
    if (version != kSalvoFormatVersion) {
        return "format version " + JsonValueText(version) + " is newer than this program reads";
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

std::string SalvoFileClaimedName(std::string_view text) {
    if (text.size() > kMaxSalvoFileBytes) {
        return {};
    }
    const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!doc.is_object() || !doc.contains("name") || !doc["name"].is_string()) {
        return {};
    }
    return doc["name"].get<std::string>();
}

}  // namespace vantel
