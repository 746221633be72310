// Data file reading: any bytes, fed in blocks of a size the input sets through the load job,
// give the rows of the byte-at-a-time statement of the rules below; a UTF-8 byte-order mark
// is taken off first. UTF-16 is refused with no row; which files count as UTF-16 the read
// tests try at the edges of the rule.
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CMemoryForm form;
    CTestSource source(std::string(bytes), 1 + nSize % 97); // blocks of a size the input sets
    if (LoadRows(form, source, "fuzz") != EJobResult::Completed) {
        if (form.m_messages != Messages{texts::kUtf16Unsupported + std::string("\nfuzz")} ||
            !form.m_rowsIn.Empty())
            std::abort();
        return 0;
    }
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
