#include "WindowForm.h"

#include "UrlToolDlg.h"
#include "WorkerMessages.h"
#include "form/Texts.h"
#include "res/resource.h"
#include "text/WideText.h"
#include "win/App.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <new>
#include <utility>

namespace {
// The code page a row is drawn and copied by: its data file's.
UINT CodePageOf(ETextCode code) {
    return IsUtf8(code) ? CP_UTF8 : AnsiCodePage();
}

// Converts a row into at most nMax UTF-16 units at pOut, which never takes more units than
// the row has bytes; returns how many it wrote.
std::size_t RowToWide(std::string_view row, ETextCode code, wchar_t* pOut, std::size_t nMax) {
    const int nIn = static_cast<int>(std::min<std::size_t>(row.size(), INT_MAX));
    const int nOut = static_cast<int>(std::min<std::size_t>(nMax, INT_MAX));
    if (nIn == 0 || nOut == 0)
        return 0;
    const int nWritten = ::MultiByteToWideChar(CodePageOf(code), 0, row.data(), nIn, pOut, nOut);
    return nWritten > 0 ? static_cast<std::size_t>(nWritten) : 0;
}
} // namespace

struct SWindowFormMap {
    static constexpr SMessageMapEntry<CWindowForm> kMap[] = {
        OnNotify(LVN_GETDISPINFOW, IDC_LIST_IN, &CWindowForm::OnGetDispInfo),
        OnNotify(LVN_GETDISPINFOW, IDC_LIST_OUT, &CWindowForm::OnGetDispInfo),
        OnMessage(WM_APP_APPEND_ROWS, &CWindowForm::OnAppendRows),
        OnMessage(WM_APP_REPLACE_ROWS, &CWindowForm::OnReplaceRows),
        OnMessage(WM_APP_TRUNCATE_ROWS, &CWindowForm::OnTruncateRows),
        OnMessage(WM_APP_SET_ROWS_CODE, &CWindowForm::OnSetRowsCode),
        OnMessage(WM_APP_RESERVE_ROWS, &CWindowForm::OnReserveRows),
        OnMessage(WM_APP_SCROLL_TO_END, &CWindowForm::OnScrollToEnd),
    };
};

bool CWindowForm::OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return Dispatch(this, SWindowFormMap::kMap, nMsg, wParam, lParam, lResult);
}

const CListCtrl& CWindowForm::ListOf(ERowList list) const {
    return m_dlg.List(list);
}

void CWindowForm::RedrawRows(ERowList list) const {
    ::InvalidateRect(ListOf(list).m_hWnd, nullptr, TRUE);
}

void CWindowForm::Reset() {
    EmptyInputForChoice();
    m_rowsOut.Free();
    ShowRowCount(ERowList::Out, false);
    m_strDataPath.clear();
}

void CWindowForm::EmptyInputForChoice() {
    m_rowsIn.Free();
    ShowRowCount(ERowList::In, false);
    m_loaded.reset();
}

void CWindowForm::ChooseDataFile(const std::filesystem::path& path) {
    m_strDataPath = path;
    if (std::find(m_arrChosenData.begin(), m_arrChosenData.end(), path) == m_arrChosenData.end())
        m_arrChosenData.push_back(path);
}

void CWindowForm::ShowPendingProgress() {
    if (const int nPos = m_nProgressPending.exchange(-1); nPos >= 0)
        m_dlg.ShowProgress(nPos);
}

void CWindowForm::EnableSaveFolderChoice() {
    m_dlg.SendMessage(WM_APP_ENABLE_BUTTON, static_cast<WPARAM>(IDC_BROWSE_DEST));
}

// ---- the form, from the worker's side ----

void CWindowForm::AppendRows(ERowList list, const CRowList& batch) {
    if (m_dlg.SendMessage(WM_APP_APPEND_ROWS, static_cast<WPARAM>(list),
                          reinterpret_cast<LPARAM>(&batch)) != 0)
        throw std::bad_alloc();
}

void CWindowForm::ReplaceRows(ERowList list, CRowList&& rows) {
    m_dlg.SendMessage(WM_APP_REPLACE_ROWS, static_cast<WPARAM>(list),
                      reinterpret_cast<LPARAM>(&rows));
}

void CWindowForm::TruncateRows(ERowList list, std::size_t nCount) {
    m_dlg.SendMessage(WM_APP_TRUNCATE_ROWS, static_cast<WPARAM>(list), static_cast<LPARAM>(nCount));
}

void CWindowForm::ReserveRows(ERowList list, std::size_t nRows) {
    m_dlg.SendMessage(WM_APP_RESERVE_ROWS, static_cast<WPARAM>(list), static_cast<LPARAM>(nRows));
}

void CWindowForm::SetProgressPos(int nPos) {
    const ULONGLONG nNow = ::GetTickCount64();
    if (nNow - m_nLastProgress >= kProgressEveryMs) {
        m_dlg.ShowProgress(nPos);
        m_nLastProgress = nNow;
        m_nProgressPending = -1;
    } else {
        m_nProgressPending = nPos; // shown when the job ends, if nothing comes after it
    }
}

void CWindowForm::SetRowsCode(ERowList list, std::size_t nFirst, ETextCode code) {
    SRowsCode change{nFirst, code};
    if (m_dlg.SendMessage(WM_APP_SET_ROWS_CODE, static_cast<WPARAM>(list),
                          reinterpret_cast<LPARAM>(&change)) != 0)
        throw std::bad_alloc();
}

std::filesystem::path CWindowForm::GetSavePath() {
    return m_dlg.GetDlgItemText(IDC_DEST_PATH);
}

std::string CWindowForm::GetMarker(ETextCode code) {
    const std::wstring strMarker = m_dlg.GetDlgItemText(IDC_MARKER);
    return IsUtf8(code) ? WideToUtf8(strMarker) : WideToAnsi(strMarker);
}

