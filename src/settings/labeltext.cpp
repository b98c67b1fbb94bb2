#include "settings/labeltext.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "settings/buttonlabel.h"
#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kSaveAs = "; save it as \"CSV UTF-8\" or \"Unicode Text\"";
constexpr std::size_t kShownBytes = 40;
constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};

// The line (from 1) of the text that offset lies on; CR LF, LF and CR end a line.
int LineAt(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        line += (text[i] == '\n' || (text[i] == '\r' && !crlf)) ? 1 : 0;
    }
    return line;
}

std::string ByteAt(std::string_view text, std::size_t offset) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[offset]));
    return "line " + std::to_string(LineAt(text, offset)) + " holds the byte " + hex;
}

// UTF-16 after its byte-order mark; problem set when it is cut or holds half a pair.
void DecodeUtf16(std::string_view body, bool bigEndian, LabelText& out) {
    const std::string name = bigEndian ? "UTF-16 big endian" : "UTF-16 little endian";
    if (body.size() % 2 != 0) {
        out.problem = "the file is " + name +
                      " text cut inside a character (an odd number of "
                      "bytes)";
        return;
    }
    out.text = Utf16ToUtf8(body, bigEndian);
    const std::size_t bad = FirstInvalidUtf8(out.text);
    if (bad != std::string::npos) {
        out.problem = "the file is " + name + " text, but line " +
                      std::to_string(LineAt(out.text, bad)) +
                      " holds half of a character (a lone surrogate)";
    }
}

// 8-bit text: UTF-8, with or without its mark; anything else is a code page we cannot tell.
void DecodeEightBit(std::string_view bytes, LabelText& out) {
    const bool marked = bytes.starts_with(kUtf8Mark);
    if (marked) {
        bytes.remove_prefix(kUtf8Mark.size());
    }
    const std::size_t bad = FirstInvalidUtf8(bytes);
    if (bytes.find('\0') != std::string_view::npos) {
        // ASCII text in UTF-16 is well-formed UTF-8 with a NUL beside every character.
        out.problem = "the file holds NUL bytes: UTF-16 without a byte-order mark, or no text" +
                      std::string(kSaveAs);
    } else if (bad == std::string_view::npos) {
        out.text = bytes;
    } else if (marked) {
        out.problem = "the file is marked as UTF-8, but " + ByteAt(bytes, bad) +
                      ", which is not UTF-8" + std::string(kSaveAs);
    } else {
        out.problem = "the file is not UTF-8 but in an 8-bit code page (" + ByteAt(bytes, bad) +
                      ")" + std::string(kSaveAs);
    }
}

bool IsBlankRow(std::string_view line) {
    return line.find_first_not_of(" \t,;") == std::string_view::npos;
}

// The first line that holds more than blanks and separators.
std::string_view FirstRow(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        if (!IsBlankRow(text.substr(0, end))) {
            return text.substr(0, end);
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return {};
}

bool IsFirstWord(std::string_view word) {
    std::string folded(word);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return folded == "kind" || folded == "input" || folded == "output";
}

// The separator of a row whose first word is not one of ours: the most frequent candidate
// outside quotes (comma first on a tie); 0 when it holds none.
char MostFrequentSeparator(std::string_view row) {
    std::array<int, kSeparators.size()> counts{};
    bool quoted = false;
    for (const char c : row) {
        quoted = c == '"' ? !quoted : quoted;
        for (std::size_t i = 0; i < kSeparators.size(); ++i) {
            counts[i] += (!quoted && c == kSeparators[i]) ? 1 : 0;
        }
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    return *most == 0 ? '\0' : kSeparators[static_cast<std::size_t>(most - counts.begin())];
}

void FindSeparator(LabelText& out) {
    const std::string_view row = FirstRow(out.text);
    if (row.empty()) {
        return;  // nothing to read: no rows
    }
    std::size_t pos = row.find_first_not_of(' ');
    const bool quoted = row[pos] == '"';
    pos += quoted ? 1 : 0;
    const std::size_t wordEnd =
        std::min(row.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", pos),
                 row.size());
    if (!IsFirstWord(row.substr(pos, wordEnd - pos))) {
        out.separator = MostFrequentSeparator(row);
        if (out.separator == '\0') {
            out.problem = "the first row " + QuotedExcerpt(row) +
                          " holds no comma, semicolon or tab between its cells";
        }
        return;
    }
    pos = wordEnd + ((quoted && wordEnd < row.size() && row[wordEnd] == '"') ? 1 : 0);
    pos = std::min(row.find_first_not_of(' ', pos), row.size());
    const char found = pos < row.size() ? row[pos] : '\0';
    const bool wordChar = std::isalnum(static_cast<unsigned char>(found)) != 0;
    if (std::find(kSeparators.begin(), kSeparators.end(), found) != kSeparators.end()) {
        out.separator = found;
    } else if (found == '\0' || wordChar) {
        out.problem = "the first row " + QuotedExcerpt(row) +
                      " has no comma, semicolon or tab after its first word";
    } else {
        out.problem = "the first row " + QuotedExcerpt(row) + " separates its cells by " +
                      QuotedExcerpt(row.substr(pos, 1)) + ", not by a comma, semicolon or tab";
    }
}

}  // namespace

LabelText DecodeLabelText(std::string_view bytes) {
    LabelText out;
    if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
        DecodeUtf16(bytes.substr(2), bytes.starts_with(kUtf16BeMark), out);
    } else {
        DecodeEightBit(bytes, out);
    }
    if (out.problem.empty()) {
        FindSeparator(out);
    }
    return out;
}

std::string QuotedExcerpt(std::string_view text) {
    std::string shown = StorableLabel(text);
    shown.resize(WholeUtf8Prefix(shown, kShownBytes));
    return "'" + shown + "'";
}

}  // namespace vantel
