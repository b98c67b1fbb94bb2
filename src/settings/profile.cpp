#include "settings/profile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "settings/atomicfile.h"
#include "settings/iniview.h"
#include "settings/profiletext.h"
#include "settings/textcodec.h"

namespace vantel {

namespace {

// Fills a caller's buffer with NUL-terminated entries and a final NUL. When the entries do not
// all fit, or exactly fill it, the count is size - 2; a cut entry ends after a whole character
// and is followed by two NULs.
class ListWriter {
public:
    ListWriter(char* buffer, unsigned size) : buffer_(buffer), size_(size) {
        if (size_ < 2) {
            full_ = true;
        }
    }

    void add(std::string_view entry) {
        if (full_) {
            return;
        }
        // The entry, its NUL and the final NUL must fit.
        if (pos_ + entry.size() + 2 <= size_) {
            put(entry);
            buffer_[pos_++] = '\0';
            return;
        }
        // An earlier entry may already reach into the last two bytes: no room then.
        const std::size_t room = pos_ < size_ - 2 ? size_ - 2 - pos_ : 0;
        put(entry.substr(0, WholeUtf8Prefix(entry, room)));
        full_ = true;
    }

    bool full() const { return full_; }

    // Terminates the list; returns the count of characters copied.
    unsigned finish() {
        if (size_ == 0) {
            return 0;
        }
        if (size_ == 1) {
            buffer_[0] = '\0';
            return 0;
        }
        // A list that exactly fills the buffer cannot be told from a cut one: both end in two
        // NULs at size - 2.
        if (full_ || pos_ + 1 == size_) {
            const std::size_t end = std::min(pos_, size_ - 2);
            std::memset(buffer_ + end, '\0', size_ - end);
            return static_cast<unsigned>(size_ - 2);
        }
        buffer_[pos_] = '\0';
        if (pos_ == 0) {
            buffer_[1] = '\0';  // an empty list is still two NULs
        }
        return static_cast<unsigned>(pos_);
    }

private:
    void put(std::string_view piece) {
        if (!piece.empty()) {  // an empty view may have no data pointer at all
            std::memcpy(buffer_ + pos_, piece.data(), piece.size());
            pos_ += piece.size();
        }
    }

