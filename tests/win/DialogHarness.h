#pragma once
// Runs the real main dialog modally on a thread of its own and answers its
// message boxes and file and folder dialogs through the seams, so that a test
// can click and read the real controls.

#include "../core/TestUtil.h"
#include "ui/UrlToolDlg.h"
#include "win/Seams.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using BoxTexts = std::vector<std::wstring>;

class CDialogHarness {
public:
    CDialogHarness();
    ~CDialogHarness();

    HWND Dlg() const { return m_pDlg->m_hWnd; }
    CUrlToolDlg& Dialog() { return *m_pDlg; }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    bool Enabled(int nId) const { return ::IsWindowEnabled(Item(nId)) != FALSE; }
    // How far the form's steps are open: the buttons of kStepButtons enabled, when they are
    // its first ones and the rest are disabled; -1 in any other state.
    enum EStep : int { kFresh, kFileChosen, kLoaded, kFolderChosen = kJobCount + 1 };
    int StepsOpen() const {
        int nOpen = 0;
        while (nOpen < kFolderChosen && Enabled(kStepButtons[nOpen]))
            ++nOpen;
        for (int i = nOpen; i < kFolderChosen; ++i)
            if (Enabled(kStepButtons[i]))
                return -1;
        return nOpen;
    }
    std::wstring Text(int nId) const {
        wchar_t sz[4096] = L"";
        ::GetWindowTextW(Item(nId), sz, 4096);
        return sz;
    }
    int ListCount(int nId) const {
        return static_cast<int>(::SendMessageW(Item(nId), LVM_GETITEMCOUNT, 0, 0));
    }
    std::wstring ListText(int nId, int nItem, int nColumn = 1) const { // 0: No, 1: URL
        wchar_t sz[1024] = L"";
        ListView_GetItemText(Item(nId), nItem, nColumn, sz, 1024);
        return sz;
    }
    LRESULT Send(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(Dlg(), uMsg, wParam, lParam);
    }

    // Picks path in the data-file dialog ("・・・"), or the folder in the folder dialog.
    void ChooseDataFile(const std::filesystem::path& path) {
        m_openPath = path;
        Click(IDC_BROWSE_DATA);
    }
    void ChooseFolder(const std::filesystem::path& folder) {
        m_folder = folder;
        Click(IDC_BROWSE_DEST);
    }
    // Clicks a button as a person would: only an enabled one.
    void Click(int nId) {
        ASSERT_TRUE(Enabled(nId)) << "button " << nId << " is disabled";
        Send(WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(Item(nId)));
    }
    // Waits until the running job has ended and the buttons are back (the flag drops
    // before the buttons are enabled again, in the same handler).
    void WaitForJob() {
        ASSERT_TRUE(WaitUntil([&] { return !m_pDlg->IsJobRunning() && Enabled(IDCANCEL); }))
            << "the job did not end; message boxes up: " << m_nBoxesUp.load();
    }
    // Clicks a job's button, waits for the job, and returns the messages it showed.
    BoxTexts RunJob(int nId) {
        Click(nId);
        WaitForJob();
        return TakeMessages();
    }
    // The texts of the message boxes shown so far, and forgets them.
    BoxTexts TakeMessages() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_messages, {});
    }

    std::filesystem::path m_openPath; // what the next file dialog answers; empty cancels
    std::filesystem::path m_folder;   // the same for the folder dialog
    std::wstring m_folderOpenedAt;    // the folder the last folder dialog selected on opening
    // The items of the last context menu, "!" before a grayed one, and the command the next
    // is answered with; 0 dismisses it.
    std::vector<std::wstring> m_menuItems;
    UINT m_nMenuChoice = 0;
    std::atomic<bool> m_bFailThreads{false};
    // While set, each message box stays up until ReleaseOne lets it go.
    std::atomic<bool> m_bHoldBoxes{false};
    std::atomic<int> m_nBoxesUp{0};
    bool WaitForBox() {
        return WaitUntil([&] { return m_nBoxesUp > 0; });
    }
    void ReleaseOne() {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nReleases;
        m_released.notify_all();
    }

private:
    static CDialogHarness* s_pCurrent;
    static int WINAPI MessageBoxSeam(HWND, LPCWSTR, LPCWSTR, UINT);
    static BOOL WINAPI OpenSeam(LPOPENFILENAMEW);
    static PIDLIST_ABSOLUTE WINAPI FolderSeam(LPBROWSEINFOW);
    static LRESULT CALLBACK FolderDialogStandIn(HWND, UINT, WPARAM, LPARAM);
    static HRESULT WINAPI FolderNameSeam(PCIDLIST_ABSOLUTE, SIGDN, PWSTR*);
    static BOOL WINAPI MenuSeam(HMENU, UINT, int, int, int, HWND, const RECT*);
    static HANDLE WINAPI CreateThreadSeam(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                          LPVOID, DWORD, LPDWORD);

    CUrlToolDlg* m_pDlg = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_released;
    unsigned m_nReleases = 0;
    BoxTexts m_messages;
    SUiSeams m_savedSeams;
};
