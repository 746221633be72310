// Data file reading: any bytes, fed in blocks of a size the input sets through the load job,
// give the rows of the byte-at-a-time statement of the rules below; a UTF-8
// byte-order mark is taken off first, and UTF-16 is refused with no row.
#include "../core/TestUtil.h"
#include "data/MemoryForm.h"
#include "jobs/Jobs.h"

#include <cstdlib>
#include <utility>

namespace {

// The data file's rows by the text-mode rules, one byte at a time.
Rows ReferenceRows(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\x1A'));
    Rows rows;
    std::string row;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue; // the CR of a CR LF goes with it
        if (bytes[i] == '\n')
            rows.push_back(std::exchange(row, {}));
        else
            row += bytes[i];
    }
    if (!row.empty())
        rows.push_back(row);
    return rows;
}

// UTF-16 by its mark, or ASCII in UTF-16 without one: at least 4 of the first 64 bytes,
// all zero at the even places or at the odd ones, and not all zero at the others.
bool ReferenceUtf16(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, 64);
    std::size_t nZeros[2] = {}; // at even places and at odd ones
    for (std::size_t i = 0; i < head.size(); ++i)
        nZeros[i % 2] += head[i] == '\0' ? 1 : 0;
    const std::size_t nEven = (head.size() + 1) / 2;
    const std::size_t nOdd = head.size() / 2;
    return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" ||
           (head.size() >= 4 &&
            ((nZeros[0] == nEven && nZeros[1] < nOdd) || (nZeros[1] == nOdd && nZeros[0] < nEven)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CMemoryForm form;
    CTestSource source(std::string(bytes), 1 + nSize % 97); // blocks of a size the input sets
    const EJobResult result = LoadRows(form, source, "fuzz");
    if (ReferenceUtf16(bytes)) {
        if (result != EJobResult::Failed || !form.m_rowsIn.Empty())
            std::abort();
        return 0;
    }
    if (result != EJobResult::Completed)
        std::abort();
    const Rows expected =
        ReferenceRows(bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes);
    if (form.m_rowsIn.Count() != expected.size() ||
        form.m_nLastRow != static_cast<int>(expected.size()) - 1)
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (form.m_rowsIn.Row(i) != expected[i])
            std::abort();
    return 0;
}
