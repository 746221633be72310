#include "UrlToolDlg.h"

#include "WorkerMessages.h"
#include "app/AboutDlg.h"
#include "form/Texts.h"
#include "jobs/Jobs.h"
#include "res/resource.h"
#include "saving/PathText.h"
#include "text/WideText.h"
#include "win/Seams.h"
#include "win/ShortcutTarget.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace {

// Always enabled, except while a job runs.
constexpr int kFreeButtons[] = {IDC_BROWSE_DATA, IDC_CLEAR, IDCANCEL};

int StepIndex(int nId) {
    for (std::size_t i = 0; i < std::size(kStepButtons); ++i)
        if (kStepButtons[i] == nId)
            return static_cast<int>(i);
    return -1;
}

// The worker entry for job N: runs the job, then tells the dialog that it has ended.
template <std::size_t N> UINT JobWorker(LPVOID pForm) {
    kJobs[N].pfnWorker(pForm);
    static_cast<CWindowForm*>(static_cast<CToolForm*>(pForm))
        ->Dialog()
        .PostMessage(WM_APP_JOB_ENDED, 0);
    return 0;
}
template <std::size_t... N>
constexpr std::array<AFX_THREADPROC, kJobCount> MakeJobWorkers(std::index_sequence<N...>) {
    return {JobWorker<N>...};
}
constexpr std::array<AFX_THREADPROC, kJobCount> kJobWorkers =
    MakeJobWorkers(std::make_index_sequence<kJobCount>());

// Runs when the folder dialog has opened: selects the folder named by lpData.
int CALLBACK SelectStartFolder(HWND hWnd, UINT nMsg, LPARAM, LPARAM lpData) {
    if (nMsg == BFFM_INITIALIZED && lpData != 0)
        ::SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, lpData);
    return 0;
}

} // namespace

struct SUrlToolDlgMap {
    static constexpr SMessageMapEntry<CUrlToolDlg> kMap[] = {
        OnMessage(WM_SYSCOMMAND, &CUrlToolDlg::OnSysCommand),
        OnMessage(WM_PAINT, &CUrlToolDlg::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &CUrlToolDlg::OnQueryDragIcon),
        OnClicked(IDC_BROWSE_DATA, &CUrlToolDlg::OnBrowseData),
        OnClicked(IDC_BROWSE_DEST, &CUrlToolDlg::OnBrowseDest),
        OnClicked(IDC_CLEAR, &CUrlToolDlg::OnClear),
        OnClickedAny(&CUrlToolDlg::OnJobButton),
        OnMessage(WM_APP_ENABLE_BUTTON, &CUrlToolDlg::OnEnableButton),
        OnMessage(WM_APP_JOB_ENDED, &CUrlToolDlg::OnJobEnded),
        OnMessage(WM_DROPFILES, &CUrlToolDlg::OnDropFiles),
        OnMessage(WM_DPICHANGED, &CUrlToolDlg::OnDpiChanged),
        OnNotify(LVN_KEYDOWN, IDC_LIST_IN, &CUrlToolDlg::OnListKeyDown),
        OnNotify(LVN_KEYDOWN, IDC_LIST_OUT, &CUrlToolDlg::OnListKeyDown),
        OnMessage(WM_CONTEXTMENU, &CUrlToolDlg::OnContextMenu),
    };
};

CUrlToolDlg::CUrlToolDlg(CWnd* pParent) : CDialog(IDD_MAIN, pParent) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CUrlToolDlg::~CUrlToolDlg() {
    for (const HICON hIcon : m_hDpiIcons)
        if (hIcon != nullptr)
            ::DestroyIcon(hIcon);
}

bool CUrlToolDlg::OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    // A disabled button cannot be clicked, but a command can still be sent in its name;
    // while a job runs no command may start another job or change the lists under it.
    // The dialog manager answers WM_CLOSE by posting IDCANCEL, which could arrive after the
    // job has ended and close the dialog then; a close asked for during a job is dropped too.
    if (m_bJobRunning &&
        ((nMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) || nMsg == WM_CLOSE)) {
        lResult = 0;
        return true;
    }
    // The workers' rows and the list views' texts are the form's.
    return m_form.OnWndMsg(nMsg, wParam, lParam, lResult) ||
           Dispatch(this, SUrlToolDlgMap::kMap, nMsg, wParam, lParam, lResult);
}

void CUrlToolDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_LIST_OUT, m_listOut);
    DDX_Control(pDX, IDC_LIST_IN, m_listIn);
}

