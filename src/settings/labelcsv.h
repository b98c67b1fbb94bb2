#pragma once
// Button labels as CSV, for spreadsheets: columns kind, number, label, a header row first.
// Written as UTF-8 with a byte-order mark (so spreadsheets take it as UTF-8) and CR LF line
// ends, cells quoted where they hold a comma, a quote or a line break (a quote inside doubled).
// Read as spreadsheets save it (see labeltext.h): UTF-8 with or without the mark or UTF-16
// with its mark, cells separated by commas, semicolons or tabs, quoted alike, with CR LF, LF
// or CR line ends, the header row optional.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/buttonlabel.h"

namespace vantel {

// A CSV of labels holds at most this many bytes, and a cell at most this many.
inline constexpr std::size_t kMaxLabelCsvBytes = 256 * 1024;
inline constexpr std::size_t kMaxLabelCellBytes = 4096;

// One good row: the button (number from 1) and its label as StorableLabel makes it, so a line
// break in a cell has become a space. line is the file's line the row starts on (from 1).
struct LabelRow {
    ButtonKind kind;
    int number;
    std::string label;
    int line;
};

// A row that cannot be used, by the file's line it starts on, and why.
struct LabelCsvError {
    int line;
    std::string message;
};

struct LabelCsv {
    std::vector<LabelRow> rows;
    std::vector<LabelCsvError> errors;
    // Why the file as a whole cannot be read (its encoding or separator, its size), in one
    // line; rows and errors are then empty.
    std::string unreadable;
};

// "input" or "output".
const char* ButtonKindName(ButtonKind kind);

// The CSV of every label: inputs[k] is input k + 1, outputs[j] output j + 1, an empty text a
// button without a label.
std::string FormatLabelCsv(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs);

// The rows of the file's bytes and every bad row. Lines of blanks or empty cells only are
// skipped. A row is bad when it does not have exactly three cells, its kind is not input or
// output (letter case aside), its number is not 1 to 72, a cell is longer than
// kMaxLabelCellBytes, a quoted cell is not closed or has text after its closing quote, or its
// button was given before. A file longer than kMaxLabelCsvBytes, or whose encoding or
// separator is none of those read, is unreadable, with no rows and no errors.
LabelCsv ParseLabelCsv(std::string_view text);

}  // namespace vantel
