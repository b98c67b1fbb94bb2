#include "hub/textrequest.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace vantel {

namespace {

struct Header {
    std::string_view text;
    TextRequestKind dump;  // the request when the block has no lines
};

constexpr Header kHeaders[] = {
    {"PING:", TextRequestKind::kPing},
    {"PROTOCOL PREAMBLE:", TextRequestKind::kDumpPreamble},
    {"VIDEOHUB DEVICE:", TextRequestKind::kDumpDevice},
    {"INPUT LABELS:", TextRequestKind::kDumpInputLabels},
    {"OUTPUT LABELS:", TextRequestKind::kDumpOutputLabels},
    {"VIDEO OUTPUT ROUTING:", TextRequestKind::kDumpRouting},
    {"VIDEO OUTPUT LOCKS:", TextRequestKind::kDumpLocks},
    {"CONFIGURATION:", TextRequestKind::kDumpConfiguration},
};

// Status blocks a router sends and, when a client sends them, takes and ignores.
constexpr std::string_view kIgnoredHeaders[] = {
    "END PRELUDE:",        "VIDEO INPUT STATUS:", "VIDEO OUTPUT STATUS:",
    "SERIAL PORT STATUS:", "ALARM STATUS:",
};

constexpr std::string_view kBlanks = " \t";

std::string_view TrimLeft(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    return text.substr(0, text.find_last_not_of(kBlanks) + 1);
}

// "Key: value" as (key, value), both without the blanks around them.
std::optional<std::pair<std::string_view, std::string_view>> Field(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
}

// A port number below count, written as plain decimal digits.
std::optional<int> PortNumber(std::string_view text, int count) {
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        value >= count || text.front() == '-' || text.front() == '+' ||
        (text.size() > 1 && text.front() == '0')) {
        return std::nullopt;
    }
    return value;
}

// "PORT REST": the port and everything after the first space.
std::optional<std::pair<int, std::string_view>> SplitLine(std::string_view line, int count) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const auto port = PortNumber(line.substr(0, space), count);
    if (!port) {
        return std::nullopt;
    }
    return std::make_pair(*port, line.substr(space + 1));
}

bool ParseRoutes(const TextBlock& block, int inputs, int outputs, TextRequest& request) {
    for (const auto& line : block.lines) {
        const auto split = SplitLine(Trim(line), outputs);
        const auto input = split ? PortNumber(split->second, inputs) : std::nullopt;
        if (!input) {
            return false;
        }
        request.routes.emplace_back(split->first, *input);
    }
    return true;
}

bool ParseLabels(const TextBlock& block, int count, TextRequest& request) {
    for (const auto& line : block.lines) {
        const auto split = SplitLine(TrimLeft(line), count);
        if (!split) {
            return false;
        }
        request.labels.emplace_back(split->first, std::string(split->second));
    }
    return true;
}

bool ParseLocks(const TextBlock& block, int outputs, TextRequest& request) {
    for (const auto& line : block.lines) {
        const auto split = SplitLine(Trim(line), outputs);
        if (!split || split->second.size() != 1 ||
            std::string_view("OUF").find(split->second.front()) == std::string_view::npos) {
            return false;
        }
        request.locks.emplace_back(split->first, split->second.front());
    }
    return true;
}

// The device block sets the friendly name; its other fields describe the device and are
// ignored, as a router ignores them.
void ParseDevice(const TextBlock& block, TextRequest& request) {
    request.kind = TextRequestKind::kIgnored;
    for (const auto& line : block.lines) {
        const auto field = Field(line);
        if (field && field->first == "Friendly name") {
            request.kind = TextRequestKind::kSetFriendlyName;
            request.name = std::string(field->second);
        }
    }
}

// The hub has no take mode: asking for it cannot be done; every other field is ignored.
bool ParseConfiguration(const TextBlock& block, TextRequest& request) {
    request.kind = TextRequestKind::kIgnored;
    for (const auto& line : block.lines) {
        const auto field = Field(line);
        if (field && field->first == "Take Mode" && field->second != "false") {
            return false;
        }
    }
    return true;
}

// The change a block with lines asks for; kBad when its kind takes no lines or a line is bad.
TextRequest ParseChange(const TextBlock& block, TextRequestKind dump, int inputs, int outputs) {
    TextRequest request;
    bool good = false;
    switch (dump) {
        case TextRequestKind::kDumpInputLabels:
            good = ParseLabels(block, inputs, request);
            request.kind = TextRequestKind::kSetInputLabels;
            break;
        case TextRequestKind::kDumpOutputLabels:
            good = ParseLabels(block, outputs, request);
            request.kind = TextRequestKind::kSetOutputLabels;
            break;
        case TextRequestKind::kDumpRouting:
            good = ParseRoutes(block, inputs, outputs, request);
            request.kind = TextRequestKind::kRoute;
            break;
        case TextRequestKind::kDumpLocks:
            good = ParseLocks(block, outputs, request);
            request.kind = TextRequestKind::kLock;
            break;
        case TextRequestKind::kDumpDevice:
            ParseDevice(block, request);
            good = true;
            break;
        case TextRequestKind::kDumpConfiguration:
            good = ParseConfiguration(block, request);
            break;
        case TextRequestKind::kDumpPreamble:
            request.kind = TextRequestKind::kIgnored;
            good = true;
            break;
        default:
            break;  // a ping has no lines
    }
    return good ? request : TextRequest{};
}

}  // namespace

TextRequest ParseTextRequest(const TextBlock& block, int inputs, int outputs) {
    if (block.oversized) {
        return {};
    }
    const std::string_view header = Trim(block.header);
    for (const auto& known : kHeaders) {
        if (header != known.text) {
            continue;
        }
        if (block.lines.empty()) {
            TextRequest request;
            request.kind = known.dump;
            return request;
        }
        return ParseChange(block, known.dump, inputs, outputs);
    }
    for (const auto ignored : kIgnoredHeaders) {
        if (header == ignored) {
            TextRequest request;
            request.kind = TextRequestKind::kIgnored;
            return request;
        }
    }
    return {};
}

}  // namespace vantel