BOOL CUrlToolDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (const HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        const std::wstring strAbout = AfxLoadString(IDS_ABOUTBOX);
        if (!strAbout.empty()) {
            ::AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAbout.c_str());
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_nDpi = GetDpi();
    InitListColumns(m_listIn);
    InitListColumns(m_listOut);
    ResetForm();
    ::DragAcceptFiles(m_hWnd, TRUE);
    // A file dropped on the exe's icon, or sent to it, is chosen as if picked with "・・・".
    if (!m_strStartPath.empty()) {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(m_strStartPath, ec);
        ChooseDroppedFile(ec ? m_strStartPath : full);
    }
    return TRUE;
}

namespace {
// The columns' widths at 96 DPI, the look users have always had.
constexpr int kNumberWidth = 30;
constexpr int kUrlWidth = 510;
// The room a list view keeps around a column's text.
constexpr int kTextMargin = 12;
} // namespace

// "No," is the heading users have always seen (docs/BEHAVIOUR.md).
void CUrlToolDlg::InitListColumns(const CListCtrl& list) const {
    list.InsertColumn(0, L"No,", 0);
    list.InsertColumn(1, L"URL", 0);
    SizeListColumns(list);
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

// A list view scales neither its columns with the display nor the number column with its
// rows: 30 pixels show the numbers of a thousand rows and more as "1...", and with wider
// digits than the system's usual font those of a hundred as "9...".
void CUrlToolDlg::SizeListColumns(const CListCtrl& list) const {
    const int nDpi = static_cast<int>(m_nDpi);
    const std::size_t nRows = list.GetItemCount();
    int nNumberWidth = ::MulDiv(kNumberWidth, nDpi, 96);
    if (nRows > 0)
        nNumberWidth = std::max(nNumberWidth, list.GetStringWidth(std::to_wstring(nRows - 1)) +
                                                  ::MulDiv(kTextMargin, nDpi, 96));
    if (list.GetColumnWidth(0) != nNumberWidth)
        list.SetColumnWidth(0, nNumberWidth);
    if (const int nUrlWidth = ::MulDiv(kUrlWidth, nDpi, 96); list.GetColumnWidth(1) != nUrlWidth)
        list.SetColumnWidth(1, nUrlWidth);
}

void CUrlToolDlg::ResetForm() {
    m_bStepEnabled.fill(false);
    UpdateButtons();
    SetDlgItemText(IDC_DATA_PATH, L"");
    SetDlgItemText(IDC_DEST_PATH, L"");
    SetDlgItemText(IDC_MARKER, Utf8ToWide(texts::kDefaultMarker));
    m_form.Reset();
    m_nRangeMin = 0;
}

void CUrlToolDlg::UpdateButtons() {
    for (std::size_t i = 0; i < std::size(kStepButtons); ++i)
        EnableDlgItem(kStepButtons[i], m_bStepEnabled[i] && !m_bJobRunning);
    for (int nId : kFreeButtons)
        EnableDlgItem(nId, !m_bJobRunning);
    // The close box and the system menu's Close follow the Close button.
    if (const HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE))
        ::EnableMenuItem(hSysMenu, SC_CLOSE,
                         MF_BYCOMMAND | (m_bJobRunning ? MF_GRAYED : MF_ENABLED));
}

// ---- handlers ----

void CUrlToolDlg::OnClear() {
    ResetForm();
    m_form.ForgetChosenDataFiles();
}

