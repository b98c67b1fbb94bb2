#include "routing/journalentry.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

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

constexpr std::array<std::pair<JournalState, const char*>, 4> kStates = {{
    {JournalState::kSending, "sending"},
    {JournalState::kDone, "done"},
    {JournalState::kUnverified, "unverified"},
    {JournalState::kUnchanged, "unchanged"},
}};

// The state a line gives; a line of an older version (no state) was never read back.
std::optional<JournalState> ParseState(const Json& value) {
    if (value.is_null()) {
        return JournalState::kUnverified;
    }
    for (const auto& [state, text] : kStates) {
        if (value.is_string() && value.get_ref<const std::string&>() == text) {
            return state;
        }
    }
    return std::nullopt;
}

// An optional bounded text field: empty when absent, none when present but not such a text.
std::optional<std::string> OptionalText(const Json& doc, const char* key) {
    const Json value = doc.value(key, Json());
    if (value.is_null()) {
        return std::string();
    }
    if (!IsBoundedText(value, JournalEntry::kMaxTextBytes)) {
        return std::nullopt;
    }
    return value.get<std::string>();
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
    Json line = {
        {"time", entry.time}, {"action", entry.action}, {"name", entry.name}, {"outputs", outputs}};
    if (!entry.id.empty()) {
        line["id"] = entry.id;
    }
    line["state"] = JournalStateText(entry.state);
    if (!entry.undoes.empty()) {
        line["undoes"] = entry.undoes;
    }
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
    const std::optional<std::string> id = OptionalText(doc, "id");
    const std::optional<std::string> undoes = OptionalText(doc, "undoes");
    const std::optional<JournalState> state = ParseState(doc.value("state", Json()));
    if (!id || !undoes || !state) {
        return std::nullopt;
    }
    JournalEntry entry{doc["time"], doc["action"], doc["name"], {}, *id, *state, *undoes};
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

const char* JournalStateText(JournalState state) {
    for (const auto& [known, text] : kStates) {
        if (known == state) {
            return text;
        }
    }
    return "sending";
}

std::string NewJournalId() {
    using namespace std::chrono;
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}() & 0xFFFFu;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return std::to_string(ms) + "-" + std::to_string(::getpid()) + "-" + std::to_string(salt) +
           "-" + std::to_string(++counter);
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
