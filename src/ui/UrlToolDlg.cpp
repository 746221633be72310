#include "UrlToolDlg.h"

#include "WorkerMessages.h"
#include "app/AboutDlg.h"
#include "data/PathText.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"
#include "res/resource.h"
#include "win/Seams.h"
#include "win/ShortcutTarget.h"
#include "win/Text.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>

namespace {

// Always enabled, except while a job runs.
constexpr int kFreeButtons[] = {IDC_BROWSE_DATA, IDC_CLEAR, IDCANCEL};

int StepIndex(int nId) {
    for (std::size_t i = 0; i < std::size(CUrlToolDlg::kStepButtons); ++i)
        if (CUrlToolDlg::kStepButtons[i] == nId)
            return static_cast<int>(i);
    return -1;
}

// The worker entry for one job: runs the job, then tells the dialog that it has ended.
template <UINT (*pfnJob)(LPVOID)> UINT JobWorker(LPVOID pForm) {
    pfnJob(pForm);
    CToolForm* pToolForm = static_cast<CToolForm*>(pForm);
    static_cast<CUrlToolDlg*>(pToolForm)->PostMessage(WM_APP_JOB_ENDED, 0);
    return 0;
}

} // namespace

struct SUrlToolDlgMap {
    static constexpr SMessageMapEntry<CUrlToolDlg> kMap[] = {
        OnMessage(WM_SYSCOMMAND, &CUrlToolDlg::OnSysCommand),
        OnMessage(WM_PAINT, &CUrlToolDlg::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &CUrlToolDlg::OnQueryDragIcon),
        OnClicked(IDC_BROWSE_DATA, &CUrlToolDlg::OnBrowseData),
        OnClicked(IDC_LOAD, &CUrlToolDlg::OnLoad),
        OnClicked(IDC_BROWSE_DEST, &CUrlToolDlg::OnBrowseDest),
        OnClicked(IDC_CONVERT, &CUrlToolDlg::OnConvert),
        OnClicked(IDC_CLEAR, &CUrlToolDlg::OnClear),
        OnClicked(IDC_DEDUP, &CUrlToolDlg::OnDedup),
        OnNotify(LVN_GETDISPINFOW, IDC_LIST_IN, &CUrlToolDlg::OnGetDispInfo),
        OnNotify(LVN_GETDISPINFOW, IDC_LIST_OUT, &CUrlToolDlg::OnGetDispInfo),
        OnMessage(WM_APP_APPEND_ROWS, &CUrlToolDlg::OnAppendRows),
        OnMessage(WM_APP_REPLACE_ROWS, &CUrlToolDlg::OnReplaceRows),
        OnMessage(WM_APP_TRUNCATE_ROWS, &CUrlToolDlg::OnTruncateRows),
        OnMessage(WM_APP_SET_ROWS_CODE, &CUrlToolDlg::OnSetRowsCode),
        OnMessage(WM_APP_RESERVE_ROWS, &CUrlToolDlg::OnReserveRows),
        OnMessage(WM_APP_SCROLL_TO_END, &CUrlToolDlg::OnScrollToEnd),
        OnMessage(WM_APP_ENABLE_BUTTON, &CUrlToolDlg::OnEnableButton),
        OnMessage(WM_APP_JOB_ENDED, &CUrlToolDlg::OnJobEnded),
        OnMessage(WM_DROPFILES, &CUrlToolDlg::OnDropFiles),
    };
};

CUrlToolDlg::CUrlToolDlg(CWnd* pParent) : CDialog(IDD_MAIN, pParent) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
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
    return Dispatch(this, SUrlToolDlgMap::kMap, nMsg, wParam, lParam, lResult);
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

