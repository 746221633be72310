#pragma once
// The form's state that every form keeps alike: the window's form on the
// dialog's thread, and the form in memory of kelvane-cli and the tests.

#include "rows/RowList.h"
#include "text/TextCode.h"

#include <filesystem>
#include <optional>
#include <vector>

enum class ERowList { In, Out };

// A save file a job wrote, and the data file that was chosen when it did.
struct SSavedFile {
    std::filesystem::path savePath;
    std::filesystem::path dataPath;
};

// What a completed load leaves for the jobs.
struct SLoaded {
    // The row figure: the index of the last row of the input list once the load ended (its
    // row count minus one, so -1 for a load of nothing); the conversion's loop bound.
    int nLastRow = -1;
    ETextCode code = ETextCode::Ansi; // of the data file loaded
    bool operator==(const SLoaded&) const = default;
};

struct SFormState {
    // The last load; nothing before one, and again once a data file is chosen or the form
    // is reset, until a load completes: the jobs then have no rows of the chosen file.
    std::optional<SLoaded> m_loaded;
    std::filesystem::path m_strDataPath;
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
