#include "salvoreport.h"

#include <cstdio>

#include "jsonline.h"
#include "routing/linkfailure.h"
#include "routingreport.h"

namespace vantel {

namespace {

using Json = nlohmann::ordered_json;

Json RoutesOf(const Salvo& salvo) {
    auto routes = Json::array();
    for (const auto& [output, input] : salvo.routes) {
        routes.push_back({{"output", output}, {"input", InputJson(input)}});
    }
    return routes;
}

Json DiffJson(const SalvoDiff& diff) {
    auto outputs = Json::array();
    for (const OutputChange& change : diff.outputs) {
        outputs.push_back({{"output", change.output},
                           {"now", InputJson(change.now)},
                           {"after", InputJson(change.after)},
                           {"changes", change.Changes()}});
    }
    return outputs;
}

std::string Plural(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

std::string PrintableName(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string SalvoLabel(const Salvo& salvo) {
    return "salvo \"" + PrintableName(salvo.name) + "\"";
}

void PrintSalvoList(std::ostream& out, const SalvoListing& listing, bool json) {
    if (!json) {
        for (const SalvoEntry& entry : listing.salvos) {
            out << PrintableName(entry.name) << '\n';
        }
        return;
    }
    auto salvos = Json::array();
    for (const SalvoEntry& entry : listing.salvos) {
        salvos.push_back({{"name", entry.name}, {"file", entry.file}});
    }
    auto object = JsonObject();
    object["salvos"] = salvos;
    out << JsonLine(object) << '\n';
}

void PrintSalvo(std::ostream& out, const Salvo& salvo, bool json) {
    if (json) {
        auto object = JsonObject();
        object["name"] = salvo.name;
        object["routes"] = RoutesOf(salvo);
        out << JsonLine(object) << '\n';
        return;
    }
    out << SalvoLabel(salvo) << ": " << Plural(salvo.routes.size(), "output") << "\n\nOUT  IN\n";
    for (const auto& [output, input] : salvo.routes) {
        out << PortText(output) << "   " << PortText(input) << '\n';
    }
}

void PrintSalvoDiff(std::ostream& out, const Salvo& salvo, const SalvoDiff& diff,
                    const std::vector<int>& outOfReach, bool json) {
    if (json) {
        auto object = JsonObject();
        object["name"] = salvo.name;
        object["routes"] = RoutesOf(salvo);
        object["diff"] = DiffJson(diff);
        object["inputs_changing"] = diff.inputsChanging;
        object["out_of_reach"] = outOfReach;
        out << JsonLine(object) << '\n';
        return;
    }
    out << SalvoLabel(salvo) << " against the live routing: " << diff.ChangingOutputs() << " of "
        << Plural(diff.outputs.size(), "output") << " change, "
        << Plural(diff.inputsChanging.size(), "switch command") << "\n\nOUT  NOW  AFTER\n";
    for (const OutputChange& change : diff.outputs) {
        out << PortText(change.output) << "   " << PortText(change.now) << "   "
            << PortText(change.after) << (change.Changes() ? "    *" : "") << '\n';
    }
    if (!outOfReach.empty()) {
        out << "\nnot on this device:";
        for (const int output : outOfReach) {
            out << " out " << PortText(output);
        }
        out << '\n';
    }
}

Json MismatchesJson(const std::vector<OutputMismatch>& differing) {
    auto list = Json::array();
    for (const OutputMismatch& mismatch : differing) {
        Json item = {{"output", mismatch.output}, {"wanted", InputJson(mismatch.wanted)}};
        if (mismatch.held) {
            item["held"] = InputJson(*mismatch.held);
        }
        list.push_back(item);
    }
    return list;
}

void PrintMismatchTable(std::ostream& out, const std::vector<OutputMismatch>& differing) {
    out << "OUT  WANTED  HELD\n";
    for (const OutputMismatch& mismatch : differing) {
        out << PortText(mismatch.output) << "   " << PortText(mismatch.wanted) << "      "
            << (mismatch.held ? PortText(*mismatch.held) : "??") << '\n';
    }
}

void AddApplyFields(Json& object, const ApplyResult& result) {
    object["ok"] = result.ok;
    object["frames"] = result.framesSent;
    object["rounds"] = result.rounds;
    object["failure"] = result.failure == LinkFailure::kNone
                            ? Json(nullptr)
                            : Json(LinkFailureText(result.failure));
    object["differing"] = MismatchesJson(result.differing);
    Json counts = nullptr;
    if (const auto& change = result.countsChanged) {
        counts = {{"inputs_before", change->inputsBefore},
                  {"outputs_before", change->outputsBefore},
                  {"inputs_now", change->inputsNow},
                  {"outputs_now", change->outputsNow}};
    }
    object["counts_changed"] = counts;
    auto changed = Json::array();
    for (const OutputChange& change : result.changedWhileTaking) {
        changed.push_back({{"output", change.output},
                           {"before", InputJson(change.now)},
                           {"now", InputJson(change.after)}});
    }
    object["changed_while_taking"] = changed;
    object["clean"] = result.Clean();
}

void PrintChangedTable(std::ostream& out, const std::vector<OutputChange>& changed) {
    out << "OUT  BEFORE  NOW\n";
    for (const OutputChange& change : changed) {
        out << PortText(change.output) << "   " << PortText(change.now) << "      "
            << PortText(change.after) << '\n';
    }
}

std::string ChangedText(const std::vector<OutputChange>& changed) {
    std::string text;
    for (const OutputChange& change : changed) {
        text += (text.empty() ? "out " : ", out ") + PortText(change.output) + " (" +
                PortText(change.now) + " -> " + PortText(change.after) + ")";
    }
    return text;
}

std::string ApplyFailureText(const ApplyResult& result) {
    if (const auto& change = result.countsChanged) {
        return "the device's counts changed during the take, from " +
               std::to_string(change->inputsBefore) + " inputs and " +
               std::to_string(change->outputsBefore) + " outputs to " +
               std::to_string(change->inputsNow) + " inputs and " +
               std::to_string(change->outputsNow) + " outputs; stopped, as port numbers shift";
    }
    std::string text = Plural(result.differing.size(), "output") + " not as wanted";
    if (result.failure != LinkFailure::kNone) {
        text += " (last failure: " + LinkFailureText(result.failure) + ")";
    }
    return text;
}

}  // namespace vantel
