#pragma once
// The main dialog: its controls, its handlers, the order in which the form's
// steps enable its buttons, the file and folder choices, and the jobs' start.
// The workers drive the window through its form (WindowForm.h), which the
// dialog owns; while a job runs, every button that could start another job,
// empty a list or end the dialog is disabled.

#include "WindowForm.h"
#include "jobs/Jobs.h"
#include "res/resource.h"
#include "win/App.h"
#include "win/Dialog.h"

#include <array>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

// Each job's button, keyed by the job: the one window-side place a job is named.
struct SJobButton {
    EJobId job;
    int nId;
};
inline constexpr SJobButton kJobButtons[] = {
    {kLoadJob, IDC_LOAD}, {kConvertJob, IDC_CONVERT}, {kDedupJob, IDC_DEDUP}};
static_assert(std::size(kJobButtons) == kJobCount);
constexpr int ButtonOf(EJobId job) {
    for (const SJobButton& button : kJobButtons)
        if (button.job == job)
            return button.nId;
    return 0;
}
// The buttons the form's steps enable, in the order a user meets them: the load, the
// save folder choice, then every other job.
inline constexpr std::array<int, kJobCount + 1> kStepButtons = [] {
    std::array<int, kJobCount + 1> ids{ButtonOf(kLoadJob), IDC_BROWSE_DEST};
    std::size_t n = 2;
    for (const SJobButton& button : kJobButtons)
        if (button.job != kLoadJob)
            ids[n++] = button.nId;
    return ids;
}();

class CUrlToolDlg : public CDialog {
public:
    explicit CUrlToolDlg(CWnd* pParent = nullptr);
    ~CUrlToolDlg() override;

    // The file named on the command line, chosen as the dialog opens.
    void SetStartPath(std::filesystem::path path) { m_strStartPath = std::move(path); }

    // ---- operations of the dialog's thread ----
    void ResetForm();
    // Starts a job on a worker thread of its own, its buttons disabled until it ends.
    void StartJob(EJobId job);
    void ResetProgress() { m_progress.SetPos(0); }
    void SetProgressRange(int nMax);
    void ShowProgress(int nPos) const { m_progress.SetPos(nPos); }
    bool IsJobRunning() const { return m_bJobRunning; }
    const CListCtrl& List(ERowList list) const {
        return list == ERowList::In ? m_listIn : m_listOut;
    }
    // Gives a list's columns their widths at the window's DPI: the number column wide
    // enough for the list's largest number.
    void SizeListColumns(const CListCtrl& list) const;

    // Handlers, each run on the dialog's thread when its button is clicked.
    void OnBrowseData();
    void OnBrowseDest();
    void OnClear();
    // A job's button, by its id; false for any other button.
    bool OnJobButton(UINT nId);

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
    // Run when a key is pressed in a list, and when a list's context menu is asked for (a
    // right click, Shift+F10 or the menu key): Ctrl+A selects every row, Ctrl+C copies the
    // selected ones. A job may run meanwhile: the lists are the dialog's thread's.
    LRESULT OnListKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    // Runs when the window has moved to a display of another scale, or the scale changed.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Run when a worker enables a button, and when its job has ended (WorkerMessages.h).
    LRESULT OnEnableButton(WPARAM wParam, LPARAM lParam);
    LRESULT OnJobEnded(WPARAM wParam, LPARAM lParam);

    void InitListColumns(const CListCtrl& list) const;
    // Takes path as the data file: its path and name, the path shown, "読み込み" enabled.
    void ChooseDataFile(const std::filesystem::path& path);
    // A file from a drop or the command line: chosen with the input list emptied, as
    // "・・・" does, a shortcut by its target; a folder, a shortcut that cannot be
    // followed to an existing file, or nothing changes nothing.
    void ChooseDroppedFile(const std::filesystem::path& dropped);
    // The list of a list view's window, or nothing for another window.
    std::optional<ERowList> ListOfWindow(HWND hWnd) const;
    // The save path from the save folder and the data file's name, into the field.
    void ComposeDestPath();
    // Enables each button as the form's state and a running job allow.
    void UpdateButtons();
    // Enables a button of the form's steps, from any thread.
    void EnableButton(int nId);

    // The form state, in this order; the rest of it, the last load and the data path among
    // it, is the form's (m_form).
    int m_nRangeMin = 0;                 // always 0 (docs/BEHAVIOUR.md)
    std::filesystem::path m_strDestPath; // the save path as last composed
    std::wstring m_strDestFolder;        // the save folder chosen last, or empty
    CProgressCtrl m_progress;
    CListCtrl m_listOut;
    CListCtrl m_listIn;
    HICON m_hIcon = nullptr;
    // The icons loaded for a DPI other than the system's, owned by the dialog; or none.
    std::array<HICON, 2> m_hDpiIcons{};
    UINT m_nDpi = 96; // of the display the window is on
    // The file named on the command line, chosen when the dialog opens.
    std::filesystem::path m_strStartPath;
    // What the workers drive; handed to them as their argument.
    CWindowForm m_form{*this};
    // Which of kStepButtons the form's state has enabled.
    std::array<bool, std::size(kStepButtons)> m_bStepEnabled{};
    bool m_bJobRunning = false;
};
