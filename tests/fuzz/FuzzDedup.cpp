// Duplicate removal: the first of every distinct row, in order, as a plain set
// keeps them, whether rows are added all at once or one at a time.
#include "data/UniqueRows.h"

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
    CUniqueRows all;
    all.AddAll(rows);
    CUniqueRows single;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        single.Add(rows.Row(i));
    for (const CUniqueRows* pUnique : {&all, &single}) {
        if (pUnique->Count() != expected.size())
            std::abort();
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (pUnique->Rows().Row(i) != expected[i])
                std::abort();
    }
    return 0;
}
