#pragma once
// The button labels of setup.ini to and from a CSV file, for every front end that offers it:
// reading the labels, writing and reading the CSV file (bounded), what an import changes, and
// writing those changes in one atomic change of the settings file, read back before success.

#include <string>
#include <vector>

#include "settings/labelcsv.h"

class CIniFile;

namespace vantel {

// A label that an import changes: the button (number from 1), its label now and after.
struct LabelChange {
    ButtonKind kind;
    int number;
    std::string from;
    std::string to;
};

// The CSV of every label in the settings file.
std::string LabelCsvOf(CIniFile& ini);

enum class LabelFileRead { kOk, kUnreadable, kTooLarge };
// Reads a labels CSV file of at most kMaxLabelCsvBytes into text.
LabelFileRead ReadLabelCsvFile(const std::string& path, std::string& text);
// Replaces the file at path by csv, atomically; false when it cannot be written.
bool WriteLabelCsvFile(const std::string& path, const std::string& csv);

// The rows whose label differs from the stored one, in row order.
std::vector<LabelChange> LabelChangesOf(CIniFile& ini, const std::vector<LabelRow>& rows);

// Writes every change in one atomic change of the settings file (its own encoding) and reads
// them back. Empty on success, else why not; a refused write leaves the file as it was.
std::string WriteLabelChanges(CIniFile& ini, const std::vector<LabelChange>& changes);

// "input 3", the way messages name a button.
std::string ButtonName(ButtonKind kind, int number);

}  // namespace vantel
