#include "SaveFile.h"

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
} // namespace

bool CSaveFileWriter::Create(bool bBom) {
    m_buffer.Reserve(kBufferSize);
    if (bBom)
        m_buffer.Append("\xEF\xBB\xBF", 3);
    return m_pTarget->Create();
}

bool CSaveFileWriter::Flush() {
    const bool bOk = m_pTarget->Write(m_buffer.Data(), m_buffer.Size());
    m_buffer.Truncate(0);
    return bOk;
}

bool CSaveFileWriter::Fail() {
    m_pTarget->Discard();
    return false;
}

bool CSaveFileWriter::WriteRow(std::string_view row) {
    if (m_buffer.Size() + row.size() + 2 > kBufferSize) {
        if (!Flush())
            return Fail();
        // A row larger than the buffer goes out directly.
        if (row.size() + 2 > kBufferSize)
            return (m_pTarget->Write(row.data(), row.size()) && m_pTarget->Write("\r\n", 2)) ||
                   Fail();
    }
    m_buffer.Append(row.data(), row.size());
    m_buffer.Append("\r\n", 2);
    return true;
}

bool CSaveFileWriter::Commit(std::filesystem::path* pStranded) {
    try {
        if (Flush() && m_pTarget->Commit())
            return true;
        if (pStranded != nullptr)
            *pStranded = m_pTarget->StrandedBackup();
        return Fail();
    } catch (...) {
        Fail();
        throw;
    }
}

bool WriteSaveFile(std::unique_ptr<CSaveTarget> pTarget, const CRowList& rows, bool bBom,
                   std::filesystem::path* pStranded) {
    CSaveFileWriter writer(std::move(pTarget));
    if (!writer.Create(bBom))
        return false;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        if (!writer.WriteRow(rows.Row(i)))
            return false;
    return writer.Commit(pStranded);
}

bool WriteSaveFile(const std::filesystem::path& path, const CRowList& rows) {
    return WriteSaveFile(std::make_unique<CAtomicFile>(path), rows, false);
}
