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

}  // namespace

std::vector<std::string> ReadLabels(CIniFile& ini, ButtonKind kind) {
    std::vector<std::string> labels;
    for (int i = 0; i < kMaxLabelButtons; ++i) {
        labels.push_back(ini.GetString(ButtonLabelKey(kind, i), kLabelSection, ""));
    }
    return labels;
}

std::string LabelCsvOf(CIniFile& ini) {
    return FormatLabelCsv(ReadLabels(ini, ButtonKind::kInput),
                          ReadLabels(ini, ButtonKind::kOutput));
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
    std::vector<LabelChange> changes;
    for (const LabelRow& row : rows) {
        std::string old = ini.GetString(KeyOf(row.kind, row.number), kLabelSection, "");
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
        return "cannot write the labels to " + ini.m_strPath + "; nothing written";
    }
    for (const LabelChange& change : changes) {
        if (ini.GetString(KeyOf(change.kind, change.number), kLabelSection, "") != change.to) {
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
