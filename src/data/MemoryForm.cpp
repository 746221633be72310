#include "MemoryForm.h"

#include "Texts.h"

CMemoryForm::CMemoryForm() {
    m_fieldBytes[IDC_MARKER] = texts::kDefaultMarker;
    m_fieldUtf8[IDC_MARKER] = texts::kDefaultMarker;
}

std::unique_ptr<CSaveTarget> CMemoryForm::MakeSaveTarget(const std::filesystem::path& path) {
    if (m_bSaveToStdout)
        return std::make_unique<CStreamTarget>(stdout);
    return CToolForm::MakeSaveTarget(path);
}

void CMemoryForm::ReplaceRows(ERowList list, CRowList&& rows) {
    CRowList& target = Rows(list);
    target.Free();
    target.Swap(rows);
}

bool CMemoryForm::AskYesNo(std::string_view strUtf8) {
    m_questions.emplace_back(strUtf8);
    return m_bAnswerYes;
}

std::unique_ptr<CByteSource> CMemoryForm::OpenDataSource(const std::filesystem::path& path) {
    if (m_bDataFromStdin)
        return CFileSource::Stdin();
    return CToolForm::OpenDataSource(path);
}
