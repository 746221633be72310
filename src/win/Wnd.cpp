#include "Wnd.h"

std::wstring CWnd::GetDlgItemText(int nId) const {
    const HWND hItem = GetDlgItem(nId);
    const int nLength = ::GetWindowTextLengthW(hItem);
    std::wstring str(static_cast<std::size_t>(nLength) + 1, L'\0');
    const int nCopied = ::GetWindowTextW(hItem, str.data(), nLength + 1);
    str.resize(static_cast<std::size_t>(nCopied > 0 ? nCopied : 0));
    return str;
}

void CListCtrl::InsertColumn(int nCol, const wchar_t* pszHeading, int nWidth) const {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = nWidth;
    column.pszText = const_cast<wchar_t*>(pszHeading);
    SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column));
}
