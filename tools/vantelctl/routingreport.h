#pragma once
// The routing of a state image as vantelctl prints it: the counts, each output's input, and
// the routing list row by row as the SAVE / VIEW page shows it (row "00" first).

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "link/stateimage.h"
#include "routing.h"

namespace vantel {

// An input or output number as the tables show it: two digits, "--" for 0 (none).
std::string PortText(int number);
// An input number for JSON: the number, or null for 0 (none).
nlohmann::ordered_json InputJson(int input);

// "output": n, "input": k or null, for every output.
nlohmann::ordered_json RoutesJson(const Routing& routing);

// Prints the routing of scene (0: live) as text or as one JSON object.
void PrintRouting(std::ostream& out, const CStateImage& image, int scene, bool json);

}  // namespace vantel
