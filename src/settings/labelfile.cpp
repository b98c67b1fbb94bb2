#include "settings/labelfile.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "settings/atomicfile.h"
#include "settings/inifile.h"

namespace vantel {

namespace {

// An export replaces a file of at most this size; a larger one is hardly a label list.
constexpr std::size_t kMaxReplacedBytes = 16 * 1024 * 1024;

std::string KeyOf(ButtonKind kind, int number) {
    return ButtonLabelKey(kind, number - 1);
}

// Every stored label of both kinds, read once.
class StoredLabels {
public:
    explicit StoredLabels(CIniFile& ini)
        : m_inputs(ReadButtonLabels(ini, ButtonKind::kInput, UnlabelledAs::kEmpty)),
          m_outputs(ReadButtonLabels(ini, ButtonKind::kOutput, UnlabelledAs::kEmpty)) {}

    // Button number from 1; empty for a number outside the grid.
    std::string Of(ButtonKind kind, int number) const {
        const std::vector<std::string>& labels = kind == ButtonKind::kInput ? m_inputs : m_outputs;
        return number >= 1 && number <= static_cast<int>(labels.size())
                   ? labels[static_cast<std::size_t>(number - 1)]
                   : std::string();
    }

private:
    std::vector<std::string> m_inputs;
    std::vector<std::string> m_outputs;
};

}  // namespace

std::string LabelCsvOf(CIniFile& ini) {
    return FormatLabelCsv(ReadButtonLabels(ini, ButtonKind::kInput, UnlabelledAs::kEmpty),
                          ReadButtonLabels(ini, ButtonKind::kOutput, UnlabelledAs::kEmpty));
}

LabelFileRead ReadLabelCsvFile(const std::string& path, std::string& text) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return LabelFileRead::kUnreadable;
    }
    return ReadFileBounded(path.c_str(), kMaxLabelCsvBytes, text) ? LabelFileRead::kOk
                                                                  : LabelFileRead::kTooLarge;
}

bool WriteLabelCsvFile(const std::string& path, const std::string& csv) {
    return UpdateFileAtomically(path.c_str(), kMaxReplacedBytes,
                                [&csv](std::string_view) { return csv; });
}

std::vector<LabelChange> LabelChangesOf(CIniFile& ini, const std::vector<LabelRow>& rows) {
    const StoredLabels stored(ini);
    std::vector<LabelChange> changes;
    for (const LabelRow& row : rows) {
        std::string old = stored.Of(row.kind, row.number);
        if (old != row.label) {
            changes.push_back({row.kind, row.number, std::move(old), row.label});
        }
    }
    return changes;
}

std::string WriteLabelChanges(CIniFile& ini, const std::vector<LabelChange>& changes) {
    std::vector<std::pair<std::string, std::string>> keyValues;
    for (const LabelChange& change : changes) {
        keyValues.emplace_back(KeyOf(change.kind, change.number), change.to);
    }
    if (!ini.SetStrings(keyValues, kLabelSection)) {
        const std::string why = ini.SetStringsProblem(keyValues, kLabelSection);
        return "cannot write the labels to " + ini.m_strPath + (why.empty() ? "" : ": " + why) +
               "; nothing written";
    }
    const StoredLabels stored(ini);
    for (const LabelChange& change : changes) {
        if (stored.Of(change.kind, change.number) != change.to) {
            return ButtonName(change.kind, change.number) + " does not read back as written in " +
                   ini.m_strPath;
        }
    }
    return {};
}

std::string ButtonName(ButtonKind kind, int number) {
    return std::string(ButtonKindName(kind)) + " " + std::to_string(number);
}

}  // namespace vantel
