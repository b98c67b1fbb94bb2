#include "routing/journalentry.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "routing/salvo.h"

namespace vantel {

namespace {

using Json = nlohmann::json;

bool IsBoundedText(const Json& value, std::size_t most) {
    return value.is_string() && value.get_ref<const std::string&>().size() <= most;
}

bool IsIntIn(const Json& value, long long least, long long most) {
    return value.is_number_integer() && value.get<long long>() >= least &&
           value.get<long long>() <= most;
}

std::optional<OutputChange> ParseChange(const Json& change) {
    if (!change.is_object() || !IsIntIn(change.value("output", Json()), 1, Salvo::kMaxOutputs) ||
        !IsIntIn(change.value("before", Json()), 0, Salvo::kMaxInputs) ||
        !IsIntIn(change.value("after", Json()), 0, Salvo::kMaxInputs)) {
        return std::nullopt;
    }
    return OutputChange{change["output"].get<int>(), change["before"].get<int>(),
                        change["after"].get<int>()};
}

}  // namespace

std::string FormatJournalLine(const JournalEntry& entry) {
    Json outputs = Json::array();
    for (const OutputChange& change : entry.outputs) {
        outputs.push_back(
            {{"output", change.output}, {"before", change.now}, {"after", change.after}});
    }
    const Json line = {
        {"time", entry.time}, {"action", entry.action}, {"name", entry.name}, {"outputs", outputs}};
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<JournalEntry> ParseJournalLine(std::string_view line) {
    const Json doc = Json::parse(line.begin(), line.end(), nullptr, false);
    if (!doc.is_object() ||
        !IsBoundedText(doc.value("time", Json()), JournalEntry::kMaxTextBytes) ||
        !IsBoundedText(doc.value("action", Json()), JournalEntry::kMaxTextBytes) ||
        !IsBoundedText(doc.value("name", Json()), Salvo::kMaxNameBytes)) {
        return std::nullopt;
    }
    const Json outputs = doc.value("outputs", Json());
    if (!outputs.is_array() || outputs.size() > static_cast<std::size_t>(Salvo::kMaxOutputs)) {
        return std::nullopt;
    }
    JournalEntry entry{doc["time"], doc["action"], doc["name"], {}};
    for (const Json& change : outputs) {
        const std::optional<OutputChange> parsed = ParseChange(change);
        if (!parsed) {
            return std::nullopt;
        }
        entry.outputs.push_back(*parsed);
    }
    return entry;
}

bool IsRecordOnly(const JournalEntry& entry) {
    return entry.outputs.empty() && (entry.action == "lock" || entry.action == "unlock" ||
                                     entry.action == "force unlock" || entry.action == "not taken");
}

std::string JournalTimeNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace vantel
