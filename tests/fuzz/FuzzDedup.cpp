// Duplicate removal: the first of every distinct row, in order, as a plain set
// keeps them, whether rows are looked up all at once or a few at a time.
#include "data/UniqueRows.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CRowList rows;
    std::vector<std::string> expected;
    std::set<std::string> seen;
    std::size_t nStart = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            const std::string row(bytes.substr(nStart, i - nStart));
            rows.Append(row);
            if (seen.insert(row).second)
                expected.push_back(row);
            nStart = i + 1;
        }
    }
    // All at once, and in calls of a few rows, as the job's batches come.
    for (std::size_t nStep : {rows.Count() + 1, std::size_t(3)}) {
        CUniqueRows unique;
        std::vector<std::uint32_t> kept(rows.Count());
        std::size_t nKept = 0;
        for (std::size_t nFirst = 0; nFirst < rows.Count(); nFirst += nStep)
            nKept += unique.AddAll(rows, nFirst, std::min(rows.Count(), nFirst + nStep),
                                   kept.data() + nKept);
        if (nKept != expected.size() || unique.Count() != nKept)
            std::abort();
        for (std::size_t i = 0; i < nKept; ++i)
            if (rows.Row(kept[i]) != expected[i])
                std::abort();
    }
    return 0;
}
