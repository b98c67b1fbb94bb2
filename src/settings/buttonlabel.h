#pragma once
// The labels of the switch grid's buttons as section "BUTTON" of setup.ini holds them, and the
// rule every writer of a label applies.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CIniFile;

namespace vantel {

enum class ButtonKind { kInput, kOutput };

// Section of setup.ini that holds the labels.
inline constexpr const char kLabelSection[] = "BUTTON";

// The grid has this many buttons of each kind; no port beyond them has a label.
inline constexpr int kMaxLabelButtons = 72;

// A value of setup.ini reads back up to this many UTF-8 bytes.
inline constexpr std::size_t kMaxLabelBytes = 254;

// The key of button index (from 0) in section "BUTTON": 3000 + k for input k, 2500 + j for
// output j.
std::string ButtonLabelKey(ButtonKind kind, int index);

// What a button without a label reads as: its number (as the window shows it) or nothing.
enum class UnlabelledAs { kNumber, kEmpty };

// The labels of every button of a kind, in button order, from one read of the file.
std::vector<std::string> ReadButtonLabels(CIniFile& ini, ButtonKind kind, UnlabelledAs unlabelled);

// A label as the settings file can hold it: on one line (every control character, line breaks
// and tabs among them, becomes a space, and so do the C1 controls, NEL U+0085 among them, and
// the line and paragraph separators U+2028 and U+2029), bytes that are not UTF-8 replaced by
// U+FFFD, and no longer than a value reads back, cut after a whole character. So a label shows the
// same after a restart, and no label can push the file's other settings out of reach.
std::string StorableLabel(std::string_view utf8);

}  // namespace vantel
