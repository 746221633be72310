#pragma once
// The form kept in memory, for the command-line tool and the tests: the same
// state as the main dialog, with the messages it was asked to show recorded in
// order and the yes/no question answered by a preset answer.

#include "form/Texts.h"
#include "form/ToolForm.h"

#include <string>
#include <vector>

class CMemoryForm : public CStateForm {
public:
    void AppendRows(ERowList list, const CRowList& batch) override { Rows(list).AppendAll(batch); }
    void ReplaceRows(ERowList list, CRowList&& rows) override {
        SFormState::ReplaceRows(list, std::move(rows));
    }
    void TruncateRows(ERowList list, std::size_t nCount) override { Rows(list).Truncate(nCount); }
    void ReserveRows(ERowList list, std::size_t nRows) override { Rows(list).ReserveMore(nRows); }
    void SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) override {
        Rows(list).SetCodeFrom(nFirst, code);
    }

    std::filesystem::path GetSavePath() override { return m_strSavePath; }
    std::string GetMarker(ETextCode code) override {
        return IsUtf8(code) ? m_strMarkerUtf8 : m_strMarker;
    }
    void EnableSaveFolderChoice() override { m_bSaveFolderChoice = true; }
    void SetProgressPos(int nPos) override { m_nProgressPos = nPos; }

    void ShowMessage(std::string_view strUtf8) override { m_messages.emplace_back(strUtf8); }
    bool AskYesNo(std::string_view strUtf8) override;

    // One data file a run, as in kelvane-cli; none to guard when a stream takes its place.
    std::vector<std::filesystem::path> GetChosenDataFiles() override {
        if (m_bDataFromStdin || m_bSaveToStdout)
            return {};
        return {m_strDataPath};
    }
    const CLeadByteRule& GetLeadBytes() override { return m_leadBytes; }
    EEncodingRule GetEncodingRule() override { return m_encodingRule; }
    // Standard input when m_bDataFromStdin, else the file.
    std::unique_ptr<CByteSource> OpenDataSource(const std::filesystem::path& path) override;
    // Standard output when m_bSaveToStdout, else the file.
    std::unique_ptr<CSaveTarget> MakeSaveTarget(const std::filesystem::path& path) override;

    CLeadByteRule m_leadBytes = CLeadByteRule::Cp932();
    std::filesystem::path m_strSavePath;
    std::string m_strMarker = texts::kDefaultMarker;     // ANSI
    std::string m_strMarkerUtf8 = texts::kDefaultMarker; // UTF-8
    EEncodingRule m_encodingRule = EEncodingRule::Auto;
    bool m_bDataFromStdin = false;
    bool m_bSaveToStdout = false;
    bool m_bSaveFolderChoice = false;
    int m_nProgressPos = 0;
    std::vector<std::string> m_messages;  // shown, in order
    std::vector<std::string> m_questions; // asked, in order
    bool m_bAnswerYes = false;
};
