// Fuzz target: any bytes as setup.ini. Reads, enumerations and writes must not crash, must
// never write past a buffer, and a write must change nothing but the key it writes.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "settings/inifile.h"
#include "settings/profile.h"

namespace {

constexpr std::size_t kMaxEntriesChecked = 32;
constexpr const char* kNone = "<none>";

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_profile: %s\n", what);
        std::abort();
    }
}

std::string g_folder;

void RemoveFolder() {
    ::unlink((g_folder + "/setup.ini").c_str());
    ::rmdir(g_folder.c_str());
}

const std::string& FilePath() {
    // On tmpfs where there is one: every write flushes to disk, which would slow fuzzing down.
    static const std::string path = [] {
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        folder += "/vantel-fuzz-profile-XXXXXX";
        Require(::mkdtemp(folder.data()) != nullptr, "mkdtemp failed");
        g_folder = folder;
        std::atexit(RemoveFolder);
        return folder + "/setup.ini";
    }();
    return path;
}

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr, "cannot write the input file");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

// Splits a NUL-separated list up to count, the way CIniFile does.
std::vector<std::string> Entries(const std::vector<char>& buffer, unsigned count) {
    std::vector<std::string> out;
    std::string entry;
    for (unsigned i = 0; i < count; ++i) {
        if (buffer[i] != '\0') {
            entry.push_back(buffer[i]);
        } else if (!entry.empty()) {
            out.push_back(std::move(entry));
            entry.clear();
        }
    }
    return out;
}

// Lists of every size class, in heap buffers of exactly that size so overruns are caught.
void ReadListsAtSize(const std::string& path, unsigned size) {
    std::vector<char> buffer(size);
    unsigned n = vantel::GetPrivateProfileSectionNames(buffer.data(), size, path.c_str());
    Require(size < 2 ? n == 0 : n < size && buffer[n] == '\0', "bad section list count");
    for (const std::string& section : Entries(buffer, n)) {
        std::vector<char> keys(size);
        vantel::GetPrivateProfileString(section.c_str(), nullptr, "", keys.data(), size,
                                        path.c_str());
        vantel::GetPrivateProfileSection(section.c_str(), keys.data(), size, path.c_str());
    }
}

using Snapshot = std::vector<std::pair<std::pair<std::string, std::string>, std::string>>;

// (section, key) -> value for the first entries of the file that can be looked up by the
// names the lists give (a name holding bytes the file's encoding cannot decode comes back with
// U+FFFD and finds nothing).
Snapshot Take(const std::string& path) {
    Snapshot snapshot;
    std::vector<char> names(65536);
    unsigned n = vantel::GetPrivateProfileSectionNames(names.data(), 65536, path.c_str());
    for (const std::string& section : Entries(names, n)) {
        std::vector<char> keys(65536);
        unsigned k = vantel::GetPrivateProfileString(section.c_str(), nullptr, "", keys.data(),
                                                     65536, path.c_str());
        for (const std::string& key : Entries(keys, k)) {
            if (snapshot.size() == kMaxEntriesChecked) {
                return snapshot;
            }
            char value[255];
            unsigned v = vantel::GetPrivateProfileString(section.c_str(), key.c_str(), kNone,
                                                         value, sizeof value, path.c_str());
            if (std::string(value, v) != kNone) {
                snapshot.push_back({{section, key}, std::string(value, v)});
            }
        }
    }
    return snapshot;
}

// Writes value to (section, key), then checks it reads back and every other entry is as before.
void WriteAndCheck(const std::string& path, const Snapshot& before, const std::string& section,
                   const std::string& key) {
    CIniFile ini(path);
    if (ini.SetString("fuzz value", key, section) == 0) {
        return;
    }
    Require(ini.GetString(key, section, kNone) == "fuzz value", "written value lost");
    CIniFile lists(path);
    for (const auto& [where, value] : before) {
        bool same_key = where == std::make_pair(section, key);
        if (!same_key && lists.GetString(where.second, where.first, kNone) != value) {
            // A differently spelt twin of the written key is the written key itself.
            Require(ini.GetString(where.second, where.first, "") == "fuzz value",
                    "a write changed another key");
        }
    }
}

void ExerciseIniFile(const std::string& path, const Snapshot& snapshot) {
    CIniFile ini(path);
    ini.GetSectionNames();
    ini.GetSectionNames();
    if (!snapshot.empty()) {
        const auto& [section, key] = snapshot.front().first;
        ini.GetSectionData(section);
        ini.SectionExists(section);
        ini.GetInt(key, section, 12);
        ini.GetHex(key, section, 0xAB, 4);
        ini.GetBool(key, section, 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FilePath();
    WriteInput(path, data, size);
    for (unsigned buffer_size : {1u, 2u, 7u, 90u, 255u}) {
        ReadListsAtSize(path, buffer_size);
    }
    Snapshot before = Take(path);
    ExerciseIniFile(path, before);
    if (!before.empty()) {
        WriteAndCheck(path, before, before.front().first.first, before.front().first.second);
    }
    WriteInput(path, data, size);
    WriteAndCheck(path, before, "fuzz-new-section", "k");
    return 0;
}
