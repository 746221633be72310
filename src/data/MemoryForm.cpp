#include "MemoryForm.h"

#include "Texts.h"

CMemoryForm::CMemoryForm() {
    m_fieldBytes[IDC_MARKER] = texts::kDefaultMarker;
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
