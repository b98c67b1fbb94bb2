#pragma once
// The text of a label file as spreadsheets save it, decided from its bytes: UTF-8 with or
// without a byte-order mark ("CSV UTF-8", our own export), or UTF-16 with its mark ("Unicode
// Text"); and the separator of its cells: a comma, a semicolon (CSV in locales whose decimal
// mark is a comma) or a tab ("Unicode Text"). A file that is none of these is refused whole,
// with one line saying what was found, instead of being read row by row into errors.

#include <string>
#include <string_view>

namespace vantel {

struct LabelText {
    std::string text;  // UTF-8, without a byte-order mark; line ends as in the file
    char separator = ',';
    std::string problem;  // why the file cannot be read as labels; empty when it can
};

// Decodes a label file's bytes and finds its separator from the first row that holds
// anything: the character after its first word when that word is kind, input or output,
// else the one of comma, semicolon and tab that it holds most often.
LabelText DecodeLabelText(std::string_view bytes);

// A piece of a file as a message quotes it: one line (control characters as spaces), at most
// 40 bytes, in single quotes.
std::string QuotedExcerpt(std::string_view text);

}  // namespace vantel
