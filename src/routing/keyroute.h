#pragma once
// CKeyRoute: a route typed on the keyboard, held as text and read against the counts and
// input labels in use.
//
// Source first: an input (its number, or the start of its label), then the outputs it is to
// feed as numbers and ranges ("3 1 4-6"); a "+" right after the input adds the outputs to
// those it feeds now, else they replace them. Destination first: an output, "=", then an
// input ("5=2"): that input feeds that output as well as those it feeds now. Words are
// separated by spaces or commas; "+" and "=" need none. Nothing is taken from text that does
// not read completely: Parse says what is missing or wrong instead.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

// What the typed text asks for.
struct KeyRouteParse {
    // The whole text reads as a route that can be taken; error is empty.
    bool complete = false;
    // Why the text cannot be taken (yet); empty when complete or nothing is typed.
    std::string error;
    // The input, from 1; 0 until one is read.
    int input = 0;
    // The output typed before "=" (from 1), 0 for source first.
    int destination = 0;
    // Source first: outputs were typed; they replace the input's outputs unless add.
    bool outputsTyped = false;
    bool add = false;
    // The typed outputs, from 1, ascending, each once.
    std::vector<int> outputs;
};

// The ports a typed route may name: inputs 1..inputs, outputs 1..outputs, and the input
// labels in input order (the label of input k + 1 at k; fewer labels than inputs is allowed).
struct KeyRouteTargets {
    int inputs = 0;
    int outputs = 0;
    std::vector<std::string> inputLabels;
};

class CKeyRoute {
public:
    // The typed text is held to this many characters (UTF-8 code points).
    static constexpr std::size_t kMaxTyped = 64;

    // Appends text (UTF-8); false, and nothing appended, when the result would pass kMaxTyped
    // or text holds a control character. Text refused for the bound leaves the route cut: what
    // was typed is not all that was meant (a number may lack its last digits), so Parse
    // refuses it until a character is erased or the text cleared.
    bool Type(std::string_view text);
    // Removes the last whole character typed.
    void Erase();
    void Clear();
    const std::string& Typed() const { return m_typed; }
    bool Pending() const { return !m_typed.empty(); }
    // Whether a key was refused for the bound since the last erase.
    bool Cut() const { return m_cut; }

    // Reads the typed text. Labels match case-insensitively in ASCII letters; a caller that
    // folds other letters passes labels and typed text folded alike.
    KeyRouteParse Parse(const KeyRouteTargets& targets) const;
    // Parse for a caller that folds the typed text first: reads folded, a form of Typed(),
    // refused as Parse refuses a cut route.
    KeyRouteParse ParseFolded(std::string_view folded, const KeyRouteTargets& targets) const;

private:
    std::string m_typed;
    bool m_cut = false;
};

// One word of a typed list of outputs: a number ("5", first == last) or a range ("5-8").
struct OutputSpan {
    int first = 0;
    int last = 0;
    std::string_view firstText;  // the numbers as typed, for messages
    std::string_view lastText;
};

// Reads word as an output number or an upward range, as typed routes and every other list of
// outputs read them; a number of more than 4 digits reads as 9999, beyond every count. Returns
// why it is neither, or empty. The caller checks the numbers against its count.
std::string ReadOutputSpan(std::string_view word, OutputSpan& span);

// Reads typed text as CKeyRoute::Parse does, for callers that fold the text first.
KeyRouteParse ParseKeyRoute(std::string_view typed, const KeyRouteTargets& targets);

// A short account of a complete parse for the operator: which ports it names, with the
// input's label ("input 3 Camera: outputs 1 2 5").
std::string DescribeKeyRoute(const KeyRouteParse& parse, const KeyRouteTargets& targets);

}  // namespace vantel
