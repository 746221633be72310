// Rows to save file to rows: what is written reads back the same, for every
// row that holds no LF, does not end in CR and holds no 0x1A.
#include "data/MemoryForm.h"
#include "data/SaveFile.h"
#include "jobs/Jobs.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {
// A folder of this run's own, which goes when the fuzzer stops.
struct SRunFolder {
    std::filesystem::path path;
    SRunFolder() {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path = base / ("kelvane-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~SRunFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& Folder() {
    static const SRunFolder folder;
    return folder.path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    // Rows are the input split at 0xFF; rows the file cannot carry are left out.
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    CRowList rows;
    std::size_t nStart = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\xFF') {
            const std::string_view row = bytes.substr(nStart, i - nStart);
            if (row.find_first_of(std::string_view("\n\x1A", 2)) == std::string_view::npos &&
                (row.empty() || row.back() != '\r'))
                rows.Append(row);
            nStart = i + 1;
        }
    }
    const std::filesystem::path path = Folder() / "save.txt";
    if (!WriteSaveFile(path, rows))
        std::abort();
    CMemoryForm form;
    if (LoadDataFile(form, path) != EJobResult::Completed)
        std::abort();
    if (form.m_listIn.Count() != rows.Count())
        std::abort();
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (form.m_listIn.Row(i) != rows.Row(i))
            std::abort();
    return 0;
}
