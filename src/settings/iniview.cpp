#include "settings/iniview.h"

#include <cstring>
#include <unordered_map>

namespace vantel {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_quote(char c) {
    return c == '"' || c == '\'';
}

bool is_quoted(std::string_view s) {
    return s.size() >= 2 && is_quote(s.front()) && s.back() == s.front();
}

std::size_t offset_in(std::string_view text, std::string_view part) {
    return static_cast<std::size_t>(part.data() - text.data());
}

void classify_section(std::string_view content, IniLine& line) {
    content.remove_prefix(1);  // '['
    line.kind = IniLineKind::kSection;
    line.name = IniView::trim(content.substr(0, content.find(']')));
}

void classify_key(std::string_view text, std::string_view content, IniLine& line) {
    std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) {
        return;
    }
    line.name = IniView::trim(content.substr(0, eq));
    if (line.name.empty()) {
        return;
    }
    std::string_view raw = IniView::trim(content.substr(eq + 1));
    line.kind = IniLineKind::kKey;
    line.raw_begin = raw.empty() ? line.end : offset_in(text, raw);
    line.raw_end = line.raw_begin + raw.size();
    line.value = is_quoted(raw) ? raw.substr(1, raw.size() - 2) : raw;
}

}  // namespace

std::string_view IniView::trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::size_t IniView::char_length(std::string_view name, std::size_t i) const {
    const auto c = static_cast<unsigned char>(name[i]);
    return double_byte_ && c >= 0x81 && c <= 0xFE && i + 1 < name.size() ? 2 : 1;
}

bool IniView::names_equal(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t length = char_length(a, i);
        if (length == 1 ? ascii_lower(a[i]) != ascii_lower(b[i])
                        : a.substr(i, length) != b.substr(i, length)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string IniView::folded_name(std::string_view name) const {
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size(); i += char_length(name, i)) {
        folded[i] = ascii_lower(folded[i]);
    }
    return folded;
}

IniLine IniView::line_at(std::size_t pos) const {
    IniLine line;
    line.begin = pos;
    const std::size_t size = text_.size();
    std::size_t eol = pos;
    while (eol < size && text_[eol] != '\n' && text_[eol] != '\r') {
        ++eol;
    }
    line.end = eol;
    if (eol == size) {
        line.next = size;
    } else {
        bool crlf = text_[eol] == '\r' && eol + 1 < size && text_[eol + 1] == '\n';
        line.next = eol + (crlf ? 2 : 1);
    }
    std::string_view content = text_.substr(pos, line.end - pos);
    if (pos == 0 && content.starts_with(kUtf8Bom)) {
        content.remove_prefix(kUtf8Bom.size());
    }
    // A NUL byte marks binary garbage: such a line is neither a header nor a key.
    if (std::memchr(content.data(), '\0', content.size()) != nullptr) {
        return line;
    }
    content = trim(content);
    if (content.empty()) {
        line.kind = IniLineKind::kBlank;
    } else if (content.front() == ';') {
        line.kind = IniLineKind::kComment;
    } else if (content.front() == '[') {
        classify_section(content, line);
    } else {
        classify_key(text_, content, line);
    }
    return line;
}

std::size_t IniView::section_end(std::size_t pos) const {
    while (!at_end(pos)) {
        IniLine line = line_at(pos);
        if (line.kind == IniLineKind::kSection) {
            return line.begin;
        }
        pos = line.next;
    }
    return text_.size();
}

std::optional<IniSection> IniView::find_section(std::string_view name) const {
    name = trim(name);
    for (std::size_t pos = 0; !at_end(pos);) {
        IniLine line = line_at(pos);
        pos = line.next;
        if (line.kind == IniLineKind::kSection && names_equal(line.name, name)) {
            return IniSection{line};
        }
    }
    return std::nullopt;
}

std::optional<IniLine> IniView::find_key(const IniSection& section, std::string_view key) const {
    key = trim(key);
    std::size_t pos = section.header.next;
    while (std::optional<IniLine> line = next_key(pos)) {
        if (names_equal(line->name, key)) {
            return line;
        }
    }
    return std::nullopt;
}

std::vector<std::optional<IniLine>> IniView::find_keys(
    const IniSection& section, const std::vector<std::string_view>& keys) const {
    // Names are equal exactly when their folded forms are, so one lookup per line finds every
    // key asking for it; the first line of a name wins, as with find_key.
    std::unordered_multimap<std::string, std::size_t> wanted;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        wanted.emplace(folded_name(trim(keys[i])), i);
    }
    std::vector<std::optional<IniLine>> lines(keys.size());
    std::size_t pos = section.header.next;
    while (!wanted.empty()) {
        std::optional<IniLine> line = next_key(pos);
        if (!line) {
            break;
        }
        const auto [first, last] = wanted.equal_range(folded_name(line->name));
        for (auto it = first; it != last; ++it) {
            lines[it->second] = line;
        }
        wanted.erase(first, last);
    }
    return lines;
}

