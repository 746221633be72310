#pragma once
// The form as the workers drive it in the window: the rows and the form's
// state, the list views' item counts and texts, the worker messages and their
// handlers, and the throttled redraws. The main dialog owns it and hands it to
// the workers.
//
// How it works with threads: the dialog's thread owns the controls and both
// row lists. A job runs on a worker thread and reads the rows directly (nothing
// else changes them while it runs); it changes them only through the WM_APP_*
// messages of WorkerMessages.h, sent in batches to the dialog's window, whose
// thread carries them out here. While a job runs, every button that could start
// another job, empty a list or end the dialog is disabled, and the dialog never
// waits for the worker.

#include "form/ToolForm.h"
#include "win/Dialog.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class CUrlToolDlg;

class CWindowForm : public CStateForm {
public:
    explicit CWindowForm(CUrlToolDlg& dlg) : m_dlg(dlg) {}
    CWindowForm(const CWindowForm&) = delete;
    CWindowForm& operator=(const CWindowForm&) = delete;

    // ---- the form, as the jobs see it (any thread) ----
    void AppendRows(ERowList list, const CRowList& batch) override;
    void ReplaceRows(ERowList list, CRowList&& rows) override;
    void TruncateRows(ERowList list, std::size_t nCount) override;
    void ReserveRows(ERowList list, std::size_t nRows) override;
    void SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) override;
    // A call to the dialog's thread costs about half a millisecond under some systems, as
    // much as trimming four thousand rows; the lists redraw a few times a second anyway.
    SBatchSize GetBatchSize() const override {
        const SBatchSize size = CStateForm::GetBatchSize();
        return {size.nRows * 4, size.nBytes * 2};
    }
    std::filesystem::path GetSavePath() override;
    std::string GetMarker(ETextCode code) override;
    void EnableSaveFolderChoice() override;
    void SetProgressPos(int nPos) override;
    void ShowMessage(std::string_view strUtf8) override;
    bool AskYesNo(std::string_view strUtf8) override;
    std::vector<std::filesystem::path> GetChosenDataFiles() override { return m_arrChosenData; }
    const CLeadByteRule& GetLeadBytes() override { return m_leadBytes; }

    // ---- the dialog's thread ----
    CUrlToolDlg& Dialog() const { return m_dlg; }
    // Handles the worker messages and the list views' requests; false for any other.
    bool OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    // Gives the list view the count of its rows, and asks to scroll to the last of them.
    void ShowRowCount(ERowList list, bool bScrollToEnd);
    // Shows the progress position the throttle held back, if any.
    void ShowPendingProgress();
    // Empties both lists and the state of the last load, as the form's reset does.
    void Reset();
    // Puts the selected rows of a list on the clipboard as Unicode text, each row converted
    // by its own code and followed by CR LF; says so when memory or the clipboard fails,
    // and leaves the clipboard as it was. Nothing selected copies nothing.
    void CopySelectedRows(ERowList list);
    // Empties the input list as choosing a data file does, the choice confirmed or not:
    // until a load completes, the jobs have no rows of the file chosen to work on.
    void EmptyInputForChoice();
    // Takes path as the data file the load reads, and among the files every save checks.
    void ChooseDataFile(const std::filesystem::path& path);
    // Clear: no data file is chosen any more.
    void ForgetChosenDataFiles() { m_arrChosenData.clear(); }

private:
    friend struct SWindowFormMap;
    // Run when a worker sends its changes (WorkerMessages.h).
    LRESULT OnAppendRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnReplaceRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnTruncateRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRowsCode(WPARAM wParam, LPARAM lParam);
    LRESULT OnReserveRows(WPARAM wParam, LPARAM lParam);
    // Runs after a list view has caught up with its rows: shows the last of them.
    LRESULT OnScrollToEnd(WPARAM wParam, LPARAM lParam);
    // Runs when a list view asks for the text of a row it draws.
    LRESULT OnGetDispInfo(WPARAM wParam, LPARAM lParam);

    const CListCtrl& ListOf(ERowList list) const;
    // The selected rows' text for the clipboard, in movable global memory; null when
    // memory runs out.
    HGLOBAL SelectedText(ERowList list);
    // Draws the whole list again: rows already drawn may now be others, or by another code,
    // while the count, which alone makes the list view redraw, may be the same.
    void RedrawRows(ERowList list) const;

    CUrlToolDlg& m_dlg;
    // Data files chosen since start-up or the last Clear, each once; only the dialog's thread
    // changes it, and never while a job runs.
    std::vector<std::filesystem::path> m_arrChosenData;
    CLeadByteRule m_leadBytes = CLeadByteRule::System();
    static constexpr ULONGLONG kShowEveryMs = 200;
    ULONGLONG m_nLastShown = 0;             // when a list view last caught up with its rows
    std::array<bool, 2> m_bScrollPending{}; // a WM_APP_SCROLL_TO_END is on its way
    // The progress bar is redrawn at most this often while a job moves it; a redraw costs
    // far more than finding the next matching row. Only the worker uses these while a job
    // runs; the dialog shows the last pending position when the job ends.
    static constexpr ULONGLONG kProgressEveryMs = 50;
    ULONGLONG m_nLastProgress = 0;
    std::atomic<int> m_nProgressPending{-1}; // a position not yet shown, or -1
};
