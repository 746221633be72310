#pragma once
// Runs the real main dialog modally on a thread of its own and answers its message boxes
// and file and folder dialogs through the seams, so that a test can use the real controls.

#include "../core/TestUtil.h"
#include "ui/UrlToolDlg.h"
#include "win/Seams.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

using BoxTexts = std::vector<std::wstring>;

class CTestApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};
inline CTestApp g_app;

class CDialogHarness {
public:
    CDialogHarness() : m_savedSeams(UiSeams()) {
        s_pCurrent = this;
        UiSeams() = SUiSeams{MessageBoxSeam, OpenSeam,         FolderSeam,
                             FolderNameSeam, CreateThreadSeam, MenuSeam};
        std::atomic<bool> bCreated{false};
        m_thread = std::thread([this, &bCreated] {
            CUrlToolDlg dlg;
            m_pDlg = &dlg;
            g_app.m_pMainWnd = &dlg;
            bCreated = true;
            dlg.DoModal();
            g_app.m_pMainWnd = nullptr;
        });
        WaitUntil(
            [&] { return bCreated && m_pDlg->m_hWnd != nullptr && ::IsWindowVisible(Dlg()); });
    }
    ~CDialogHarness() {
        m_bHoldBoxes = false;
        ReleaseOne();
        if (m_pDlg == nullptr || m_pDlg->m_hWnd == nullptr)
            std::abort(); // the dialog never came up: nothing could end its thread
        WaitUntil([&] { return !m_pDlg->IsJobRunning(); });
        ::PostMessageW(Dlg(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        m_thread.join();
        UiSeams() = m_savedSeams;
        s_pCurrent = nullptr;
    }

    HWND Dlg() const { return m_pDlg->m_hWnd; }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    bool Enabled(int nId) const { return ::IsWindowEnabled(Item(nId)) != FALSE; }
    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(Dlg(), nullptr), &info);
        return info.hwndFocus;
    }
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
    static inline CDialogHarness* s_pCurrent = nullptr;

    static int WINAPI MessageBoxSeam(HWND hOwner, LPCWSTR pszText, LPCWSTR, UINT uType) {
        CDialogHarness& self = *s_pCurrent;
        EXPECT_EQ(hOwner, self.Dlg()) << "a message box not owned by the main dialog";
        std::unique_lock<std::mutex> lock(self.m_mutex);
        self.m_messages.emplace_back(pszText);
        if (self.m_bHoldBoxes) {
            ++self.m_nBoxesUp;
            const unsigned nReleases = self.m_nReleases;
            self.m_released.wait(lock, [&] { return self.m_nReleases != nReleases; });
            --self.m_nBoxesUp;
        }
        return (uType & MB_YESNO) ? IDNO : IDOK; // a question is answered No
    }

    static BOOL WINAPI OpenSeam(LPOPENFILENAMEW pOfn) {
        const std::wstring path = s_pCurrent->m_openPath.wstring();
        if (path.empty() || path.size() + 1 > pOfn->nMaxFile)
            return FALSE;
        wcscpy(pOfn->lpstrFile, path.c_str());
        return TRUE;
    }

    // The shell's dialog is told its first folder as it opens: a window of ours stands in for
    // it and keeps the folder. Wine's shell makes item lists of MAX_PATH at most: a deeper
    // folder is answered by a short enough parent's, and named by FolderNameSeam.
    static PIDLIST_ABSOLUTE WINAPI FolderSeam(LPBROWSEINFOW pInfo) {
        s_pCurrent->m_folderOpenedAt.clear();
        if (pInfo->lpfn != nullptr) {
            static const ATOM kClass = [] {
                WNDCLASSW wc{};
                wc.lpfnWndProc = FolderDialogStandIn;
                wc.lpszClassName = L"KelvaneTestFolderDialog";
                return ::RegisterClassW(&wc);
            }();
            const HWND hDialog = ::CreateWindowW(MAKEINTATOM(kClass), L"", 0, 0, 0, 0, 0,
                                                 HWND_MESSAGE, nullptr, nullptr, nullptr);
            pInfo->lpfn(hDialog, BFFM_INITIALIZED, 0, pInfo->lParam);
            ::DestroyWindow(hDialog);
        }
        std::filesystem::path folder = s_pCurrent->m_folder;
        while (folder.native().size() >= MAX_PATH)
            folder = folder.parent_path();
        return folder.empty() ? nullptr : ::ILCreateFromPathW(folder.c_str());
    }

    static HRESULT WINAPI FolderNameSeam(PCIDLIST_ABSOLUTE pidl, SIGDN nName, PWSTR* ppszName) {
        const std::wstring folder = s_pCurrent->m_folder.wstring();
        if (folder.size() < MAX_PATH)
            return ::SHGetNameFromIDList(pidl, nName, ppszName);
        const std::size_t nBytes = (folder.size() + 1) * sizeof(wchar_t);
        *ppszName = static_cast<PWSTR>(::CoTaskMemAlloc(nBytes));
        std::memcpy(*ppszName, folder.c_str(), nBytes);
        return S_OK;
    }

    static HANDLE WINAPI CreateThreadSeam(LPSECURITY_ATTRIBUTES pSecurity, SIZE_T nStack,
                                          LPTHREAD_START_ROUTINE pfn, LPVOID pParam, DWORD dwFlags,
                                          LPDWORD pId) {
        if (s_pCurrent->m_bFailThreads)
            return nullptr;
        return ::CreateThread(pSecurity, nStack, pfn, pParam, dwFlags, pId);
    }

    static BOOL WINAPI MenuSeam(HMENU hMenu, UINT, int, int, int, HWND, const RECT*) {
        s_pCurrent->m_menuItems.clear();
        for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
            wchar_t szItem[128] = L"";
            ::GetMenuStringW(hMenu, static_cast<UINT>(i), szItem, 128, MF_BYPOSITION);
            const bool bGrayed =
                ::GetMenuState(hMenu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED;
            s_pCurrent->m_menuItems.push_back((bGrayed ? L"!" : L"") + std::wstring(szItem));
        }
        return static_cast<BOOL>(s_pCurrent->m_nMenuChoice);
    }

    static LRESULT CALLBACK FolderDialogStandIn(HWND hWnd, UINT nMsg, WPARAM wParam,
                                                LPARAM lParam) {
        if (nMsg == BFFM_SETSELECTIONW && wParam == TRUE)
            s_pCurrent->m_folderOpenedAt = reinterpret_cast<LPCWSTR>(lParam);
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    }

    CUrlToolDlg* m_pDlg = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_released;
    unsigned m_nReleases = 0;
    BoxTexts m_messages;
    SUiSeams m_savedSeams;
};