// "No," is the heading users have always seen (docs/BEHAVIOUR.md).
void CUrlToolDlg::InitListColumns(const CListCtrl& list) const {
    list.InsertColumn(0, L"No,", 30);
    list.InsertColumn(1, L"URL", 510);
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

void CUrlToolDlg::ResetForm() {
    m_bStepEnabled.fill(false);
    UpdateButtons();
    SetDlgItemText(IDC_DATA_PATH, L"");
    SetDlgItemText(IDC_DEST_PATH, L"");
    SetDlgItemText(IDC_MARKER, Utf8ToWide(texts::kDefaultMarker));
    m_rowsIn.Free();
    ShowRowCount(ERowList::In, false);
    m_rowsOut.Free();
    ShowRowCount(ERowList::Out, false);
    m_loadedCode = ETextCode::Ansi;
    m_nRangeMin = 0;
    m_nLastRow = 0;
    m_strDataName.clear();
    m_strDataPath.clear();
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

void CUrlToolDlg::ShowRowCount(ERowList list, bool bScrollToEnd) {
    const std::size_t nList = static_cast<std::size_t>(list);
    const std::size_t nCount = Rows(list).Count();
    if (nCount != ListOf(list).GetItemCount())
        ListOf(list).SetItemCount(nCount);
    // Scrolling redraws the list and its scroll bar, which under some systems takes as
    // long again as the count; as a message of its own it lets the window answer between.
    if (bScrollToEnd && nCount > 0 && !m_bScrollPending[nList]) {
        m_bScrollPending[nList] = true;
        PostMessage(WM_APP_SCROLL_TO_END, static_cast<WPARAM>(list));
    }
}

LRESULT CUrlToolDlg::OnScrollToEnd(WPARAM wParam, LPARAM) {
    const ERowList list = static_cast<ERowList>(wParam);
    m_bScrollPending[static_cast<std::size_t>(list)] = false;
    const std::size_t nCount = ListOf(list).GetItemCount();
    if (nCount > 0)
        ListOf(list).EnsureVisible(static_cast<int>(nCount - 1), true);
    return 0;
}

// ---- handlers ----

void CUrlToolDlg::OnClear() {
    ResetForm();
    ClearUnique();
    m_arrChosenData.clear();
}

void CUrlToolDlg::OnBrowseData() {
    EmptyInputForChoice();

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

// Until a load completes, the jobs have no rows of the file chosen to work on, and an earlier
// file's output would be saved under its name.
void CUrlToolDlg::EmptyInputForChoice() {
    m_rowsIn.Free();
    ShowRowCount(ERowList::In, false);
    m_loadedCode.reset();
}

void CUrlToolDlg::ChooseDataFile(const std::filesystem::path& path) {
    m_strDataPath = path;
    m_strDataName = m_strDataPath.filename().wstring();
    // Each file once, however often it is chosen: every save checks them all.
    if (std::find(m_arrChosenData.begin(), m_arrChosenData.end(), m_strDataPath) ==
        m_arrChosenData.end())
        m_arrChosenData.push_back(m_strDataPath);
    UpdateData(false); // changes nothing, as it always has (docs/BEHAVIOUR.md)
    SetDlgItemText(IDC_DATA_PATH, m_strDataPath.wstring());
    EnableButton(IDC_LOAD);
}

void CUrlToolDlg::ChooseDroppedFile(const std::filesystem::path& dropped) {
    // A shortcut stands for the file it points to, as it does in the file dialog.
    const std::filesystem::path path =
        ::_wcsicmp(dropped.extension().c_str(), L".lnk") == 0 ? ShortcutTarget(dropped) : dropped;
    const DWORD dwAttributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    if (path.empty() ||
        (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        return; // a folder holds no rows
    EmptyInputForChoice();
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

// The save path is composed here only, never when another data file is chosen
// (docs/BEHAVIOUR.md).
void CUrlToolDlg::OnBrowseDest() {
    BROWSEINFOW info{};
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
    m_strDestPath = strFolder + L"\\" + m_strDataName;
    SetDlgItemText(IDC_DEST_PATH, m_strDestPath.wstring());
    EnableButton(IDC_CONVERT);
    EnableButton(IDC_DEDUP);
}

// ---- jobs ----

void CUrlToolDlg::StartJob(AFX_THREADPROC pfnWorker) {
    m_bJobRunning = true;
    UpdateButtons();
    CWinThread* pThread =
        AfxBeginThread(pfnWorker, static_cast<CToolForm*>(this), 0, 0, CREATE_SUSPENDED, nullptr);
    if (pThread == nullptr) {
        m_bJobRunning = false;
        UpdateButtons();
        AfxMessageBox(texts::kThreadCreateError);
        return;
    }
    // The thread deletes its own object when it ends, so the object is not touched after this.
    ::ResumeThread(pThread->m_hThread);
}

void CUrlToolDlg::StartLoadJob() {
    StartJob(JobWorker<LoadThreadProc>);
}

void CUrlToolDlg::StartConvertJob() {
    ResetProgress();
    SetProgressRange(m_nLastRow);
    StartJob(JobWorker<ConvertThreadProc>);
}

void CUrlToolDlg::StartDedupJob() {
    StartJob(JobWorker<DedupThreadProc>);
}

void CUrlToolDlg::SetProgressRange(int nMax) {
    m_nRangeMin = 0;
    // A row figure of minus one (a load that yielded no line) gives an empty bar.
    m_progress.SetRange32(m_nRangeMin, nMax < 0 ? 0 : nMax);
}

// ---- the form, from the worker's side ----

void CUrlToolDlg::AppendRows(ERowList list, const CRowList& batch) {
    if (SendMessage(WM_APP_APPEND_ROWS, static_cast<WPARAM>(list),
                    reinterpret_cast<LPARAM>(&batch)) != 0)
        throw std::bad_alloc();
}

void CUrlToolDlg::ReplaceRows(ERowList list, CRowList&& rows) {
    SendMessage(WM_APP_REPLACE_ROWS, static_cast<WPARAM>(list), reinterpret_cast<LPARAM>(&rows));
}

void CUrlToolDlg::TruncateRows(ERowList list, std::size_t nCount) {
    SendMessage(WM_APP_TRUNCATE_ROWS, static_cast<WPARAM>(list), static_cast<LPARAM>(nCount));
}

void CUrlToolDlg::ReserveRows(ERowList list, std::size_t nBytes, std::size_t nRows) {
    SRowsRoom room{nBytes, nRows};
    SendMessage(WM_APP_RESERVE_ROWS, static_cast<WPARAM>(list), reinterpret_cast<LPARAM>(&room));
}

void CUrlToolDlg::SetProgressPos(int nPos) {
    const ULONGLONG nNow = ::GetTickCount64();
    if (nNow - m_nLastProgress >= kProgressEveryMs) {
        m_progress.SetPos(nPos);
        m_nLastProgress = nNow;
        m_nProgressPending = -1;
    } else {
        m_nProgressPending = nPos; // shown when the job ends, if nothing comes after it
    }
}

void CUrlToolDlg::SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) {
    SRowsCode change{nFirst, code};
    SendMessage(WM_APP_SET_ROWS_CODE, static_cast<WPARAM>(list), reinterpret_cast<LPARAM>(&change));
}

std::filesystem::path CUrlToolDlg::GetSavePath() {
    return GetDlgItemText(IDC_DEST_PATH);
}

std::string CUrlToolDlg::GetMarker(ETextCode code) {
    const std::wstring strMarker = GetDlgItemText(IDC_MARKER);
    return IsUtf8(code) ? WideToUtf8(strMarker) : WideToAnsi(strMarker);
}

void CUrlToolDlg::EnableButton(int nId) {
    SendMessage(WM_APP_ENABLE_BUTTON, static_cast<WPARAM>(nId));
}

void CUrlToolDlg::ShowMessage(std::string_view strUtf8) {
    AfxMessageBox(strUtf8, MB_OK);
}

bool CUrlToolDlg::AskYesNo(std::string_view strUtf8) {
    return AfxMessageBox(strUtf8, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES;
}

// ---- the dialog's side of those messages ----

LRESULT CUrlToolDlg::OnAppendRows(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    try {
        Rows(list).AppendAll(*reinterpret_cast<const CRowList*>(lParam));
    } catch (const std::bad_alloc&) {
        return 1;
    }
    // Redrawing a list costs far more than appending a batch, so the view catches up a
    // few times a second; the job's end shows the last rows.
    const ULONGLONG nNow = ::GetTickCount64();
    if (nNow - m_nLastShown >= kShowEveryMs) {
        ShowRowCount(list, true);
        m_nLastShown = nNow;
    }
    return 0;
}

LRESULT CUrlToolDlg::OnReplaceRows(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    Rows(list).Free();
    Rows(list).Swap(*reinterpret_cast<CRowList*>(lParam));
    ShowRowCount(list, true);
    return 0;
}

LRESULT CUrlToolDlg::OnTruncateRows(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    Rows(list).Truncate(static_cast<std::size_t>(lParam));
    ShowRowCount(list, true);
    return 0;
}

LRESULT CUrlToolDlg::OnReserveRows(WPARAM wParam, LPARAM lParam) {
    const SRowsRoom& room = *reinterpret_cast<const SRowsRoom*>(lParam);
    Rows(static_cast<ERowList>(wParam)).ReserveMore(room.nBytes, room.nRows);
    return 0;
}

LRESULT CUrlToolDlg::OnSetRowsCode(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    const SRowsCode& change = *reinterpret_cast<const SRowsCode*>(lParam);
    Rows(list).SetCodeFrom(change.nFirst, change.code);
    // Rows already drawn were drawn by the old code.
    ::InvalidateRect(ListOf(list).m_hWnd, nullptr, TRUE);
    return 0;
}

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
        ShowRowCount(ERowList::In, true);
        break;
    case 1:
        ShowRowCount(ERowList::Out, true);
        if (const int nPos = m_nProgressPending.exchange(-1); nPos >= 0)
            m_progress.SetPos(nPos);
        break;
    default:
        m_bJobRunning = false;
        UpdateButtons();
        return 0;
    }
    PostMessage(WM_APP_JOB_ENDED, wParam + 1);
    return 0;
}

LRESULT CUrlToolDlg::OnGetDispInfo(WPARAM, LPARAM lParam) {
    NMLVDISPINFOW* pInfo = reinterpret_cast<NMLVDISPINFOW*>(lParam);
    LVITEMW& item = pInfo->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0)
        return 0;
    const ERowList list = pInfo->hdr.idFrom == IDC_LIST_IN ? ERowList::In : ERowList::Out;
    const CRowList& rows = Rows(list);
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows.Count())
        return 0;
    if (item.iSubItem == 0) {
        std::swprintf(item.pszText, static_cast<std::size_t>(item.cchTextMax), L"%d", item.iItem);
    } else {
        // Only what fits is converted, by the code of the row's data file: a row is drawn,
        // never changed.
        const std::size_t nRow = static_cast<std::size_t>(item.iItem);
        const std::string_view row = rows.Row(nRow);
        const std::string_view shown = row.substr(0, static_cast<std::size_t>(item.cchTextMax) - 1);
        const UINT nCodePage = IsUtf8(rows.CodeOf(nRow)) ? CP_UTF8 : CP_ACP;
        const int nWritten =
            ::MultiByteToWideChar(nCodePage, 0, shown.data(), static_cast<int>(shown.size()),
                                  item.pszText, item.cchTextMax - 1);
        item.pszText[nWritten > 0 ? nWritten : 0] = L'\0';
    }
    return 0;
}

// ---- window chrome ----

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
