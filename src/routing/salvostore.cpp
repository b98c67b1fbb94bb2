#include "routing/salvostore.h"

#include <algorithm>
#include <system_error>

#include "routing/salvofile.h"
#include "routing/salvofilename.h"
#include "settings/atomicfile.h"

namespace vantel {

namespace {

// How many numbered alternatives of a derived file name are tried before giving up.
constexpr int kFileNameAttempts = 100;

StoreResult Failure(std::string error, StoreFault fault = StoreFault::kOther) {
    return StoreResult{false, std::move(error), fault};
}

bool IsSalvoFileName(const std::string& file) {
    const std::string suffix = kSalvoFileSuffix;
    return !file.empty() && file[0] != '.' && file.size() > suffix.size() &&
           file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The candidate files of the folder, sorted, at most CSalvoStore::kMaxFiles. A folder that
// exists but cannot be read sets error.
std::vector<std::string> SalvoFiles(const std::filesystem::path& folder, std::error_code& error) {
    std::vector<std::string> files;
    for (std::filesystem::directory_iterator it(folder, error), end;
         !error && it != end && files.size() < CSalvoStore::kMaxFiles; it.increment(error)) {
        std::string file = it->path().filename().string();
        if (IsSalvoFileName(file)) {
            files.push_back(std::move(file));
        }
    }
    if (error == std::errc::no_such_file_or_directory) {
        error.clear();  // no folder yet: no salvos yet
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Reads the salvo in path; returns why it is not one. claimed gets the name a file that is no
// salvo still gives (a readable "name" beside a fault elsewhere), so it can be told apart.
std::string ReadSalvo(const std::filesystem::path& path, Salvo& salvo,
                      std::string* claimed = nullptr) {
    std::string text;
    if (!ReadFileBounded(path.c_str(), kMaxSalvoFileBytes, text)) {
        return "larger than " + std::to_string(kMaxSalvoFileBytes) + " bytes";
    }
    std::string problem = ParseSalvoFile(text, salvo);
    if (!problem.empty() && claimed != nullptr) {
        *claimed = SalvoFileClaimedName(text);
    }
    return problem;
}

std::string Quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

// Whether file is one that CSalvoStore::Save would write for name.
bool IsFileNameFor(const std::string& file, std::string_view name) {
    for (int attempt = 0; attempt < kFileNameAttempts; ++attempt) {
        if (file == SalvoFileName(name, attempt)) {
            return true;
        }
    }
    return false;
}

StoreResult Unreadable(std::string_view name, const std::string& file, const std::string& problem) {
    return Failure(
        "salvo " + Quoted(name) + " is in " + file + ", which cannot be read: " + problem,
        StoreFault::kUnreadable);
}

// At most this many unreadable files are named in one message.
constexpr std::size_t kNamedProblems = 3;

std::string ProblemsText(const std::vector<SalvoFileProblem>& problems) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < kNamedProblems; ++i) {
        text += (i == 0 ? "" : "; ") + problems[i].file + ": " + problems[i].problem;
    }
    if (problems.size() > kNamedProblems) {
        text += "; " + std::to_string(problems.size() - kNamedProblems) + " more";
    }
    return text;
}

}  // namespace

std::filesystem::path CSalvoStore::FolderBeside(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / kFolderName;
}

CSalvoStore::CSalvoStore(std::filesystem::path folder) : m_folder(std::move(folder)) {}

SalvoListing CSalvoStore::List() const {
    SalvoListing listing;
    std::error_code error;
    const std::vector<std::string> files = SalvoFiles(m_folder, error);
    if (error) {
        listing.problems.push_back(
            {m_folder.string(), "cannot read the folder: " + error.message(), {}});
    }
    for (const std::string& file : files) {
        Salvo salvo;
        std::string claimed;
        std::string problem = ReadSalvo(m_folder / file, salvo, &claimed);
        const auto same = std::find_if(listing.salvos.begin(), listing.salvos.end(),
                                       [&](const SalvoEntry& e) { return e.name == salvo.name; });
        if (problem.empty() && same != listing.salvos.end()) {
            // The file this store would write for the name wins over a copy of another name.
            std::string loser = file;
            if (file == SalvoFileName(salvo.name)) {
                std::swap(loser, same->file);
            }
            listing.problems.push_back({loser, "holds the same name as " + same->file, {}});
            continue;
        }
        if (problem.empty()) {
            listing.salvos.push_back({salvo.name, file});
        } else {
            listing.problems.push_back({file, problem, claimed});
        }
    }
    std::sort(listing.salvos.begin(), listing.salvos.end(),
              [](const SalvoEntry& a, const SalvoEntry& b) { return a.name < b.name; });
    return listing;
}

std::string CSalvoStore::FileOf(std::string_view name) const {
    for (const SalvoEntry& entry : List().salvos) {
        if (entry.name == name) {
            return entry.file;
        }
    }
    return {};
}

StoreResult CSalvoStore::Locate(std::string_view name, std::string& file) const {
    const SalvoListing listing = List();
    for (const SalvoEntry& entry : listing.salvos) {
        if (entry.name == name) {
            file = entry.file;
            return {};
        }
    }
    std::vector<SalvoFileProblem> unreadable;
    for (const SalvoFileProblem& problem : listing.problems) {
        if (problem.name == name || IsFileNameFor(problem.file, name)) {
            return Unreadable(name, problem.file, problem.problem);
        }
        if (problem.name.empty()) {
            unreadable.push_back(problem);
        }
    }
    std::string error = "no salvo named " + Quoted(name) + " in " + m_folder.string();
    if (!unreadable.empty()) {
        error += " (files that cannot be read: " + ProblemsText(unreadable) + ")";
    }
    return Failure(std::move(error), StoreFault::kMissing);
}

StoreResult CSalvoStore::Load(std::string_view name, Salvo& salvo) const {
    std::string file;
    StoreResult located = Locate(name, file);
    if (!located.ok) {
        return located;
    }
    // The file may have changed since it was listed.
    const std::string problem = ReadSalvo(m_folder / file, salvo);
    return problem.empty() ? StoreResult{} : Unreadable(name, file, problem);
}

std::string CSalvoStore::FreeFileName(std::string_view name) const {
    for (int attempt = 0; attempt < kFileNameAttempts; ++attempt) {
        std::string file = SalvoFileName(name, attempt);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(m_folder / file, error))) {
            return file;
        }
    }
    return {};
}

