#pragma once
// Splits the bytes of a data file into lines by the text-mode rules that the
// tool has always used to read files: a line feed ends a line, one carriage
// return right before it goes with it, a carriage return anywhere else stays,
// the byte 0x1A ends the file, and a last line without a break is still a
// line. Blocks may be fed in any sizes; a line or a CR LF pair may straddle
// two blocks.

#include "reading/ByteScan.h"

#include <cstddef>
#include <string>
#include <string_view>

class CLineSplitter {
public:
    // Feeds the next block and calls onLine(std::string_view) for every line it completes.
    // Returns false once 0x1A has been met: nothing from there on belongs to the file, and
    // block is cut short there, so that it holds the bytes that do.
    template <typename OnLine> bool Feed(std::string_view& block, OnLine&& onLine);
    // Ends the file: the bytes after the last line feed, if any, are the last line.
    template <typename OnLine> void Finish(OnLine&& onLine);

private:
    static std::string_view WithoutCr(std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    std::string m_strCarry; // the start of a line begun in an earlier block
    bool m_bEnded = false;
};

template <typename OnLine> bool CLineSplitter::Feed(std::string_view& block, OnLine&& onLine) {
    if (m_bEnded) {
        block = {};
        return false;
    }
    const std::size_t nEof = block.find('\x1A');
    if (nEof != std::string_view::npos) {
        block = block.substr(0, nEof);
        m_bEnded = true;
    }
    std::size_t nStart = 0;
    ForEachByte(block, '\n', [&](std::size_t nLf) {
        const std::string_view piece = block.substr(nStart, nLf - nStart);
        if (m_strCarry.empty()) {
            onLine(WithoutCr(piece));
        } else {
            m_strCarry.append(piece);
            onLine(WithoutCr(m_strCarry));
            m_strCarry.clear();
        }
        nStart = nLf + 1;
    });
    m_strCarry.append(block.substr(nStart));
    return !m_bEnded;
}

template <typename OnLine> void CLineSplitter::Finish(OnLine&& onLine) {
    // Nothing after the last line feed means no further line; a lone CR stays in the text.
    if (!m_strCarry.empty())
        onLine(std::string_view(m_strCarry));
    std::string().swap(m_strCarry);
}
