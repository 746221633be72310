#pragma once
// The form: the state and operations of the main dialog that the jobs use.
// The dialog implements it with real controls; the command-line tool and the
// tests implement it in memory.
//
// How it works with threads: a job runs on a worker thread and the form's
// owner thread owns the rows. The worker may read a list through GetRows at
// any time while it runs, because nothing else changes the lists while a job
// runs; every change goes through the operations below, which the dialog
// carries out on its own thread. A job appends rows in batches, so a million
// rows cost a few hundred calls.

#include "form/FormState.h"
#include "reading/ByteSource.h"
#include "saving/SaveTarget.h"
#include "text/LeadByte.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How many rows, and bytes of rows, a job hands to AppendRows at once at most.
struct SBatchSize {
    std::size_t nRows;
    std::size_t nBytes;
};

class CToolForm {
public:
    virtual ~CToolForm() = default;

    // The rows of a list, read-only, valid until the next change made through the form.
    virtual const CRowList& GetRows(ERowList list) = 0;
    // Appends every row of batch; each row gets the list's count just before it as its number.
    virtual void AppendRows(ERowList list, const CRowList& batch) = 0;
    // Empties the list and makes rows its content, in one step.
    virtual void ReplaceRows(ERowList list, CRowList&& rows) = 0;
    // Takes back the rows from index nCount on: what a failed job appended.
    virtual void TruncateRows(ERowList list, std::size_t nCount) = 0;
    // Makes room in the list for about nRows more rows, so that growing it does not move
    // the places of every row it holds; only a hint, nothing fails when it cannot.
    virtual void ReserveRows(ERowList list, std::size_t nRows) = 0;
    // Enough rows that a million of them cost a few hundred calls, few enough that the
    // list grows visibly.
    virtual SBatchSize GetBatchSize() const { return {4096, 1 << 20}; }
    // Gives the rows from index nFirst on the text code that their load decided.
    virtual void SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) = 0;

    // The save path as the user left it, which the jobs write to.
    virtual std::filesystem::path GetSavePath() = 0;
    // The marker, as bytes of the code of the rows it is searched in: the ANSI code page,
    // or UTF-8 for either UTF-8 code.
    virtual std::string GetMarker(ETextCode code) = 0;
    // Opens the next step after a load: the choice of the save folder ("保存先").
    virtual void EnableSaveFolderChoice() = 0;
    virtual void SetProgressPos(int nPos) = 0;

    // A modal box owned by the main dialog; the caller waits until the user dismisses it.
    virtual void ShowMessage(std::string_view strUtf8) = 0;
    // Yes/No with No as the default; true for Yes.
    virtual bool AskYesNo(std::string_view strUtf8) = 0;

    // The data file chosen last, which the load reads.
    virtual std::filesystem::path GetDataPath() = 0;
    // Every data file chosen or loaded since start-up or the last Clear. The save path
    // field may still name an earlier one, so a save over any of them asks first.
    virtual std::vector<std::filesystem::path> GetChosenDataFiles() = 0;
    // What the last load left; nothing while the input list stands emptied by the choice of
    // a data file that no load has completed since (or by a reset), when a job would only
    // save rows that were not read from it.
    virtual std::optional<SLoaded> GetLoaded() = 0;
    virtual void SetLoaded(SLoaded loaded) = 0;
    // The row figure of the last load, 0 when there is none.
    int GetLastRow() {
        const std::optional<SLoaded> loaded = GetLoaded();
        return loaded ? loaded->nLastRow : 0;
    }
    // The text code of the data file last loaded, if any.
    std::optional<ETextCode> GetLoadedCode() {
        const std::optional<SLoaded> loaded = GetLoaded();
        return loaded ? std::optional<ETextCode>(loaded->code) : std::nullopt;
    }
    // The save files written since start-up, with the data file each was written from,
    // so that a save over another data file's result asks first.
    virtual std::vector<SSavedFile> GetSavedFiles() = 0;
    virtual void RecordSave(SSavedFile saved) = 0;
    // The lead-byte rule of the ANSI code page the rows are written in.
    virtual const CLeadByteRule& GetLeadBytes() = 0;
    // How the load decides a data file's text code.
    virtual EEncodingRule GetEncodingRule() { return EEncodingRule::Auto; }
    // Where the load's bytes come from: the file at path; null when it cannot be opened.
    virtual std::unique_ptr<CByteSource> OpenDataSource(const std::filesystem::path& path);
    // Where a save file's bytes go: the file at path, replaced whole on success.
    virtual std::unique_ptr<CSaveTarget> MakeSaveTarget(const std::filesystem::path& path);
};

// A form that keeps its state in SFormState: the state's own calls, alike in every such form.
class CStateForm : public CToolForm, public SFormState {
public:
    const CRowList& GetRows(ERowList list) override { return Rows(list); }
    std::filesystem::path GetDataPath() override { return m_strDataPath; }
    std::optional<SLoaded> GetLoaded() override { return m_loaded; }
    void SetLoaded(SLoaded loaded) override { m_loaded = loaded; }
    std::vector<SSavedFile> GetSavedFiles() override { return m_arrSaved; }
    void RecordSave(SSavedFile saved) override;
};
