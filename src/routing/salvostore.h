#pragma once
// CSalvoStore: the salvos kept in one folder (salvos/ beside setup.ini), one file per salvo.
// Files are written atomically (a crash leaves the old or the new file). A file that is not a
// salvo of ours (broken, foreign, newer, too large) is listed as a problem by its file name and
// otherwise skipped, so one bad file never hides the others.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "routing/salvo.h"

namespace vantel {

struct SalvoEntry {
    std::string name;
    std::string file;  // file name inside the folder
};

struct SalvoFileProblem {
    std::string file;  // file name inside the folder
    std::string problem;
    std::string name;  // the name the file gives, where one can be read from it; else empty
};

struct SalvoListing {
    std::vector<SalvoEntry> salvos;  // ordered by name (bytewise)
    std::vector<SalvoFileProblem> problems;
};

// Why a store operation failed: no file gives the name; the salvo's file cannot be read as
// one (the error names the file and why); anything else (a name refused, a file not written).
enum class StoreFault { kNone, kMissing, kUnreadable, kOther };

struct StoreResult {
    bool ok = true;
    std::string error;  // why not, for the operator
    StoreFault fault = StoreFault::kNone;
};

class CSalvoStore {
public:
    static constexpr const char* kFolderName = "salvos";
    // At most this many files of the folder are looked at.
    static constexpr std::size_t kMaxFiles = 10000;

    // The salvo folder beside a settings file.
    static std::filesystem::path FolderBeside(const std::filesystem::path& settingsFile);

    explicit CSalvoStore(std::filesystem::path folder);

    const std::filesystem::path& Folder() const { return m_folder; }

    // Every salvo in the folder. A missing folder holds none; one that cannot be read is
    // reported as a problem under its own path. Hidden files (temporary files of
    // an atomic write) and files not ending in ".json" are not looked at.
    SalvoListing List() const;
    // Fails when no file holds a salvo of that name: unreadable when a file that cannot be read
    // is the salvo's (it gives that name, or it is the file Save writes for the name), naming
    // that file and why; otherwise "no salvo named", naming the files that could not be read,
    // as the one meant may be among them.
    StoreResult Load(std::string_view name, Salvo& salvo) const;
    // Keeps the salvo, replacing one of the same name. Creates the folder when missing.
    StoreResult Save(const Salvo& salvo);
    // Fails when a salvo named to exists already or from does not.
    StoreResult Rename(std::string_view from, std::string_view to);
    // Fails as Load does when no file holds the salvo: a file that cannot be read is never
    // removed by a name it might not hold.
    StoreResult Delete(std::string_view name);

private:
    // The file holding the salvo named name, or empty.
    std::string FileOf(std::string_view name) const;
    // The file holding the salvo named name; when none does, the failure Load reports.
    StoreResult Locate(std::string_view name, std::string& file) const;
    // A file name for a new salvo that no file in the folder has.
    std::string FreeFileName(std::string_view name) const;
    StoreResult Write(const std::string& file, const Salvo& salvo);

    std::filesystem::path m_folder;
};

}  // namespace vantel
