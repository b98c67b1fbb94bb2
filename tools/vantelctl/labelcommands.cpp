// labels export and labels import: the button labels of setup.ini as CSV.
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "commands.h"
#include "ctlerror.h"
#include "jsonline.h"
#include "salvoreport.h"
#include "settings/atomicfile.h"
#include "settings/inifile.h"
#include "settings/labelcsv.h"
#include "settingspath.h"

namespace vantel {

namespace {

constexpr const char* kSection = "BUTTON";
// An export replaces a file of at most this size; a larger one is hardly a label list.
constexpr std::size_t kMaxReplacedBytes = 16 * 1024 * 1024;
// Bad rows listed one by one; the count covers the rest.
constexpr std::size_t kMaxListedErrors = 20;

// A label that an import changes.
struct LabelChange {
    ButtonKind kind;
    int number;
    std::string from;
    std::string to;

    std::string Key() const { return ButtonLabelKey(kind, number - 1); }
};

std::vector<std::string> ReadLabels(CIniFile& ini, ButtonKind kind) {
    std::vector<std::string> labels;
    for (int i = 0; i < kMaxLabelButtons; ++i) {
        labels.push_back(ini.GetString(ButtonLabelKey(kind, i), kSection, ""));
    }
    return labels;
}

std::string ReadCsvFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw CCtlError(CtlExit::kCannotOpen, "cannot open " + path + ": not a readable file");
    }
    std::string text;
    if (!ReadFileBounded(path.c_str(), kMaxLabelCsvBytes, text)) {
        throw CCtlError(CtlExit::kUsage, path + " is larger than " +
                                             std::to_string(kMaxLabelCsvBytes) +
                                             " bytes; nothing written");
    }
    return text;
}

// Prints every bad row and fails, so nothing is written unless every row is good.
void RequireGoodRows(const LabelCsv& csv, const std::string& path) {
    if (csv.errors.empty()) {
        return;
    }
    for (std::size_t i = 0; i < csv.errors.size() && i < kMaxListedErrors; ++i) {
        std::cerr << "vantelctl: " << path << " line " << csv.errors[i].line << ": "
                  << csv.errors[i].message << "\n";
    }
    if (csv.errors.size() > kMaxListedErrors) {
        std::cerr << "vantelctl: " << path << ": " << csv.errors.size() - kMaxListedErrors
                  << " more bad rows\n";
    }
    throw CCtlError(CtlExit::kUsage, "nothing written: " + std::to_string(csv.errors.size()) +
                                         " bad row" + (csv.errors.size() == 1 ? "" : "s") + " in " +
                                         path);
}

std::vector<LabelChange> ChangesOf(CIniFile& ini, const std::vector<LabelRow>& rows) {
    std::vector<LabelChange> changes;
    for (const LabelRow& row : rows) {
        std::string old = ini.GetString(ButtonLabelKey(row.kind, row.number - 1), kSection, "");
        if (old != row.label) {
            changes.push_back({row.kind, row.number, std::move(old), row.label});
        }
    }
    return changes;
}

// Writes every change in one atomic change of the file and checks that it reads back.
void WriteChanges(CIniFile& ini, const std::vector<LabelChange>& changes) {
    std::vector<std::pair<std::string, std::string>> keyValues;
    for (const LabelChange& change : changes) {
        keyValues.emplace_back(change.Key(), change.to);
    }
    if (!ini.SetStrings(keyValues, kSection)) {
        throw CCtlError(CtlExit::kCannotOpen,
                        "cannot write the labels to " + ini.m_strPath + "; nothing written");
    }
    for (const LabelChange& change : changes) {
        if (ini.GetString(change.Key(), kSection, "") != change.to) {
            throw CCtlError(CtlExit::kCannotOpen, std::string(ButtonKindName(change.kind)) + " " +
                                                      std::to_string(change.number) +
                                                      " does not read back as written in " +
                                                      ini.m_strPath);
        }
    }
}

void PrintChanges(const std::vector<LabelChange>& changes, bool dryRun, bool json) {
    if (json) {
        auto list = nlohmann::ordered_json::array();
        for (const LabelChange& change : changes) {
            list.push_back({{"kind", ButtonKindName(change.kind)},
                            {"number", change.number},
                            {"from", change.from},
                            {"to", change.to}});
        }
        auto object = JsonObject();
        object["action"] = "import";
        object["dry_run"] = dryRun;
        object["written"] = !dryRun && !changes.empty();
        object["changes"] = std::move(list);
        std::cout << JsonLine(object) << std::endl;
        return;
    }
    for (const LabelChange& change : changes) {
        std::cout << ButtonKindName(change.kind) << " " << change.number << ": \""
                  << PrintableName(change.from) << "\" -> \"" << PrintableName(change.to) << "\"\n";
    }
    const std::string count =
        std::to_string(changes.size()) + (changes.size() == 1 ? " label" : " labels");
    if (changes.empty()) {
        std::cout << "no label changes" << std::endl;
    } else if (dryRun) {
        std::cout << count << " would change; dry run, nothing written" << std::endl;
    } else {
        std::cout << count << " changed" << std::endl;
    }
}

}  // namespace

int RunLabelsExport(const CtlOptions& options, const std::string& file) {
    CIniFile ini(SettingsPathFor(options.config));
    const std::string csv =
        FormatLabelCsv(ReadLabels(ini, ButtonKind::kInput), ReadLabels(ini, ButtonKind::kOutput));
    if (!UpdateFileAtomically(file.c_str(), kMaxReplacedBytes,
                              [&csv](std::string_view) { return csv; })) {
        throw CCtlError(CtlExit::kCannotOpen, "cannot write " + file);
    }
    if (options.json) {
        auto object = JsonObject();
        object["action"] = "export";
        object["file"] = file;
        object["inputs"] = kMaxLabelButtons;
        object["outputs"] = kMaxLabelButtons;
        std::cout << JsonLine(object) << std::endl;
    } else {
        std::cout << "exported " << kMaxLabelButtons << " input and " << kMaxLabelButtons
                  << " output labels to " << file << std::endl;
    }
    return 0;
}

int RunLabelsImport(const CtlOptions& options, const LabelsArgs& args) {
    const LabelCsv csv = ParseLabelCsv(ReadCsvFile(args.file));
    RequireGoodRows(csv, args.file);
    CIniFile ini(SettingsPathFor(options.config));
    const std::vector<LabelChange> changes = ChangesOf(ini, csv.rows);
    if (!args.dryRun && !changes.empty()) {
        WriteChanges(ini, changes);
    }
    PrintChanges(changes, args.dryRun, options.json);
    return 0;
}

}  // namespace vantel
