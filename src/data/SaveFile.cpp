#include "SaveFile.h"

#include "AtomicFile.h"
#include "PodArray.h"

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
} // namespace

bool WriteSaveFile(const std::filesystem::path& path, const CRowList& rows) {
    CAtomicFile file(path);
    if (!file.Create())
        return false;
    CPodArray<char> buffer;
    buffer.Reserve(kBufferSize);
    auto flush = [&] {
        const bool bOk = file.Write(buffer.Data(), buffer.Size());
        buffer.Truncate(0);
        return bOk;
    };
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        const std::string_view row = rows.Row(i);
        if (buffer.Size() + row.size() + 2 > kBufferSize) {
            if (!flush())
                return false;
            // A row larger than the buffer goes out directly.
            if (row.size() + 2 > kBufferSize) {
                if (!file.Write(row.data(), row.size()) || !file.Write("\r\n", 2))
                    return false;
                continue;
            }
        }
        buffer.Append(row.data(), row.size());
        buffer.Append("\r\n", 2);
    }
    return flush() && file.Commit();
}