std::optional<IniLine> IniView::next_key(std::size_t& pos) const {
    while (!at_end(pos)) {
        IniLine line = line_at(pos);
        if (line.kind == IniLineKind::kSection) {
            return std::nullopt;
        }
        pos = line.next;
        if (line.kind == IniLineKind::kKey) {
            return line;
        }
    }
    return std::nullopt;
}

std::string_view IniView::line_end_style() const {
    std::size_t eol = text_.find_first_of("\r\n");
    if (eol == std::string_view::npos) {
        return "\n";
    }
    if (text_[eol] == '\n') {
        return "\n";
    }
    return (eol + 1 < text_.size() && text_[eol + 1] == '\n') ? "\r\n" : "\r";
}

std::string IniView::replaced(std::size_t begin, std::size_t end, std::string_view with) const {
    std::string out;
    out.reserve(text_.size() - (end - begin) + with.size());
    out.append(text_.substr(0, begin));
    out.append(with);
    out.append(text_.substr(end));
    return out;
}

std::string IniView::inserted_after(const IniLine& line, std::string_view new_line) const {
    // After a last line without a line end, the new line needs one before it instead.
    std::string piece;
    std::string_view eol = line_end_style();
    if (line.has_line_end()) {
        piece.append(new_line).append(eol);
    } else {
        piece.append(eol).append(new_line);
    }
    return replaced(line.next, line.next, piece);
}

std::string IniView::with_value(std::string_view section, std::string_view key,
                                std::string_view value) const {
    section = trim(section);
    key = trim(key);
    std::string stored = encode_value(value);
    std::optional<IniSection> found = find_section(section);
    if (!found) {
        std::string_view eol = line_end_style();
        std::string block;
        if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') {
            block.append(eol);
        }
        block.append("[").append(section).append("]").append(eol);
        block.append(key).append("=").append(stored).append(eol);
        return replaced(text_.size(), text_.size(), block);
    }
    if (std::optional<IniLine> line = find_key(*found, key)) {
        return replaced(line->raw_begin, line->raw_end, stored);
    }
    IniLine last = found->header;
    for_each_key(*found, [&last](const IniLine& line) { last = line; });
    return inserted_after(last, std::string(key) + "=" + stored);
}

std::string IniView::without_key(std::string_view section, std::string_view key) const {
    std::optional<IniSection> found = find_section(section);
    if (!found) {
        return std::string(text_);
    }
    std::optional<IniLine> line = find_key(*found, key);
    if (!line) {
        return std::string(text_);
    }
    return replaced(line->begin, line->next, "");
}

std::string IniView::without_section(std::string_view section) const {
    std::optional<IniSection> found = find_section(section);
    if (!found) {
        return std::string(text_);
    }
    return replaced(found->header.begin, section_end(found->header.next), "");
}

bool IniView::is_storable_section(std::string_view name) {
    name = trim(name);
    return !name.empty() && name.find_first_of(std::string_view("]\r\n\0", 4)) == name.npos;
}

bool IniView::is_storable_key(std::string_view name) {
    name = trim(name);
    return !name.empty() && name.front() != ';' && name.front() != '[' &&
           name.find_first_of(std::string_view("=\r\n\0", 4)) == name.npos;
}

bool IniView::is_storable_value(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == value.npos;
}

std::string IniView::encode_value(std::string_view value) {
    bool loses_blanks = !value.empty() && (is_blank(value.front()) || is_blank(value.back()));
    if (loses_blanks || is_quoted(value)) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

}  // namespace vantel
