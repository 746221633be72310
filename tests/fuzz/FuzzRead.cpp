// Data file reading: any bytes, fed in irregular blocks through the load job,
// give the rows of the byte-at-a-time statement of the rules.
#include "FuzzInput.h"

#include "data/MemoryForm.h"
#include "jobs/Jobs.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CMemoryForm form;
    CFuzzSource source(bytes, static_cast<unsigned>(nSize));
    if (LoadRows(form, source, "fuzz") != EJobResult::Completed)
        std::abort();
    const std::vector<std::string> expected = ReferenceRows(bytes);
    if (form.m_listIn.Count() != expected.size() ||
        form.m_nLastRow != static_cast<int>(expected.size()) - 1)
        std::abort();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (form.m_listIn.Row(i) != expected[i])
            std::abort();
    return 0;
}
