#pragma once
// The main dialog: the form, its handlers and the jobs' start.
//
// How it works with threads: the dialog's thread owns the controls and both
// row lists. A job runs on a worker thread and reaches the form through
// CToolForm: it reads the rows directly (nothing else changes them while it
// runs) and changes them only through the WM_APP_* messages of
// WorkerMessages.h, sent in batches. While a job runs, every button that could
// start another job, empty a list or end the dialog is disabled, and the
// dialog never waits for the worker.

#include "data/ToolForm.h"
#include "jobs/Jobs.h"
#include "res/resource.h"
#include "win/App.h"
#include "win/Dialog.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

class CUrlToolDlg : public CDialog, public CToolForm {
public:
    explicit CUrlToolDlg(CWnd* pParent = nullptr);

    // The button of each job of kJobs, in its order.
    static constexpr int kJobButtons[] = {IDC_LOAD, IDC_CONVERT, IDC_DEDUP};
    // The buttons the form's steps enable: the jobs' and the save folder choice, in the
    // order a user meets them.
    static constexpr int kStepButtons[] = {IDC_LOAD, IDC_BROWSE_DEST, IDC_CONVERT, IDC_DEDUP};
    static_assert(std::size(kJobButtons) == kJobCount && std::size(kStepButtons) == kJobCount + 1);

    // ---- the form, as the jobs see it (any thread) ----
    const CRowList& GetRows(ERowList list) override { return Rows(list); }
    void AppendRows(ERowList list, const CRowList& batch) override;
    void ReplaceRows(ERowList list, CRowList&& rows) override;
    void TruncateRows(ERowList list, std::size_t nCount) override;
    void ReserveRows(ERowList list, std::size_t nBytes, std::size_t nRows) override;
    void SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) override;
    std::filesystem::path GetSavePath() override;
    std::string GetMarker(ETextCode code) override;
    void EnableSaveFolderChoice() override { EnableButton(IDC_BROWSE_DEST); }
    void SetProgressPos(int nPos) override;
    void ShowMessage(std::string_view strUtf8) override;
    bool AskYesNo(std::string_view strUtf8) override;
    std::filesystem::path GetDataPath() override { return m_strDataPath; }
    std::vector<std::filesystem::path> GetChosenDataFiles() override { return m_arrChosenData; }
    int GetLastRow() override { return m_nLastRow; }
    void SetLastRow(int nLastRow) override { m_nLastRow = nLastRow; }
    std::optional<ETextCode> GetLoadedCode() override { return m_loadedCode; }
    void SetLoadedCode(ETextCode code) override { m_loadedCode = code; }
    CUniqueRows& GetUnique() override { return m_arrUnique; }
    const CLeadByteRule& GetLeadBytes() override { return m_leadBytes; }

    // ---- operations of the dialog's thread ----
    void ResetForm();
    void ClearUnique() { m_arrUnique.Clear(); }
    void StartLoadJob();
    void StartConvertJob();
    void StartDedupJob();
    void ResetProgress() { m_progress.SetPos(0); }
    void SetProgressRange(int nMax);
    bool IsJobRunning() const { return m_bJobRunning; }

    // Handlers, each run on the dialog's thread when its button is clicked.
    void OnBrowseData();
    void OnLoad() { StartLoadJob(); }
    void OnBrowseDest();
    void OnConvert() { StartConvertJob(); }
    void OnDedup() { StartDedupJob(); }
    void OnClear();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    friend struct SUrlToolDlgMap;
    // Runs when the window gets a system command; the About item opens the About box.
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    // Runs when the window is painted; minimized, it shows the icon.
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    // Runs when files are dropped on the window from Explorer.
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
    // Runs when a list view asks for the text of a row it draws.
    LRESULT OnGetDispInfo(WPARAM wParam, LPARAM lParam);
    // Run when a worker sends its changes (WorkerMessages.h).
    LRESULT OnAppendRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnReplaceRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnTruncateRows(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRowsCode(WPARAM wParam, LPARAM lParam);
    LRESULT OnReserveRows(WPARAM wParam, LPARAM lParam);
    // Runs after a list view has caught up with its rows: shows the last of them.
    LRESULT OnScrollToEnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnableButton(WPARAM wParam, LPARAM lParam);
    LRESULT OnJobEnded(WPARAM wParam, LPARAM lParam);

    void InitListColumns(const CListCtrl& list) const;
    CRowList& Rows(ERowList list) { return list == ERowList::In ? m_rowsIn : m_rowsOut; }
    const CListCtrl& ListOf(ERowList list) const {
        return list == ERowList::In ? m_listIn : m_listOut;
    }
    void ShowRowCount(ERowList list, bool bScrollToEnd);
    void StartJob(AFX_THREADPROC pfnWorker);
    // Empties the input list as choosing a data file does, the choice confirmed or not.
    void EmptyInputForChoice();
    // Takes path as the data file: its path and name, the path shown, "読み込み" enabled.
    void ChooseDataFile(const std::filesystem::path& path);
    // A file from a drop or the command line: chosen with the input list emptied, as
    // "・・・" does, a shortcut by its target; a folder, a shortcut that cannot be
    // followed to an existing file, or nothing changes nothing.
    void ChooseDroppedFile(const std::filesystem::path& dropped);
    // Enables each button as the form's state and a running job allow.
    void UpdateButtons();
    // Enables a button of the form's steps, from any thread.
    void EnableButton(int nId);

public:
    // The form state, in this order.
    int m_nRangeMin = 0; // always 0 (docs/BEHAVIOUR.md)
    int m_nLastRow = 0;
    std::filesystem::path m_strDataPath;
    std::filesystem::path m_strDestPath; // written, never read (docs/BEHAVIOUR.md)
    std::wstring m_strDataName;
    CUniqueRows m_arrUnique;
    CProgressCtrl m_progress;
    CListCtrl m_listOut;
    CListCtrl m_listIn;
    HICON m_hIcon = nullptr;
    // The file named on the command line, chosen when the dialog opens.
    std::filesystem::path m_strStartPath;

private:
    CRowList m_rowsIn;
    CRowList m_rowsOut;
    // Emptied by the dialog's thread when a data file is chosen, set by a load that
    // completes; never both at once, since no file can be chosen while a job runs.
    std::optional<ETextCode> m_loadedCode = ETextCode::Ansi;
    // Data files chosen since start-up or the last Clear; only the dialog's thread changes it,
    // and never while a job runs.
    std::vector<std::filesystem::path> m_arrChosenData;
    CLeadByteRule m_leadBytes = CLeadByteRule::System();
    // Which of kStepButtons the form's state has enabled.
    std::array<bool, std::size(kStepButtons)> m_bStepEnabled{};
    bool m_bJobRunning = false;
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
