#pragma once
// CTextBlockReader: cuts the byte stream of a text-protocol client into blocks: a header line,
// the lines behind it, and the blank line (empty, or spaces and tabs alone) that ends it. Line
// ends are LF or CR LF. Everything
// is bounded: a line longer than kMaxLineBytes is discarded up to its end, a block of more
// than kMaxBlockLines lines keeps no further lines, and either makes the block bad (answered
// NAK when its blank line comes), so a client that floods the hub holds at most one line's
// worth of memory and changes nothing.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

struct TextBlock {
    std::string header;              // the first line, as sent ("VIDEO OUTPUT ROUTING:")
    std::vector<std::string> lines;  // the lines behind it, without their line ends
    bool oversized = false;          // a line or the block went beyond the bounds
};

class CTextBlockReader {
public:
    static constexpr std::size_t kMaxLineBytes = 1024;
    static constexpr std::size_t kMaxBlockLines = 300;

    // Takes received bytes; every block that was completed by them is appended to blocks.
    void Feed(std::string_view bytes, std::vector<TextBlock>& blocks);
    // True while a block has begun and its blank line has not come yet.
    bool InBlock() const { return m_inBlock; }

private:
    void EndLine(std::vector<TextBlock>& blocks);

    std::string m_line;
    bool m_discarding = false;  // the rest of an over-long line is being dropped
    bool m_inBlock = false;
    TextBlock m_block;
};

}  // namespace vantel
