#include "settings/labelcsv.h"

#include <algorithm>
#include <map>
#include <utility>

#include "settings/labeltext.h"
#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kHeader = "kind,number,label";
constexpr std::size_t kColumns = 3;

// One record of the CSV as read: its cells (each kept up to kMaxLabelCellBytes, the rest
// counted only), the line it starts on, and what was wrong with its quoting.
struct Record {
    std::vector<std::string> cells;
    std::vector<bool> overlong;
    int line = 0;
    std::string fault;
};

// Reading position in the text, the line it is on, and the separator of the cells.
struct Cursor {
    std::string_view text;
    char separator = ',';
    std::size_t pos = 0;
    int line = 1;

    bool AtEnd() const { return pos >= text.size(); }
    char Peek() const { return text[pos]; }
    // Steps over a line end (CR LF, LF or CR) at pos, if there is one.
    bool SkipLineEnd() {
        if (AtEnd() || (Peek() != '\r' && Peek() != '\n')) {
            return false;
        }
        if (Peek() == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
            ++pos;
        }
        ++pos;
        ++line;
        return true;
    }
};

void Append(Record& record, char c) {
    std::string& cell = record.cells.back();
    if (cell.size() < kMaxLabelCellBytes) {
        cell.push_back(c);
    } else {
        record.overlong.back() = true;
    }
}

// A quoted cell, from the opening quote to the closing one; line breaks inside belong to it.
void ReadQuoted(Cursor& in, Record& record) {
    ++in.pos;
    while (!in.AtEnd()) {
        if (in.Peek() == '"') {
            if (in.pos + 1 < in.text.size() && in.text[in.pos + 1] == '"') {
                Append(record, '"');
                in.pos += 2;
                continue;
            }
            ++in.pos;
            return;
        }
        if (in.Peek() == '\n' ||
            (in.Peek() == '\r' && in.pos + 1 < in.text.size() && in.text[in.pos + 1] != '\n')) {
            ++in.line;
        }
        Append(record, in.Peek());
        ++in.pos;
    }
    record.fault = "a quoted cell is not closed";
}

// The next record; the cursor is left at the start of the one after it.
Record ReadRecord(Cursor& in) {
    Record record;
    record.line = in.line;
    for (;;) {
        record.cells.emplace_back();
        record.overlong.push_back(false);
        const bool quoted = !in.AtEnd() && in.Peek() == '"';
        if (quoted) {
            ReadQuoted(in, record);
        }
        while (!in.AtEnd() && in.Peek() != in.separator && in.Peek() != '\r' && in.Peek() != '\n') {
            if (quoted && record.fault.empty()) {
                record.fault = "text follows a closing quote";
            }
            Append(record, in.Peek());
            ++in.pos;
        }
        if (in.AtEnd() || in.SkipLineEnd()) {
            return record;
        }
        ++in.pos;  // the separator
    }
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

// A line of blanks, or of empty cells only (an empty row of a spreadsheet): no row at all.
bool IsBlankLine(const Record& record) {
    return record.fault.empty() &&
           std::all_of(record.cells.begin(), record.cells.end(),
                       [](const std::string& cell) { return TrimBlanks(cell).empty(); });
}

bool IsHeader(const Record& record) {
    return !record.cells.empty() && EqualsIgnoringCase(TrimBlanks(record.cells[0]), "kind");
}

std::string CheckHeader(const Record& record) {
    const bool good = record.cells.size() == kColumns &&
                      EqualsIgnoringCase(TrimBlanks(record.cells[1]), "number") &&
                      EqualsIgnoringCase(TrimBlanks(record.cells[2]), "label");
    return good ? std::string() : "the header row must be " + std::string(kHeader);
}

int ParseNumber(std::string_view cell) {
    const std::string_view digits = TrimBlanks(cell);
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    int number = 0;
    for (const char c : digits) {
        number = number * 10 + (c - '0');
    }
    return number <= kMaxLabelButtons ? number : 0;
}

// Why the record is no good row, or an empty text; row gets what the record says.
std::string CheckRow(const Record& record, LabelRow& row) {
    if (!record.fault.empty()) {
        return record.fault;
    }
    if (record.cells.size() != kColumns) {
        return "expected 3 cells (kind,number,label), found " + std::to_string(record.cells.size());
    }
    const std::string_view kind = TrimBlanks(record.cells[0]);
    if (!EqualsIgnoringCase(kind, "input") && !EqualsIgnoringCase(kind, "output")) {
        return "kind must be input or output, not " + QuotedExcerpt(record.cells[0]);
    }
    row.kind = EqualsIgnoringCase(kind, "input") ? ButtonKind::kInput : ButtonKind::kOutput;
    row.number = ParseNumber(record.cells[1]);
    if (row.number == 0) {
        return "number must be 1 to " + std::to_string(kMaxLabelButtons) + ", not " +
               QuotedExcerpt(record.cells[1]);
    }
    if (std::find(record.overlong.begin(), record.overlong.end(), true) != record.overlong.end()) {
        return "a cell is longer than " + std::to_string(kMaxLabelCellBytes) + " bytes";
    }
    row.label = StorableLabel(record.cells[2]);
    row.line = record.line;
    return {};
}

std::string QuotedCell(std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(cell);
    }
    std::string quoted = "\"";
    for (const char c : cell) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

void AppendRows(std::string& csv, ButtonKind kind, const std::vector<std::string>& labels) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        csv += std::string(ButtonKindName(kind)) + "," + std::to_string(i + 1) + "," +
               QuotedCell(labels[i]) + "\r\n";
    }
}

}  // namespace

const char* ButtonKindName(ButtonKind kind) {
    return kind == ButtonKind::kInput ? "input" : "output";
}

std::string FormatLabelCsv(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs) {
    std::string csv = std::string(kBom) + std::string(kHeader) + "\r\n";
    AppendRows(csv, ButtonKind::kInput, inputs);
    AppendRows(csv, ButtonKind::kOutput, outputs);
    return csv;
}

LabelCsv ParseLabelCsv(std::string_view text) {
    LabelCsv result;
    if (text.size() > kMaxLabelCsvBytes) {
        result.unreadable =
            "the file is larger than " + std::to_string(kMaxLabelCsvBytes) + " bytes";
        return result;
    }
    const LabelText decoded = DecodeLabelText(text);
    if (!decoded.problem.empty()) {
        result.unreadable = decoded.problem;
        return result;
    }
    Cursor in{decoded.text, decoded.separator};
    std::map<std::pair<ButtonKind, int>, int> seen;  // button -> line it was given on
    bool first = true;
    while (!in.AtEnd()) {
        const Record record = ReadRecord(in);
        if (IsBlankLine(record)) {
            continue;
        }
        const bool header = first && IsHeader(record);
        first = false;
        LabelRow row{};
        std::string error = header ? CheckHeader(record) : CheckRow(record, row);
        if (error.empty() && !header) {
            const auto [it, added] = seen.emplace(std::make_pair(row.kind, row.number), row.line);
            if (added) {
                result.rows.push_back(std::move(row));
                continue;
            }
            error = std::string(ButtonKindName(row.kind)) + " " + std::to_string(row.number) +
                    " is given again (first on line " + std::to_string(it->second) + ")";
        }
        if (!error.empty()) {
            result.errors.push_back({record.line, std::move(error)});
        }
    }
    return result;
}

}  // namespace vantel
