#include "SaveFile.h"

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
} // namespace

bool CSaveFileWriter::Create() {
    m_buffer.Reserve(kBufferSize);
    return m_file.Create();
}

bool CSaveFileWriter::Flush() {
    const bool bOk = m_file.Write(m_buffer.Data(), m_buffer.Size());
    m_buffer.Truncate(0);
    return bOk;
}

bool CSaveFileWriter::Fail() {
    m_file.Discard();
    return false;
}

bool CSaveFileWriter::WriteRow(std::string_view row) {
    if (m_buffer.Size() + row.size() + 2 > kBufferSize) {
        if (!Flush())
            return Fail();
        // A row larger than the buffer goes out directly.
        if (row.size() + 2 > kBufferSize)
            return (m_file.Write(row.data(), row.size()) && m_file.Write("\r\n", 2)) || Fail();
    }
    m_buffer.Append(row.data(), row.size());
    m_buffer.Append("\r\n", 2);
    return true;
}

bool CSaveFileWriter::Commit() {
    try {
        return (Flush() && m_file.Commit()) || Fail();
    } catch (...) {
        Fail();
        throw;
    }
}

bool WriteSaveFile(const std::filesystem::path& path, const CRowList& rows,
                   std::filesystem::path* pStranded) {
    CSaveFileWriter writer(path);
    if (!writer.Create())
        return false;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (!writer.WriteRow(rows.Row(i)))
            return false;
    if (writer.Commit())
        return true;
    if (pStranded != nullptr)
        *pStranded = writer.StrandedBackup();
    return false;
}
