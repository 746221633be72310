#pragma once
// Helpers the fuzz targets share: a source over fuzz bytes that hands them out
// in irregular blocks, and the reading rules stated one byte at a time.

#include "data/ByteSource.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFuzzSource : public CByteSource {
public:
    CFuzzSource(std::string_view bytes, unsigned nSeed) : m_bytes(bytes), m_nSeed(nSeed | 1) {}
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) override {
        m_nSeed = m_nSeed * 1103515245u + 12345u;
        const std::size_t nWant = std::min<std::size_t>(nSize, 1 + (m_nSeed >> 16) % 97);
        const std::size_t n = std::min(nWant, m_bytes.size());
        std::copy_n(m_bytes.data(), n, pBuffer);
        m_bytes.remove_prefix(n);
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::string_view m_bytes;
    unsigned m_nSeed;
};

// The data file's rows by the text-mode rules, one byte at a time.
inline std::vector<std::string> ReferenceRows(std::string_view bytes) {
    const std::size_t nEof = bytes.find('\x1A');
    if (nEof != std::string_view::npos)
        bytes = bytes.substr(0, nEof);
    std::vector<std::string> rows;
    std::string row;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue; // the CR of a CR LF goes with it
        if (bytes[i] == '\n') {
            rows.push_back(row);
            row.clear();
        } else {
            row += bytes[i];
        }
    }
    if (!row.empty())
        rows.push_back(row);
    return rows;
}
