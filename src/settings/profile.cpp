#include "settings/profile.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>

#include "settings/atomicfile.h"
#include "settings/iniview.h"

namespace vantel {

namespace {

// Fills a caller's buffer with NUL-terminated entries and a final NUL. On overflow the last
// entry is cut and followed by two NULs, and the count is size - 2.
class ListWriter {
public:
    ListWriter(char* buffer, unsigned size) : buffer_(buffer), size_(size) {
        if (size_ < 2) {
            full_ = true;
        }
    }

    // Appends one entry made of the given pieces.
    void add(std::initializer_list<std::string_view> pieces) {
        if (full_) {
            return;
        }
        std::size_t length = 0;
        for (std::string_view piece : pieces) {
            length += piece.size();
        }
        // The entry, its NUL and the final NUL must fit.
        if (pos_ + length + 2 <= size_) {
            for (std::string_view piece : pieces) {
                put(piece, piece.size());
            }
            buffer_[pos_++] = '\0';
            return;
        }
        for (std::string_view piece : pieces) {
            // An earlier entry may already reach into the last two bytes: no room then.
            std::size_t room = pos_ < size_ - 2 ? size_ - 2 - pos_ : 0;
            put(piece, std::min(room, piece.size()));
        }
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
        if (full_) {
            buffer_[size_ - 2] = '\0';
            buffer_[size_ - 1] = '\0';
            return size_ - 2;
        }
        buffer_[pos_] = '\0';
        if (pos_ == 0) {
            buffer_[1] = '\0';  // an empty list is still two NULs
        }
        return static_cast<unsigned>(pos_);
    }

private:
    void put(std::string_view piece, std::size_t n) {
        if (n > 0) {  // an empty view may have no data pointer at all
            std::memcpy(buffer_ + pos_, piece.data(), n);
            pos_ += n;
        }
    }

    char* buffer_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool full_ = false;
};

// Copies text into the buffer, cut to size - 1 characters; returns the count copied.
unsigned copy_text(std::string_view text, char* buffer, unsigned size) {
    if (size == 0) {
        return 0;
    }
    std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    if (n > 0) {
        std::memcpy(buffer, text.data(), n);
    }
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

// Remembers the names already listed, ASCII case ignored, so each is listed once.
class SeenNames {
public:
    bool first_time(std::string_view name) {
        std::string key(name);
        std::transform(key.begin(), key.end(), key.begin(), [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        });
        return seen_.insert(std::move(key)).second;
    }

private:
    std::unordered_set<std::string> seen_;
};

unsigned list_section_names(const IniView& view, char* buffer, unsigned size) {
    ListWriter out(buffer, size);
    SeenNames seen;
    view.for_each_section([&](const IniSection& section) {
        if (!out.full() && seen.first_time(section.header.name)) {
            out.add({section.header.name});
        }
    });
    return out.finish();
}

// Lists the keys of the section (names only, or name=value lines); each key once.
unsigned list_section_keys(const IniView& view, const IniSection& section, bool with_values,
                           char* buffer, unsigned size) {
    ListWriter out(buffer, size);
    SeenNames seen;
    view.for_each_key(section, [&](const IniLine& line) {
        if (out.full() || !seen.first_time(line.name)) {
            return;
        }
        if (with_values) {
            out.add({line.name, "=", line.value});
        } else {
            out.add({line.name});
        }
    });
    return out.finish();
}

std::string_view or_empty(const char* text) {
    return text == nullptr ? std::string_view() : text;
}

// The text of the file, at most kMaxProfileBytes of it; empty when there is no file.
std::string read_profile(const char* path) {
    std::string text;
    if (path != nullptr) {
        ReadFileBounded(path, kMaxProfileBytes, text);
    }
    return text;
}

bool is_storable_change(const ProfileKeyValue& change) {
    return change.key == nullptr ||
           (IniView::is_storable_key(change.key) &&
            (change.value == nullptr || IniView::is_storable_value(change.value)));
}

// The text with one change applied.
std::string edited(const IniView& view, const char* section, const ProfileKeyValue& change) {
    if (change.key == nullptr) {
        return view.without_section(section);
    }
    if (change.value == nullptr) {
        return view.without_key(section, change.key);
    }
    return view.with_value(section, change.key, change.value);
}

}  // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* def,
                                 char* buffer, unsigned size, const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::string text = read_profile(path);
    IniView view(text);
    if (section == nullptr) {
        return list_section_names(view, buffer, size);
    }
    std::optional<IniSection> found = view.find_section(section);
    if (found && key == nullptr) {
        return list_section_keys(view, *found, false, buffer, size);
    }
    if (found) {
        if (std::optional<IniLine> line = view.find_key(*found, key)) {
            return copy_text(line->value, buffer, size);
        }
    }
    return copy_text(or_empty(def), buffer, size);
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* path) {
    const ProfileKeyValue change{key, value};
    return WritePrivateProfileStrings(section, {&change, 1}, path);
}

int WritePrivateProfileStrings(const char* section, std::span<const ProfileKeyValue> changes,
                               const char* path) {
    if (path == nullptr || section == nullptr || !IniView::is_storable_section(section) ||
        !std::all_of(changes.begin(), changes.end(), is_storable_change)) {
        return 0;
    }
    FileEdit edit = [&](std::string_view old) -> std::optional<std::string> {
        std::string text(old);
        for (const ProfileKeyValue& change : changes) {
            text = edited(IniView(text), section, change);
        }
        return text;
    };
    return UpdateFileAtomically(path, kMaxProfileBytes, edit) ? 1 : 0;
}

unsigned GetPrivateProfileSection(const char* section, char* buffer, unsigned size,
                                  const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::string text = read_profile(path);
    IniView view(text);
    std::optional<IniSection> found =
        section == nullptr ? std::nullopt : view.find_section(section);
    if (!found) {
        return ListWriter(buffer, size).finish();
    }
    return list_section_keys(view, *found, true, buffer, size);
}

unsigned GetPrivateProfileSectionNames(char* buffer, unsigned size, const char* path) {
    return GetPrivateProfileString(nullptr, nullptr, nullptr, buffer, size, path);
}

}  // namespace vantel
