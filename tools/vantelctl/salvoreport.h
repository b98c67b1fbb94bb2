#pragma once
// How vantelctl prints salvos and the results of taking them: as text tables for people, or
// as one JSON object per command (schema in the README).

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "routing/salvo.h"
#include "routing/salvoapply.h"
#include "routing/salvodiff.h"
#include "routing/salvostore.h"

namespace vantel {

// The salvo names, one per line, or {"salvos": [{"name", "file"}]}.
void PrintSalvoList(std::ostream& out, const SalvoListing& listing, bool json);

// The salvo's routes.
void PrintSalvo(std::ostream& out, const Salvo& salvo, bool json);

// Each covered output now -> after against the live routing, marking those that change, and
// the covered outputs the device lacks (outOfReach).
void PrintSalvoDiff(std::ostream& out, const Salvo& salvo, const SalvoDiff& diff,
                    const std::vector<int>& outOfReach, bool json);

// The name as text output shows it: control characters (a line end, an escape sequence that
// would drive the terminal) as \xHH, everything else as it is. JSON output is exact.
std::string PrintableName(const std::string& name);

// "salvo \"Evening\"", the way messages name a salvo.
std::string SalvoLabel(const Salvo& salvo);

// The outputs that differ, one object each: output, wanted (null: none), held (null: none;
// left out when the device could not be read back).
nlohmann::ordered_json MismatchesJson(const std::vector<OutputMismatch>& differing);
// The same as a table, OUT WANTED HELD ("??" for a held input that is not known).
void PrintMismatchTable(std::ostream& out, const std::vector<OutputMismatch>& differing);

// What a verified apply did, as the fields of a JSON object: ok, frames, rounds, failure
// (null for none), differing, counts_changed (null for none), changed_while_taking, clean.
void AddApplyFields(nlohmann::ordered_json& object, const ApplyResult& result);

// The line on stderr for an apply that did not take: how many outputs differ and the last
// link failure, or that the counts changed.
std::string ApplyFailureText(const ApplyResult& result);

// The outputs outside a salvo that changed while it was taken, as a table OUT BEFORE NOW.
void PrintChangedTable(std::ostream& out, const std::vector<OutputChange>& changed);
// The same in one line: "out 05 (03 -> --), out 06 (04 -> --)".
std::string ChangedText(const std::vector<OutputChange>& changed);

}  // namespace vantel
