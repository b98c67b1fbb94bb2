// labels export and labels import: the button labels of setup.ini as CSV.
#include <iostream>
#include <utility>
#include <vector>

#include "commands.h"
#include "ctlerror.h"
#include "jsonline.h"
#include "salvoreport.h"
#include "settings/inifile.h"
#include "settings/labelfile.h"
#include "settingspath.h"

namespace vantel {

namespace {

// Bad rows listed one by one; the count covers the rest.
constexpr std::size_t kMaxListedErrors = 20;

std::string ReadCsvFile(const std::string& path) {
    std::string text;
    switch (ReadLabelCsvFile(path, text)) {
        case LabelFileRead::kOk:
            return text;
        case LabelFileRead::kUnreadable:
            throw CCtlError(CtlExit::kCannotOpen, "cannot open " + path + ": not a readable file");
        case LabelFileRead::kTooLarge:
            break;
    }
    throw CCtlError(CtlExit::kUsage, path + " is larger than " + std::to_string(kMaxLabelCsvBytes) +
                                         " bytes; nothing written");
}

// Prints every bad row and fails, so nothing is written unless every row is good; a file
// that cannot be read at all is one line saying why.
void RequireGoodRows(const LabelCsv& csv, const std::string& path) {
    if (!csv.unreadable.empty()) {
        throw CCtlError(CtlExit::kUsage,
                        "cannot read " + path + ": " + csv.unreadable + "; nothing written");
    }
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

// Writes every change in one atomic change of the file and checks that it reads back.
void WriteChanges(CIniFile& ini, const std::vector<LabelChange>& changes) {
    const std::string failure = WriteLabelChanges(ini, changes);
    if (!failure.empty()) {
        throw CCtlError(CtlExit::kCannotOpen, failure);
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
    if (!WriteLabelCsvFile(file, LabelCsvOf(ini))) {
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
    const std::vector<LabelChange> changes = LabelChangesOf(ini, csv.rows);
    if (!args.dryRun && !changes.empty()) {
        WriteChanges(ini, changes);
    }
    PrintChanges(changes, args.dryRun, options.json);
    return 0;
}

}  // namespace vantel