    char* buffer_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool full_ = false;
};

// Copies text into the buffer, cut after a whole character to at most size - 1 bytes; returns
// the count copied.
unsigned copy_text(std::string_view text, char* buffer, unsigned size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t n = WholeUtf8Prefix(text, size - 1);
    if (n > 0) {
        std::memcpy(buffer, text.data(), n);
    }
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

std::string_view or_empty(const char* text) {
    return text == nullptr ? std::string_view() : text;
}

// The file's first kMaxProfileBytes; empty when there is no file.
ProfileText read_profile(const char* path) {
    std::string bytes;
    const bool whole = path == nullptr || ReadFileBounded(path, kMaxProfileBytes, bytes);
    return ProfileText(bytes, !whole);
}

// A file being read: its text, the parsed view of it, and lookups by the callers' names.
class ProfileReader {
public:
    explicit ProfileReader(const char* path)
        : file_(read_profile(path)), view_(file_.text(), file_.double_byte()) {}

    const ProfileText& file() const { return file_; }
    const IniView& view() const { return view_; }

    std::optional<IniSection> find_section(const char* name) const {
        std::optional<std::string> spelt = file_.to_file(name);
        return spelt ? view_.find_section(*spelt) : std::nullopt;
    }

    std::optional<IniLine> find_key(const IniSection& section, const char* name) const {
        std::optional<std::string> spelt = file_.to_file(name);
        return spelt ? view_.find_key(section, *spelt) : std::nullopt;
    }

    // find_key for every read, in one pass; no name, or one the file cannot spell, finds
    // nothing.
    std::vector<std::optional<IniLine>> find_keys(const IniSection& section,
                                                  std::span<const ProfileKeyDefault> reads) const {
        std::vector<std::string> spelt;
        std::vector<std::size_t> asked;  // reads index of each spelt name
        for (std::size_t i = 0; i < reads.size(); ++i) {
            if (reads[i].key == nullptr) {
                continue;
            }
            if (std::optional<std::string> name = file_.to_file(reads[i].key)) {
                spelt.push_back(std::move(*name));
                asked.push_back(i);
            }
        }
        const std::vector<std::optional<IniLine>> found =
            view_.find_keys(section, {spelt.begin(), spelt.end()});
        std::vector<std::optional<IniLine>> lines(reads.size());
        for (std::size_t j = 0; j < found.size(); ++j) {
            lines[asked[j]] = found[j];
        }
        return lines;
    }

private:
    const ProfileText file_;
    const IniView view_;
};

// Remembers the names already listed, compared as the file compares them, so each is listed
// once.
class SeenNames {
public:
    explicit SeenNames(const IniView& view) : view_(view) {}
    bool first_time(std::string_view name) { return seen_.insert(view_.folded_name(name)).second; }

private:
    const IniView& view_;
    std::unordered_set<std::string> seen_;
};

unsigned list_section_names(const ProfileReader& reader, char* buffer, unsigned size) {
    ListWriter out(buffer, size);
    SeenNames seen(reader.view());
    reader.view().for_each_section([&](const IniSection& section) {
        if (!out.full() && seen.first_time(section.header.name)) {
            out.add(reader.file().to_caller(section.header.name));
        }
    });
    return out.finish();
}

// Lists the keys of the section (names only, or name=value lines); each key once.
unsigned list_section_keys(const ProfileReader& reader, const IniSection& section, bool with_values,
                           char* buffer, unsigned size) {
    ListWriter out(buffer, size);
    SeenNames seen(reader.view());
    reader.view().for_each_key(section, [&](const IniLine& line) {
        if (out.full() || !seen.first_time(line.name)) {
            return;
        }
        std::string entry = reader.file().to_caller(line.name);
        if (with_values) {
            entry.append("=").append(reader.file().to_caller(line.value));
        }
        out.add(entry);
    });
    return out.finish();
}

// A change as the file spells it: no key removes the section, no value the key.
struct SpeltChange {
    std::optional<std::string> key;
    std::optional<std::string> value;
};

// The section name as the file spells it; nothing when it cannot be stored there.
std::optional<std::string> spelt_section(const ProfileText& file, const char* section) {
    std::optional<std::string> spelt = file.to_file(section);
    if (!spelt || !IniView::is_storable_section(*spelt)) {
        return std::nullopt;
    }
    return spelt;
}

// The change as the file spells it; nothing when a name or value cannot be stored there.
std::optional<SpeltChange> spelt_change(const ProfileText& file, const ProfileKeyValue& change) {
    SpeltChange spelt;
    if (change.key == nullptr) {
        return spelt;
    }
    spelt.key = file.to_file(change.key);
    if (!spelt.key || !IniView::is_storable_key(*spelt.key)) {
        return std::nullopt;
    }
    if (change.value != nullptr) {
        spelt.value = file.to_file(change.value);
        if (!spelt.value || !IniView::is_storable_value(*spelt.value)) {
            return std::nullopt;
        }
    }
    return spelt;
}

// The text with one change applied.
std::string edited(const IniView& view, const std::string& section, const SpeltChange& change) {
    if (!change.key) {
        return view.without_section(section);
    }
    if (!change.value) {
        return view.without_key(section, *change.key);
    }
    return view.with_value(section, *change.key, *change.value);
}

// The file's text with every change applied, in order; nothing when any name or value cannot
// be spelt in the file's encoding.
std::optional<std::string> edited_text(const ProfileText& file, const char* section,
                                       std::span<const ProfileKeyValue> changes) {
    std::optional<std::string> spelt = spelt_section(file, section);
    if (!spelt) {
        return std::nullopt;
    }
    std::string text(file.text());
    for (const ProfileKeyValue& change : changes) {
        std::optional<SpeltChange> spelt_one = spelt_change(file, change);
        if (!spelt_one) {
            return std::nullopt;
        }
        text = edited(IniView(text, file.double_byte()), *spelt, *spelt_one);
    }
    return text;
}

// The file's bytes with every change applied; nothing when the result cannot be stored in
// the file's encoding.
std::optional<std::string> edited_file(const ProfileText& file, const char* section,
                                       std::span<const ProfileKeyValue> changes) {
    std::optional<std::string> text = edited_text(file, section, changes);
    return text ? file.encoded(*text) : std::nullopt;
}

// Whether every name and value is UTF-8 that a file could hold as written, checked before the
// file is touched.
bool storable_as_given(const char* section, std::span<const ProfileKeyValue> changes) {
    const ProfileText utf8_file(std::string_view(), false);
    return spelt_section(utf8_file, section) &&
           std::all_of(changes.begin(), changes.end(), [&](const ProfileKeyValue& change) {
               return spelt_change(utf8_file, change).has_value();
           });
}

}  // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* def,
                                 char* buffer, unsigned size, const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const ProfileReader reader(path);
    if (section == nullptr) {
        return list_section_names(reader, buffer, size);
    }
    std::optional<IniSection> found = reader.find_section(section);
    if (found && key == nullptr) {
        return list_section_keys(reader, *found, false, buffer, size);
    }
    if (found) {
        if (std::optional<IniLine> line = reader.find_key(*found, key)) {
            return copy_text(reader.file().to_caller(line->value), buffer, size);
        }
    }
    return copy_text(or_empty(def), buffer, size);
}

std::vector<std::string> GetPrivateProfileStrings(const char* section,
                                                  std::span<const ProfileKeyDefault> reads,
                                                  unsigned size, const char* path) {
    std::vector<std::string> values(reads.size());
    if (size == 0) {
        return values;
    }
    const ProfileReader reader(path);
    std::optional<IniSection> found =
        section == nullptr ? std::nullopt : reader.find_section(section);
    std::vector<std::optional<IniLine>> lines;
    if (found) {
        lines = reader.find_keys(*found, reads);
    }
    std::string buffer(size, '\0');
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const bool hit = i < lines.size() && lines[i].has_value();
        const unsigned n =
            hit ? copy_text(reader.file().to_caller(lines[i]->value), buffer.data(), size)
                : copy_text(or_empty(reads[i].def), buffer.data(), size);
        values[i].assign(buffer.data(), n);
    }
    return values;
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* path) {
    const ProfileKeyValue change{key, value};
    return WritePrivateProfileStrings(section, {&change, 1}, path);
}

