#pragma once
// Thin wrappers over window handles: one line per message the tool uses.

#include <windows.h>

#include <commctrl.h>

#include <string>

class CWnd {
public:
    HWND m_hWnd = nullptr;

    LRESULT SendMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, nMsg, wParam, lParam);
    }
    void PostMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        ::PostMessageW(m_hWnd, nMsg, wParam, lParam);
    }
    HWND GetDlgItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    void EnableDlgItem(int nId, bool bEnable) const {
        ::EnableWindow(GetDlgItem(nId), bEnable ? TRUE : FALSE);
    }
    void SetDlgItemText(int nId, const std::wstring& str) const {
        ::SetDlgItemTextW(m_hWnd, nId, str.c_str());
    }
    // From any thread: the text is fetched by a message to the control's own thread.
    std::wstring GetDlgItemText(int nId) const;
    // The dots per inch of the display the window is on; the system's where the system
    // cannot tell one display from another.
    UINT GetDpi() const;
};

class CListCtrl : public CWnd {
public:
    void InsertColumn(int nCol, const wchar_t* pszHeading, int nWidth) const;
    void SetExtendedStyle(DWORD dwStyle) const {
        SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwStyle);
    }
    // A virtual list's row count; the rows' texts are asked for as they are drawn.
    void SetItemCount(std::size_t nCount) const {
        SendMessage(LVM_SETITEMCOUNT, nCount, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    std::size_t GetItemCount() const {
        return static_cast<std::size_t>(SendMessage(LVM_GETITEMCOUNT));
    }
    int GetColumnWidth(int nCol) const {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nCol)));
    }
    void SetColumnWidth(int nCol, int nWidth) const {
        SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nCol), MAKELPARAM(nWidth, 0));
    }
    // The width of a text in the list's font.
    int GetStringWidth(const std::wstring& str) const {
        return static_cast<int>(
            SendMessage(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(str.c_str())));
    }
    std::size_t GetSelectedCount() const {
        return static_cast<std::size_t>(SendMessage(LVM_GETSELECTEDCOUNT));
    }
    // The first selected row after nItem (-1: from the start), or -1.
    int GetNextSelected(int nItem) const {
        return static_cast<int>(
            SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), LVNI_SELECTED));
    }
    void SelectAll() const {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    }
    void EnsureVisible(int nItem, bool bPartialOk) const {
        SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(nItem), bPartialOk ? TRUE : FALSE);
    }
};

class CProgressCtrl : public CWnd {
public:
    void SetPos(int nPos) const { SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos)); }
    void SetRange32(int nLower, int nUpper) const {
        SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper);
    }
};
