#pragma once
// Salvo: a named routing of some or all outputs. Outputs and inputs count from 1 as operators
// see them; input 0 means "no input". A salvo that covers only some outputs leaves the others
// alone when it is taken.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace vantel {

struct Salvo {
    // Limits of the device: 1 to 72 outputs and inputs.
    static constexpr int kMaxOutputs = 72;
    static constexpr int kMaxInputs = 72;
    // A name is at most this many bytes of UTF-8.
    static constexpr std::size_t kMaxNameBytes = 1024;

    std::string name;
    // Output (1..kMaxOutputs) to the input it should show (1..kMaxInputs) or 0 for none.
    std::map<int, int> routes;

    bool operator==(const Salvo&) const = default;
};

// Why a name cannot name a salvo, or empty when it can: not empty, whole UTF-8 (no surrogates,
// no overlong forms), no NUL byte, at most Salvo::kMaxNameBytes bytes.
std::string SalvoNameProblem(std::string_view name);

// Why the routes cannot form a salvo (an output or input outside its range), or empty.
std::string SalvoRoutesProblem(const std::map<int, int>& routes);

}  // namespace vantel
