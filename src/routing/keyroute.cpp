#include "routing/keyroute.h"

#include <algorithm>
#include <optional>

namespace vantel {

namespace {

enum class TokenKind { kWord, kPlus, kEquals };

struct Token {
    TokenKind kind;
    std::string_view text;
};

// A number of more digits than this lies beyond every count; its value is held here.
constexpr int kNumberCap = 9999;
constexpr std::size_t kMaxDigits = 4;

bool IsSeparator(char c) {
    return c == ' ' || c == ',';
}

std::vector<Token> Tokens(std::string_view typed) {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < typed.size()) {
        const char c = typed[pos];
        if (IsSeparator(c)) {
            ++pos;
        } else if (c == '+' || c == '=') {
            tokens.push_back(
                {c == '+' ? TokenKind::kPlus : TokenKind::kEquals, typed.substr(pos, 1)});
            ++pos;
        } else {
            const std::size_t stop = std::min(typed.find_first_of(" ,+=", pos), typed.size());
            tokens.push_back({TokenKind::kWord, typed.substr(pos, stop - pos)});
            pos = stop;
        }
    }
    return tokens;
}

// The value of a word of digits only, held to kNumberCap; none for anything else.
std::optional<int> Number(std::string_view word) {
    if (word.empty() ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    if (word.size() > kMaxDigits) {
        return kNumberCap;
    }
    int value = 0;
    for (char c : word) {
        value = value * 10 + (c - '0');
    }
    return value;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithFolded(std::string_view label, std::string_view prefix) {
    return label.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), label.begin(),
                      [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

// Characters of UTF-8 text: every byte that is not a continuation byte starts one.
std::size_t Characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Quoted(std::string_view word) {
    return "\"" + std::string(word) + "\"";
}

// Checks a port number against its count; the error names the port as typed.
// kind: "input" or "output".
bool InRange(const char* kind, std::string_view word, int value, int count, std::string& error) {
    if (value >= 1 && value <= count) {
        return true;
    }
    std::string sentence = std::string(kind) + " " + std::string(word);
    sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
    error = sentence + " is not on this device (" +
            (count > 0 ? std::string(kind) + "s 1-" + std::to_string(count)
                       : "no " + std::string(kind) + "s known yet") +
            ").";
    return false;
}

// Reads the input word: a number, else the start of the first label that begins with it.
bool ReadInput(std::string_view word, const KeyRouteTargets& targets, KeyRouteParse& parse) {
    if (const std::optional<int> number = Number(word)) {
        if (!InRange("input", word, *number, targets.inputs, parse.error)) {
            return false;
        }
        parse.input = *number;
        return true;
    }
    const int labelled = std::min(targets.inputs, static_cast<int>(targets.inputLabels.size()));
    for (int k = 0; k < labelled; ++k) {
        if (StartsWithFolded(targets.inputLabels[static_cast<std::size_t>(k)], word)) {
            parse.input = k + 1;
            return true;
        }
    }
    parse.error = "No input label starts with " + Quoted(word) + ".";
    return false;
}

// Reads an output word (a number or a range "a-b") into parse.outputs.
bool ReadOutputs(std::string_view word, int outputs, KeyRouteParse& parse) {
    OutputSpan span;
    parse.error = ReadOutputSpan(word, span);
    if (!parse.error.empty()) {
        return false;
    }
    if (!InRange("output", span.firstText, span.first, outputs, parse.error) ||
        !InRange("output", span.lastText, span.last, outputs, parse.error)) {
        return false;
    }
    for (int output = span.first; output <= span.last; ++output) {
        parse.outputs.push_back(output);
    }
    return true;
}

// output "=" input
KeyRouteParse ParseDestinationFirst(const std::vector<Token>& tokens,
                                    const KeyRouteTargets& targets) {
    KeyRouteParse parse;
    const std::optional<int> output =
        tokens[0].kind == TokenKind::kWord ? Number(tokens[0].text) : std::nullopt;
    if (tokens[1].kind != TokenKind::kEquals || !output) {
        parse.error = "Before \"=\" goes one output number, as in 5=2.";
        return parse;
    }
    if (!InRange("output", tokens[0].text, *output, targets.outputs, parse.error)) {
        return parse;
    }
    parse.destination = *output;
    if (tokens.size() < 3) {
        parse.error = "Type the input after \"=\".";
        return parse;
    }
    if (tokens.size() > 3 || tokens[2].kind != TokenKind::kWord) {
        parse.error = "After \"=\" goes one input, as in 5=2.";
        return parse;
    }
    parse.complete = ReadInput(tokens[2].text, targets, parse);
    return parse;
}

// input ["+"] outputs...
KeyRouteParse ParseSourceFirst(const std::vector<Token>& tokens, const KeyRouteTargets& targets) {
    KeyRouteParse parse;
    if (tokens[0].kind != TokenKind::kWord) {
        parse.error = "Type an input first.";
        return parse;
    }
    if (!ReadInput(tokens[0].text, targets, parse)) {
        return parse;
    }
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.kind == TokenKind::kPlus && i == 1) {
            parse.add = true;
            continue;
        }
        if (token.kind != TokenKind::kWord) {
            parse.error = "\"+\" goes right after the input.";
            return parse;
        }
        if (!ReadOutputs(token.text, targets.outputs, parse)) {
            return parse;
        }
        parse.outputsTyped = true;
    }
    std::sort(parse.outputs.begin(), parse.outputs.end());
    parse.outputs.erase(std::unique(parse.outputs.begin(), parse.outputs.end()),
                        parse.outputs.end());
    parse.complete = true;
    return parse;
}

// "1 3 5-8": runs of three or more as ranges.
std::string PortList(const std::vector<int>& ports) {
    std::string text;
    for (std::size_t i = 0; i < ports.size();) {
        std::size_t end = i;
        while (end + 1 < ports.size() && ports[end + 1] == ports[end] + 1) {
            ++end;
        }
        text += (text.empty() ? "" : " ") + std::to_string(ports[i]);
        if (end - i >= 2) {
            text += "-" + std::to_string(ports[end]);
        } else {
            end = i;
        }
        i = end + 1;
    }
    return text;
}

std::string InputName(int input, const KeyRouteTargets& targets) {
    std::string name = "input " + std::to_string(input);
    const auto index = static_cast<std::size_t>(input - 1);
    if (index < targets.inputLabels.size()) {
        const std::string& label = targets.inputLabels[index];
        if (!label.empty() && label != std::to_string(input)) {
            name += " " + Quoted(label);
        }
    }
    return name;
}

}  // namespace

std::string ReadOutputSpan(std::string_view word, OutputSpan& span) {
    const std::size_t dash = word.find('-');
    span.firstText = word.substr(0, dash);
    span.lastText = dash == std::string_view::npos ? span.firstText : word.substr(dash + 1);
    const std::optional<int> from = Number(span.firstText);
    const std::optional<int> to = Number(span.lastText);
    if (from && dash != std::string_view::npos && span.lastText.empty()) {
        return "The range " + Quoted(word) + " needs its last output.";
    }
    if (!from || !to) {
        return "Outputs are numbers or ranges such as 5-8, not " + Quoted(word) + ".";
    }
    if (*to < *from) {
        return "The range " + Quoted(word) + " runs backwards.";
    }
    span.first = *from;
    span.last = *to;
    return {};
}

bool CKeyRoute::Type(std::string_view text) {
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (control || text.empty()) {
        return false;
    }
    if (Characters(m_typed) + Characters(text) > kMaxTyped) {
        m_cut = true;
        return false;
    }
    m_typed += text;
    return true;
}

void CKeyRoute::Erase() {
    m_cut = false;
    // Continuation bytes belong to the character before them.
    while (!m_typed.empty() && (static_cast<unsigned char>(m_typed.back()) & 0xC0) == 0x80) {
        m_typed.pop_back();
    }
    if (!m_typed.empty()) {
        m_typed.pop_back();
    }
}

void CKeyRoute::Clear() {
    m_typed.clear();
    m_cut = false;
}

KeyRouteParse CKeyRoute::Parse(const KeyRouteTargets& targets) const {
    return ParseFolded(m_typed, targets);
}

KeyRouteParse CKeyRoute::ParseFolded(std::string_view folded,
                                     const KeyRouteTargets& targets) const {
    KeyRouteParse parse = ParseKeyRoute(folded, targets);
    if (m_cut && !m_typed.empty()) {
        parse.complete = false;
        parse.error = "Typed text is full (" + std::to_string(kMaxTyped) +
                      " characters) and a key was not taken; Backspace or Escape.";
    }
    return parse;
}

KeyRouteParse ParseKeyRoute(std::string_view typed, const KeyRouteTargets& targets) {
    const std::vector<Token> tokens = Tokens(typed);
    if (tokens.empty()) {
        return {};
    }
    const bool destinationFirst = std::any_of(
        tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == TokenKind::kEquals; });
    if (destinationFirst && tokens.size() >= 2) {
        return ParseDestinationFirst(tokens, targets);
    }
    return ParseSourceFirst(tokens, targets);
}

std::string DescribeKeyRoute(const KeyRouteParse& parse, const KeyRouteTargets& targets) {
    if (!parse.complete) {
        return parse.error;
    }
    if (parse.destination != 0) {
        return "output " + std::to_string(parse.destination) + " = " +
               InputName(parse.input, targets);
    }
    std::string text = InputName(parse.input, targets);
    if (parse.add) {
        text += " +";
    }
    if (parse.outputsTyped) {
        text += (parse.add ? " outputs " : ": outputs ") + PortList(parse.outputs);
    }
    return text;
}

}  // namespace vantel
