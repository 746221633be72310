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

UINT CWnd::GetDpi() const {
    // Windows 10 1607 and later know each window's display; older ones have one DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pfnGetDpiForWindow =
        reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (pfnGetDpiForWindow != nullptr)
        if (const UINT nDpi = pfnGetDpiForWindow(m_hWnd); nDpi != 0)
            return nDpi;
    const HDC hdc = ::GetDC(m_hWnd);
    const int nDpi = ::GetDeviceCaps(hdc, LOGPIXELSX);
    ::ReleaseDC(m_hWnd, hdc);
    return nDpi > 0 ? static_cast<UINT>(nDpi) : 96;
}