void CUrlToolDlg::OnBrowseData() {
    m_form.EmptyInputForChoice();

    std::wstring strFile(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    // The filter's texts and the flags are the tool's long-standing ones (docs/BEHAVIOUR.md).
    ofn.lpstrFilter = L"txt Files(*.txt)\0*.txt\0A ll Files(*.*)\0*.*\0\0";
    ofn.lpstrFile = strFile.data();
    ofn.nMaxFile = static_cast<DWORD>(strFile.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (!UiSeams().pfnGetOpenFileName(&ofn))
        return;
    ChooseDataFile(strFile.c_str());
}

void CUrlToolDlg::ChooseDataFile(const std::filesystem::path& path) {
    m_form.ChooseDataFile(path);
    UpdateData(false); // changes nothing, as it always has (docs/BEHAVIOUR.md)
    SetDlgItemText(IDC_DATA_PATH, path.wstring());
    // A save path the user has not edited follows the data file, so that one file's
    // result is never saved under another's name; an edited one stays (docs/BEHAVIOUR.md).
    if (!m_strDestFolder.empty() && GetDlgItemText(IDC_DEST_PATH) == m_strDestPath.native())
        ComposeDestPath();
    EnableButton(IDC_LOAD);
}

void CUrlToolDlg::ChooseDroppedFile(const std::filesystem::path& dropped) {
    // A shortcut stands for the file it points to, as it does in the file dialog.
    const bool bShortcut = ::_wcsicmp(dropped.extension().c_str(), L".lnk") == 0;
    const std::filesystem::path path = bShortcut ? ShortcutTarget(dropped) : dropped;
    const DWORD dwAttributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    // A folder holds no rows; a shortcut to something that is gone leaves the choice as it was.
    if (path.empty() || (dwAttributes == INVALID_FILE_ATTRIBUTES && bShortcut) ||
        (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        return;
    m_form.EmptyInputForChoice();
    ChooseDataFile(path);
}

LRESULT CUrlToolDlg::OnDropFiles(WPARAM wParam, LPARAM) {
    const HDROP hDrop = reinterpret_cast<HDROP>(wParam);
    std::wstring strFirst;
    if (!m_bJobRunning && ::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT nLength = ::DragQueryFileW(hDrop, 0, nullptr, 0);
        strFirst.resize(nLength + 1);
        strFirst.resize(::DragQueryFileW(hDrop, 0, strFirst.data(), nLength + 1));
    }
    ::DragFinish(hDrop);
    // While a job runs the input list is the job's; the drop is ignored.
    ChooseDroppedFile(strFirst);
    return 0;
}

void CUrlToolDlg::ComposeDestPath() {
    // The backslash is added even after a drive root, as it always has been.
    m_strDestPath = m_strDestFolder + L"\\" + m_form.GetDataPath().filename().wstring();
    SetDlgItemText(IDC_DEST_PATH, m_strDestPath.wstring());
}

void CUrlToolDlg::OnBrowseDest() {
    // The tree opens where the user is: at the save folder chosen last in this run, else at
    // the data file's folder, not at the desktop every time.
    const std::wstring strStart =
        m_strDestFolder.empty() ? m_form.GetDataPath().parent_path().wstring() : m_strDestFolder;
    BROWSEINFOW info{};
    info.lpfn = SelectStartFolder;
    info.lParam = strStart.empty() ? 0 : reinterpret_cast<LPARAM>(strStart.c_str());
    const PIDLIST_ABSOLUTE pidl = UiSeams().pfnBrowseForFolder(&info);
    if (pidl == nullptr)
        return; // cancelled: the form stays as it was
    // The path whole, however deep the folder: a MAX_PATH buffer would cut it.
    std::wstring strFolder;
    PWSTR pszFolder = nullptr;
    if (SUCCEEDED(UiSeams().pfnGetNameFromIDList(pidl, SIGDN_FILESYSPATH, &pszFolder)) &&
        pszFolder != nullptr) {
        strFolder = pszFolder;
        ::CoTaskMemFree(pszFolder);
    }
    ::CoTaskMemFree(pidl);
    if (strFolder.empty())
        return; // not a file-system folder: nothing to save into
    m_strDestFolder = strFolder;
    ComposeDestPath();
    EnableButton(IDC_CONVERT);
    EnableButton(IDC_DEDUP);
}

// ---- copying rows ----

std::optional<ERowList> CUrlToolDlg::ListOfWindow(HWND hWnd) const {
    if (hWnd == m_listIn.m_hWnd)
        return ERowList::In;
    if (hWnd == m_listOut.m_hWnd)
        return ERowList::Out;
    return std::nullopt;
}

LRESULT CUrlToolDlg::OnListKeyDown(WPARAM, LPARAM lParam) {
    const NMLVKEYDOWN& key = *reinterpret_cast<const NMLVKEYDOWN*>(lParam);
    const std::optional<ERowList> list = ListOfWindow(key.hdr.hwndFrom);
    if (!list || ::GetKeyState(VK_CONTROL) >= 0)
        return 0;
    if (key.wVKey == 'A')
        List(*list).SelectAll();
    else if (key.wVKey == 'C')
        m_form.CopySelectedRows(*list);
    return 0;
}

LRESULT CUrlToolDlg::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    const HWND hList = reinterpret_cast<HWND>(wParam);
    const std::optional<ERowList> list = ListOfWindow(hList);
    if (!list) {
        Default();
        return 0;
    }
    const CListCtrl& view = List(*list);
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == -1) { // from the keyboard: at the list's top left corner
        at = {};
        ::ClientToScreen(hList, &at);
    }
    const HMENU hMenus = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_LIST_MENU));
    if (hMenus == nullptr)
        return 0;
    const HMENU hMenu = ::GetSubMenu(hMenus, 0);
    ::EnableMenuItem(hMenu, IDM_COPY,
                     MF_BYCOMMAND | (view.GetSelectedCount() == 0 ? MF_GRAYED : MF_ENABLED));
    const UINT nCommand = static_cast<UINT>(UiSeams().pfnTrackPopupMenu(
        hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr));
    ::DestroyMenu(hMenus);
    if (nCommand == IDM_COPY)
        m_form.CopySelectedRows(*list);
    else if (nCommand == IDM_SELECT_ALL)
        view.SelectAll();
    return 0;
}

