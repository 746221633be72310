#include "saving/SaveFile.h"

#include "text/AnsiToUtf8.h"

#include <optional>
#include <string>

namespace {
constexpr std::size_t kBufferSize = 256 << 10;
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

bool CSaveFileWriter::Deliver() {
    return (Flush() && m_pTarget->Deliver()) || Fail();
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

SSaveCode SaveCodeOf(ETextCode code) {
    return {code == ETextCode::Utf8Bom, false};
}

SSaveCode SaveCodeOf(const CRowList& rows, ETextCode loadedCode) {
    if (rows.Empty())
        return SaveCodeOf(loadedCode);
    const bool bUtf8 = rows.Holds(ETextCode::Utf8) || rows.Holds(ETextCode::Utf8Bom);
    return {rows.Holds(ETextCode::Utf8Bom), bUtf8 && rows.Holds(ETextCode::Ansi)};
}

bool WriteSaveFile(std::unique_ptr<CSaveTarget> pTarget, const CRowList& rows, ETextCode loadedCode,
                   SSaveFailure* pFailure) {
    const SSaveCode code = SaveCodeOf(rows, loadedCode);
    std::optional<CAnsiToUtf8> toUtf8;
    if (code.bAnsiToUtf8)
        toUtf8.emplace();
    std::string strConverted;
    CSaveFileWriter writer(std::move(pTarget));
    if (!writer.Create(code.bBom))
        return false;
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        std::string_view row = rows.Row(i);
        if (toUtf8 && rows.CodeOf(i) == ETextCode::Ansi) {
            if (!toUtf8->Convert(row, strConverted)) {
                if (pFailure != nullptr)
                    pFailure->nUnconvertibleRow = i;
                return false; // an uncommitted file goes with its writer
            }
            row = strConverted;
        }
        if (!writer.WriteRow(row))
            return false;
    }
    return writer.Commit(pFailure != nullptr ? &pFailure->stranded : nullptr);
}
