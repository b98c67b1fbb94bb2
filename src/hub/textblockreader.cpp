#include "hub/textblockreader.h"

namespace vantel {

void CTextBlockReader::Feed(std::string_view bytes, std::vector<TextBlock>& blocks) {
    while (!bytes.empty()) {
        const auto nl = bytes.find('\n');
        const std::string_view part = bytes.substr(0, nl);
        if (!m_discarding) {
            if (m_line.size() + part.size() > kMaxLineBytes) {
                m_discarding = true;
                m_line.clear();
            } else {
                m_line.append(part);
            }
        }
        if (nl == std::string_view::npos) {
            return;
        }
        EndLine(blocks);
        bytes.remove_prefix(nl + 1);
    }
}

void CTextBlockReader::EndLine(std::vector<TextBlock>& blocks) {
    if (!m_line.empty() && m_line.back() == '\r') {
        m_line.pop_back();
    }
    const bool overlong = m_discarding;
    m_discarding = false;
    std::string line = std::move(m_line);
    m_line.clear();
    // A line of nothing but spaces and tabs ends a block like an empty one.
    if (!overlong && line.find_first_not_of(" \t") == std::string::npos) {
        if (m_inBlock) {
            blocks.push_back(std::move(m_block));
            m_block = TextBlock{};
            m_inBlock = false;
        }
        return;  // blank lines between blocks are nothing
    }
    if (!m_inBlock) {
        m_inBlock = true;
        m_block.header = std::move(line);
        m_block.oversized = overlong;
    } else if (overlong || m_block.lines.size() >= kMaxBlockLines) {
        m_block.oversized = true;
    } else {
        m_block.lines.push_back(std::move(line));
    }
}

}  // namespace vantel
