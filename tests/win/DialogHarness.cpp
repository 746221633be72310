#include "DialogHarness.h"

#include <cstdlib>
#include <cstring>

namespace {
class CTestApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};
CTestApp g_app;
} // namespace

CDialogHarness* CDialogHarness::s_pCurrent = nullptr;

CDialogHarness::CDialogHarness() : m_savedSeams(UiSeams()) {
    s_pCurrent = this;
    UiSeams() =
        SUiSeams{MessageBoxSeam, OpenSeam, FolderSeam, FolderNameSeam, CreateThreadSeam, MenuSeam};
    std::atomic<bool> bCreated{false};
    m_thread = std::thread([this, &bCreated] {
        CUrlToolDlg dlg;
        m_pDlg = &dlg;
        g_app.m_pMainWnd = &dlg;
        bCreated = true;
        dlg.DoModal();
        g_app.m_pMainWnd = nullptr;
    });
    WaitUntil([&] { return bCreated && m_pDlg->m_hWnd != nullptr && ::IsWindowVisible(Dlg()); });
}

CDialogHarness::~CDialogHarness() {
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

int WINAPI CDialogHarness::MessageBoxSeam(HWND hOwner, LPCWSTR pszText, LPCWSTR, UINT uType) {
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

BOOL WINAPI CDialogHarness::OpenSeam(LPOPENFILENAMEW pOfn) {
    const std::wstring path = s_pCurrent->m_openPath.wstring();
    if (path.empty() || path.size() + 1 > pOfn->nMaxFile)
        return FALSE;
    wcscpy(pOfn->lpstrFile, path.c_str());
    return TRUE;
}

// Wine's shell makes item lists, and paths from them, of MAX_PATH at most: a deeper folder
// is answered by the item list of a parent short enough, and named by FolderNameSeam.
PIDLIST_ABSOLUTE WINAPI CDialogHarness::FolderSeam(LPBROWSEINFOW pInfo) {
    // The shell's dialog is told its first folder as it opens; a window of ours stands in for
    // the dialog and keeps the folder.
    s_pCurrent->m_folderOpenedAt.clear();
    if (pInfo->lpfn != nullptr) {
        static const ATOM kClass = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = [](HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
                                 CALLBACK -> LRESULT {
                if (nMsg == BFFM_SETSELECTIONW && wParam == TRUE)
                    s_pCurrent->m_folderOpenedAt = reinterpret_cast<LPCWSTR>(lParam);
                return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
            };
            wc.lpszClassName = L"KelvaneTestFolderDialog";
            return ::RegisterClassW(&wc);
        }();
        const HWND hDialog = ::CreateWindowW(MAKEINTATOM(kClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                             nullptr, nullptr, nullptr);
        pInfo->lpfn(hDialog, BFFM_INITIALIZED, 0, pInfo->lParam);
        ::DestroyWindow(hDialog);
    }
    std::filesystem::path folder = s_pCurrent->m_folder;
    while (folder.native().size() >= MAX_PATH)
        folder = folder.parent_path();
    return folder.empty() ? nullptr : ::ILCreateFromPathW(folder.c_str());
}

HRESULT WINAPI CDialogHarness::FolderNameSeam(PCIDLIST_ABSOLUTE pidl, SIGDN nName,
                                              PWSTR* ppszName) {
    const std::wstring folder = s_pCurrent->m_folder.wstring();
    if (folder.size() < MAX_PATH)
        return ::SHGetNameFromIDList(pidl, nName, ppszName);
    const std::size_t nBytes = (folder.size() + 1) * sizeof(wchar_t);
    *ppszName = static_cast<PWSTR>(::CoTaskMemAlloc(nBytes));
    std::memcpy(*ppszName, folder.c_str(), nBytes);
    return S_OK;
}

HANDLE WINAPI CDialogHarness::CreateThreadSeam(LPSECURITY_ATTRIBUTES pSecurity, SIZE_T nStack,
                                               LPTHREAD_START_ROUTINE pfn, LPVOID pParam,
                                               DWORD dwFlags, LPDWORD pId) {
    if (s_pCurrent->m_bFailThreads)
        return nullptr;
    return ::CreateThread(pSecurity, nStack, pfn, pParam, dwFlags, pId);
}

BOOL WINAPI CDialogHarness::MenuSeam(HMENU hMenu, UINT, int, int, int, HWND, const RECT*) {
    s_pCurrent->m_menuItems.clear();
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        wchar_t szItem[128] = L"";
        ::GetMenuStringW(hMenu, static_cast<UINT>(i), szItem, 128, MF_BYPOSITION);
        const bool bGrayed = ::GetMenuState(hMenu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED;
        s_pCurrent->m_menuItems.push_back((bGrayed ? L"!" : L"") + std::wstring(szItem));
    }
    return static_cast<BOOL>(s_pCurrent->m_nMenuChoice);
}
