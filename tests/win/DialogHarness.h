#pragma once
// Runs the real main dialog modally on a thread of its own and answers its
// message boxes and file and folder dialogs through the seams, so that a test
// can click and read the real controls.

#include "ui/UrlToolDlg.h"
#include "win/Seams.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CDialogHarness {
public:
    CDialogHarness();
    ~CDialogHarness();

    HWND Dlg() const { return m_pDlg->m_hWnd; }
    CUrlToolDlg& Form() { return *m_pDlg; }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    bool Enabled(int nId) const { return ::IsWindowEnabled(Item(nId)) != FALSE; }
    std::wstring Text(int nId) const;
    int ListCount(int nId) const;
    std::wstring ListText(int nId, int nItem, int nColumn) const;

    // Picks path in the data-file dialog ("・・・").
    void ChooseDataFile(const std::filesystem::path& path);
    // Clicks a button as a person would: only an enabled one.
    void Click(int nId);
    // Waits until the running job has ended and the buttons are back.
    void WaitForJob();
    // Clicks a job's button, waits for the job, and returns the messages it showed.
    std::vector<std::wstring> RunJob(int nId);
    // The texts of the message boxes shown so far, and forgets them.
    std::vector<std::wstring> TakeMessages();

    // What the next file and folder dialogs answer; an empty path cancels.
    std::filesystem::path m_openPath;
    std::filesystem::path m_folder;
    std::atomic<int> m_nYesNoAnswer{IDNO};
    // While set, a message box stays up until Release is called.
    std::atomic<bool> m_bHoldBoxes{false};
    std::atomic<int> m_nBoxesUp{0};
    void Release();
    // Lets the message box now up go, and holds the next ones again.
    void ReleaseOne();
    std::atomic<bool> m_bFailThreads{false};

private:
    static CDialogHarness* s_pCurrent;
    static int WINAPI MessageBoxSeam(HWND, LPCWSTR, LPCWSTR, UINT);
    static BOOL WINAPI OpenSeam(LPOPENFILENAMEW);
    static PIDLIST_ABSOLUTE WINAPI FolderSeam(LPBROWSEINFOW);
    static HANDLE WINAPI CreateThreadSeam(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                          LPVOID, DWORD, LPDWORD);

    CUrlToolDlg* m_pDlg = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_bReleased = false;
    unsigned m_nGeneration = 0; // counts ReleaseOne calls
    std::vector<std::wstring> m_messages;
    SUiSeams m_savedSeams;
};
