// Data file reading: any bytes, fed in irregular blocks through the load job,
// give the rows of the byte-at-a-time statement of the rules; a UTF-8
// byte-order mark is taken off first, and UTF-16 is refused with no row.
#include "FuzzInput.h"

#include "data/MemoryForm.h"
#include "jobs/Jobs.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CMemoryForm form;
    CFuzzSource source(bytes, static_cast<unsigned>(nSize));
    const EJobResult result = LoadRows(form, source, "fuzz");
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        if (result != EJobResult::Failed || !form.m_listIn.Empty())
            std::abort();
        return 0;
    }
    if (result != EJobResult::Completed)
        std::abort();
    const std::vector<std::string> expected =
        ReferenceRows(bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes);
    if (form.m_listIn.Count() != expected.size() ||
        form.m_nLastRow != static_cast<int>(expected.size()) - 1)
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (form.m_listIn.Row(i) != expected[i])
            std::abort();
    return 0;
}
