#pragma once
// Runs the built vantelctl as a process and checks the shape of what it printed.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vantel {

struct CtlResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs vantelctl with args; env entries "NAME=value" are set for it. A run that does not end
// within 30 s is killed and reported with code -1.
CtlResult RunCtl(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

// The one JSON object that text holds (one line); a test failure and null when it is not.
nlohmann::json ParseObject(const std::string& text);

// True when err is exactly one line that starts with "vantelctl: ".
bool IsOneErrorLine(const std::string& err);

// The input feeding each output of a "routes" array, 0 for null.
std::vector<int> SourcesOf(const nlohmann::json& object);

}  // namespace vantel
