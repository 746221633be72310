#pragma once
// The form's state that every form keeps alike: the window's form on the
// dialog's thread, and the form in memory of kelvane-cli and the tests.

#include "RowList.h"
#include "TextCode.h"
#include "UniqueRows.h"

#include <filesystem>
#include <optional>
#include <vector>

enum class ERowList { In, Out };

// A save file a job wrote, and the data file that was chosen when it did.
struct SSavedFile {
    std::filesystem::path savePath;
    std::filesystem::path dataPath;
};

struct SFormState {
    // The row figure: the index of the last row of the input list once a load has
    // ended (its row count minus one, so -1 for a load of nothing); 0 after a reset.
    int m_nLastRow = 0;
    // The text code of the data file last loaded; nothing while the input list stands
    // emptied by the choice of a data file that no load has completed since.
    std::optional<ETextCode> m_loadedCode = ETextCode::Ansi;
    std::filesystem::path m_strDataPath;
    CUniqueRows m_arrUnique; // only during a duplicate removal
    // Every save file written since start-up, each once; only the jobs use it.
    std::vector<SSavedFile> m_arrSaved;
    CRowList m_rowsOut;
    CRowList m_rowsIn;

    CRowList& Rows(ERowList list) { return list == ERowList::In ? m_rowsIn : m_rowsOut; }
    // Empties the list and makes rows its content, in one step.
    void ReplaceRows(ERowList list, CRowList&& rows) {
        Rows(list).Free();
        Rows(list).Swap(rows);
    }
};
