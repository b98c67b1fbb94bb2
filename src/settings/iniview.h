#pragma once
// IniView: a parsed view of INI text that allocates nothing. Lines are byte ranges of the
// text, classified on the fly, so lookups run in one pass and edits can rebuild the text from
// the original bytes with only the edited range replaced.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

enum class IniLineKind { kBlank, kComment, kSection, kKey, kOther };

struct IniLine {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // one past the last byte before the line end
    std::size_t next = 0;   // first byte after the line end (CR LF, LF or CR)
    IniLineKind kind = IniLineKind::kOther;
    std::string_view name;      // section or key name, blanks trimmed
    std::string_view value;     // key value: trimmed, one pair of matching quotes removed
    std::size_t raw_begin = 0;  // trimmed value bytes as stored (quotes kept), the range a
    std::size_t raw_end = 0;    // write replaces
    bool has_line_end() const { return next > end; }
};

// A section: its header line; its lines run up to the next header or the end of the text.
struct IniSection {
    IniLine header;
};

class IniView {
public:
    // double_byte: the text is in a double-byte code page, where a lead byte 0x81..0xFE and
    // the byte after it form one character, compared exactly in names.
    explicit IniView(std::string_view text, bool double_byte = false)
        : text_(text), double_byte_(double_byte) {}

    std::string_view text() const { return text_; }
    bool at_end(std::size_t pos) const { return pos >= text_.size(); }
    IniLine line_at(std::size_t pos) const;

    // First section of that name (ASCII case ignored), as later duplicates are shadowed.
    std::optional<IniSection> find_section(std::string_view name) const;
    // First key of that name inside the section.
    std::optional<IniLine> find_key(const IniSection& section, std::string_view key) const;
    // find_key for each of keys, in one pass over the section: lines[i] is keys[i]'s line.
    std::vector<std::optional<IniLine>> find_keys(const IniSection& section,
                                                  const std::vector<std::string_view>& keys) const;

    // Calls f(IniSection) for each section, duplicates included, in file order.
    template <class F>
    void for_each_section(F f) const;
    // Calls f(IniLine) for each key line of the section, in file order.
    template <class F>
    void for_each_key(const IniSection& section, F f) const;

    // The line end the file uses (its first one), "\n" for a file without any.
    std::string_view line_end_style() const;

    // The text with key set to value in section; a new key goes after the section's last key,
    // a new section at the end. Names must already be checked by is_storable_*.
    std::string with_value(std::string_view section, std::string_view key,
                           std::string_view value) const;
    // The text without the key line (unchanged when there is no such key).
    std::string without_key(std::string_view section, std::string_view key) const;
    // The text without the section's header and every line up to the next section.
    std::string without_section(std::string_view section) const;

    // Names are equal when their folded forms are: ASCII letters in lower case, every other
    // byte (and both bytes of a double-byte character) as it is.
    bool names_equal(std::string_view a, std::string_view b) const;
    std::string folded_name(std::string_view name) const;
    static std::string_view trim(std::string_view s);
    // Whether a name or value can be written so that it reads back as given.
    static bool is_storable_section(std::string_view name);
    static bool is_storable_key(std::string_view name);
    static bool is_storable_value(std::string_view value);
    // The value as stored: quoted when blanks at its ends or outer quotes would be lost.
    static std::string encode_value(std::string_view value);

private:
    // The next key line from pos on within the section pos lies in; advances pos past it.
    std::optional<IniLine> next_key(std::size_t& pos) const;
    std::size_t section_end(std::size_t pos) const;
    std::string replaced(std::size_t begin, std::size_t end, std::string_view with) const;
    std::string inserted_after(const IniLine& line, std::string_view new_line) const;

    // The length of the character of a name starting at name[i]: 2 for a double-byte
    // character, otherwise 1.
    std::size_t char_length(std::string_view name, std::size_t i) const;

    std::string_view text_;
    bool double_byte_ = false;
};

template <class F>
void IniView::for_each_section(F f) const {
    for (std::size_t pos = 0; !at_end(pos);) {
        IniLine line = line_at(pos);
        pos = line.next;
        if (line.kind == IniLineKind::kSection) {
            f(IniSection{line});
        }
    }
}

template <class F>
void IniView::for_each_key(const IniSection& section, F f) const {
    std::size_t pos = section.header.next;
    while (std::optional<IniLine> line = next_key(pos)) {
        f(*line);
    }
}

}  // namespace vantel
