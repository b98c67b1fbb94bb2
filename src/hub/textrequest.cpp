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
};

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
        const auto split = SplitLine(line, outputs);
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
        const auto split = SplitLine(line, count);
        if (!split) {
            return false;
        }
        request.labels.emplace_back(split->first, std::string(split->second));
    }
    return true;
}

bool ParseLocks(const TextBlock& block, int outputs, TextRequest& request) {
    for (const auto& line : block.lines) {
        const auto split = SplitLine(line, outputs);
        if (!split || split->second.size() != 1 ||
            std::string_view("OUF").find(split->second.front()) == std::string_view::npos) {
            return false;
        }
        request.locks.emplace_back(split->first, split->second.front());
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
        default:
            break;  // preamble, device and ping blocks are sent by the hub, not changed
    }
    return good ? request : TextRequest{};
}

}  // namespace

TextRequest ParseTextRequest(const TextBlock& block, int inputs, int outputs) {
    if (block.oversized) {
        return {};
    }
    for (const auto& header : kHeaders) {
        if (block.header != header.text) {
            continue;
        }
        if (block.lines.empty()) {
            return TextRequest{header.dump, {}, {}, {}};
        }
        return ParseChange(block, header.dump, inputs, outputs);
    }
    return {};
}

}  // namespace vantel