void CWindowForm::ShowMessage(std::string_view strUtf8) {
    AfxMessageBox(strUtf8, MB_OK);
}

bool CWindowForm::AskYesNo(std::string_view strUtf8) {
    return AfxMessageBox(strUtf8, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES;
}

// ---- the dialog's side of those messages ----

LRESULT CWindowForm::OnAppendRows(WPARAM wParam, LPARAM lParam) {
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

LRESULT CWindowForm::OnReplaceRows(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    SFormState::ReplaceRows(list, std::move(*reinterpret_cast<CRowList*>(lParam)));
    ShowRowCount(list, true);
    RedrawRows(list);
    return 0;
}

LRESULT CWindowForm::OnTruncateRows(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    Rows(list).Truncate(static_cast<std::size_t>(lParam));
    ShowRowCount(list, true);
    RedrawRows(list);
    return 0;
}

LRESULT CWindowForm::OnReserveRows(WPARAM wParam, LPARAM lParam) {
    Rows(static_cast<ERowList>(wParam)).ReserveMore(static_cast<std::size_t>(lParam));
    return 0;
}

LRESULT CWindowForm::OnSetRowsCode(WPARAM wParam, LPARAM lParam) {
    const ERowList list = static_cast<ERowList>(wParam);
    const SRowsCode& change = *reinterpret_cast<const SRowsCode*>(lParam);
    try {
        Rows(list).SetCodeFrom(change.nFirst, change.code);
    } catch (const std::bad_alloc&) {
        return 1;
    }
    RedrawRows(list);
    return 0;
}

LRESULT CWindowForm::OnGetDispInfo(WPARAM, LPARAM lParam) {
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
        const std::size_t nMax = static_cast<std::size_t>(item.cchTextMax) - 1;
        const std::string_view shown = rows.Row(nRow).substr(0, nMax);
        item.pszText[RowToWide(shown, rows.CodeOf(nRow), item.pszText, nMax)] = L'\0';
    }
    return 0;
}

void CWindowForm::ShowRowCount(ERowList list, bool bScrollToEnd) {
    const std::size_t nList = static_cast<std::size_t>(list);
    const std::size_t nCount = Rows(list).Count();
    if (nCount != ListOf(list).GetItemCount()) {
        ListOf(list).SetItemCount(nCount);
        m_dlg.SizeListColumns(ListOf(list));
    }
    // Scrolling redraws the list and its scroll bar, which under some systems takes as
    // long again as the count; as a message of its own it lets the window answer between.
    if (bScrollToEnd && nCount > 0 && !m_bScrollPending[nList]) {
        m_bScrollPending[nList] = true;
        m_dlg.PostMessage(WM_APP_SCROLL_TO_END, static_cast<WPARAM>(list));
    }
}

LRESULT CWindowForm::OnScrollToEnd(WPARAM wParam, LPARAM) {
    const ERowList list = static_cast<ERowList>(wParam);
    m_bScrollPending[static_cast<std::size_t>(list)] = false;
    const std::size_t nCount = ListOf(list).GetItemCount();
    if (nCount > 0)
        ListOf(list).EnsureVisible(static_cast<int>(nCount - 1), true);
    return 0;
}

// ---- copying rows ----

HGLOBAL CWindowForm::SelectedText(ERowList list) {
    const CListCtrl& view = ListOf(list);
    const CRowList& rows = Rows(list);
    // Every row is selected after Ctrl+A: the list view is not asked a million times.
    const bool bAll = view.GetSelectedCount() == rows.Count();
    auto forEachSelected = [&](auto fn) {
        if (bAll) {
            for (std::size_t i = 0; i < rows.Count(); ++i)
                fn(i);
        } else {
            for (int i = view.GetNextSelected(-1); i >= 0 && std::size_t(i) < rows.Count();
                 i = view.GetNextSelected(i))
                fn(static_cast<std::size_t>(i));
        }
    };
    // A row never needs more UTF-16 units than it has bytes.
    std::size_t nUnits = 1;
    forEachSelected([&](std::size_t i) { nUnits += rows.Row(i).size() + 2; });
    if (nUnits > SIZE_MAX / sizeof(wchar_t))
        return nullptr;
    const HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, nUnits * sizeof(wchar_t));
    if (hText == nullptr)
        return nullptr;
    wchar_t* pText = static_cast<wchar_t*>(::GlobalLock(hText));
    std::size_t nAt = 0;
    forEachSelected([&](std::size_t i) {
        nAt += RowToWide(rows.Row(i), rows.CodeOf(i), pText + nAt, nUnits - 3 - nAt);
        pText[nAt++] = L'\r';
        pText[nAt++] = L'\n';
    });
    pText[nAt] = L'\0';
    ::GlobalUnlock(hText);
    return hText;
}

void CWindowForm::CopySelectedRows(ERowList list) {
    if (ListOf(list).GetSelectedCount() == 0)
        return;
    const HGLOBAL hText = SelectedText(list);
    if (hText == nullptr) {
        AfxMessageBox(texts::kOutOfMemory);
        return;
    }
    // Another program may hold the clipboard for a moment.
    bool bOpen = false;
    for (int nTry = 0; nTry < 5 && !(bOpen = ::OpenClipboard(m_dlg.m_hWnd) != FALSE); ++nTry)
        ::Sleep(20);
    // Emptied only once it is open, and the text is ready: a failure before leaves it as it was.
    const bool bCopied =
        bOpen && ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, hText) != nullptr;
    if (bOpen)
        ::CloseClipboard();
    if (!bCopied) {
        ::GlobalFree(hText); // the clipboard owns it only once it took it
        AfxMessageBox(texts::kCopyFailed);
    }
}
