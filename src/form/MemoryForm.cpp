#include "form/MemoryForm.h"

std::unique_ptr<CSaveTarget> CMemoryForm::MakeSaveTarget(const std::filesystem::path& path) {
    if (m_bSaveToStdout)
        return std::make_unique<CStreamTarget>(stdout);
    return CToolForm::MakeSaveTarget(path);
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