// ---- jobs ----

bool CUrlToolDlg::OnJobButton(UINT nId) {
    for (const SJobButton& button : kJobButtons) {
        if (static_cast<UINT>(button.nId) == nId) {
            StartJob(button.job);
            return true;
        }
    }
    return false;
}

void CUrlToolDlg::StartJob(EJobId job) {
    if (kJobs[job].bProgress) {
        ResetProgress();
        SetProgressRange(m_form.GetLastRow());
    }
    m_bJobRunning = true;
    UpdateButtons();
    CWinThread* pThread = AfxBeginThread(kJobWorkers[job], static_cast<CToolForm*>(&m_form), 0, 0,
                                         CREATE_SUSPENDED, nullptr);
    if (pThread == nullptr) {
        m_bJobRunning = false;
        UpdateButtons();
        AfxMessageBox(texts::kThreadCreateError);
        return;
    }
    // The thread deletes its own object when it ends, so the object is not touched after this.
    ::ResumeThread(pThread->m_hThread);
}

void CUrlToolDlg::SetProgressRange(int nMax) {
    m_nRangeMin = 0;
    // A row figure of minus one (a load that yielded no line) gives an empty bar.
    m_progress.SetRange32(m_nRangeMin, nMax < 0 ? 0 : nMax);
}

void CUrlToolDlg::EnableButton(int nId) {
    SendMessage(WM_APP_ENABLE_BUTTON, static_cast<WPARAM>(nId));
}

// ---- the dialog's side of the workers' messages ----

LRESULT CUrlToolDlg::OnEnableButton(WPARAM wParam, LPARAM) {
    const int nStep = StepIndex(static_cast<int>(wParam));
    if (nStep >= 0) {
        m_bStepEnabled[static_cast<std::size_t>(nStep)] = true;
        UpdateButtons();
    }
    return 0;
}

// The job's end is shown in steps, each a message of its own, so that the window
// answers between them; the buttons come back last, when the lists are up to date.
LRESULT CUrlToolDlg::OnJobEnded(WPARAM wParam, LPARAM) {
    switch (wParam) {
    case 0:
        m_form.ShowRowCount(ERowList::In, true);
        break;
    case 1:
        m_form.ShowRowCount(ERowList::Out, true);
        m_form.ShowPendingProgress();
        break;
    default:
        m_bJobRunning = false;
        UpdateButtons();
        return 0;
    }
    PostMessage(WM_APP_JOB_ENDED, wParam + 1);
    return 0;
}

// ---- window chrome ----

LRESULT CUrlToolDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // Windows scales the dialog's controls and fonts itself, but not what is given in pixels.
    m_nDpi = LOWORD(wParam);
    const RECT& rect = *reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SizeListColumns(m_listIn);
    SizeListColumns(m_listOut);
    // The icons at the new size, drawn from the resource's images rather than stretched.
    const int nDpi = static_cast<int>(m_nDpi);
    const std::array<HICON, 2> hOld = m_hDpiIcons;
    const int nSizes[] = {::MulDiv(32, nDpi, 96), ::MulDiv(16, nDpi, 96)}; // big, small
    for (std::size_t i = 0; i < m_hDpiIcons.size(); ++i)
        m_hDpiIcons[i] =
            static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                            IMAGE_ICON, nSizes[i], nSizes[i], LR_DEFAULTCOLOR));
    if (m_hDpiIcons[0] != nullptr)
        m_hIcon = m_hDpiIcons[0];
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(m_hDpiIcons[1] != nullptr ? m_hDpiIcons[1] : m_hIcon));
    for (const HICON hIcon : hOld)
        if (hIcon != nullptr)
            ::DestroyIcon(hIcon);
    return 0;
}

LRESULT CUrlToolDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
    return 0;
}

LRESULT CUrlToolDlg::OnPaint(WPARAM, LPARAM) {
    if (!::IsIconic(m_hWnd)) {
        Default();
        return 0;
    }
    PAINTSTRUCT ps;
    const HDC hdc = ::BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    ::GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(hdc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CUrlToolDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}