int WritePrivateProfileStrings(const char* section, std::span<const ProfileKeyValue> changes,
                               const char* path) {
    if (path == nullptr || section == nullptr || !storable_as_given(section, changes)) {
        return 0;
    }
    FileEdit edit = [&](std::string_view old) {
        return edited_file(ProfileText(old, false), section, changes);
    };
    return UpdateFileAtomically(path, kMaxProfileBytes, edit) ? 1 : 0;
}

std::string PrivateProfileWriteProblem(const char* section,
                                       std::span<const ProfileKeyValue> changes, const char* path) {
    if (path == nullptr || section == nullptr || !storable_as_given(section, changes)) {
        return "a name or value holds a line break, a NUL or text that is not UTF-8";
    }
    std::string old;
    if (!ReadFileBounded(path, kMaxProfileBytes, old)) {
        return "the file is larger than " + std::to_string(kMaxProfileBytes) + " bytes";
    }
    const ProfileText file(old, false);
    const std::optional<std::string> text = edited_text(file, section, changes);
    if (!text) {
        return "a name or value cannot be written in the file's encoding";
    }
    if (!file.encoded(*text)) {
        return "the file is in the legacy code page GB18030, and after this change none of its "
               "bytes would mark it so: its other text would then read as UTF-8 and mean "
               "something else";
    }
    if (access(path, F_OK) == 0 && access(path, W_OK) != 0) {
        return std::string("the file cannot be written: ") + std::strerror(errno);
    }
    return {};
}

unsigned GetPrivateProfileSection(const char* section, char* buffer, unsigned size,
                                  const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const ProfileReader reader(path);
    std::optional<IniSection> found =
        section == nullptr ? std::nullopt : reader.find_section(section);
    if (!found) {
        return ListWriter(buffer, size).finish();
    }
    return list_section_keys(reader, *found, true, buffer, size);
}

unsigned GetPrivateProfileSectionNames(char* buffer, unsigned size, const char* path) {
    return GetPrivateProfileString(nullptr, nullptr, nullptr, buffer, size, path);
}

}  // namespace vantel