StoreResult CSalvoStore::Write(const std::string& file, const Salvo& salvo) {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    const std::string text = FormatSalvoFile(salvo);
    const std::string path = (m_folder / file).string();
    const bool written = UpdateFileAtomically(
        path.c_str(), kMaxSalvoFileBytes,
        [&text](std::string_view) -> std::optional<std::string> { return text; });
    return written ? StoreResult{} : Failure("cannot write " + path);
}

StoreResult CSalvoStore::Save(const Salvo& salvo) {
    std::string problem = SalvoNameProblem(salvo.name);
    if (problem.empty()) {
        problem = SalvoRoutesProblem(salvo.routes);
    }
    if (!problem.empty()) {
        return Failure(problem);
    }
    std::string file = FileOf(salvo.name);
    if (file.empty()) {
        file = FreeFileName(salvo.name);
    }
    return file.empty() ? Failure("no free file name for " + Quoted(salvo.name))
                        : Write(file, salvo);
}

StoreResult CSalvoStore::Rename(std::string_view from, std::string_view to) {
    Salvo salvo;
    StoreResult result = Load(from, salvo);
    if (!result.ok || from == to) {
        return result;
    }
    if (!FileOf(to).empty()) {
        return Failure("a salvo named " + Quoted(to) + " exists already");
    }
    salvo.name = std::string(to);
    result = Save(salvo);
    // The old file goes only once the new one is in place, so a failure loses nothing.
    return result.ok ? Delete(from) : result;
}

StoreResult CSalvoStore::Delete(std::string_view name) {
    std::string file;
    if (StoreResult located = Locate(name, file); !located.ok) {
        return located;
    }
    std::error_code error;
    std::filesystem::remove(m_folder / file, error);
    return error ? Failure("cannot remove " + (m_folder / file).string() + ": " + error.message())
                 : StoreResult{};
}

}  // namespace vantel
