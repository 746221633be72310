#pragma once
// A dialog built from a template, run modally. One dialog procedure finds the
// object and dispatches through the class's static message map: a table of
// {message, notification code, control id, handler}. No exception ever
// unwinds out of the dialog procedure into Windows.

#include "Wnd.h"

#include <cassert>
#include <cstddef>

class CDialog;

// Binds controls to members by id; there is no exchange of values.
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dlg) : m_dlg(dlg) {}
    CDialog& m_dlg;
};
void DDX_Control(CDataExchange* pDX, int nId, CWnd& control);

template <class T> struct SMessageMapEntry {
    UINT nMessage;           // a window message; WM_COMMAND or WM_NOTIFY with nCode and nId
    UINT nCode;              // BN_CLICKED, a notification code, or 0
    UINT nId;                // the control id, or 0
    void (T::*pfnCommand)(); // for WM_COMMAND entries
    LRESULT (T::*pfnMessage)(WPARAM, LPARAM); // for the others
    // For WM_COMMAND entries of any control (nId 0): takes the id, and says whether the
    // control was one it handles.
    bool (T::*pfnCommandOf)(UINT nId) = nullptr;
};

template <class T> constexpr SMessageMapEntry<T> OnClicked(UINT nId, void (T::*pfn)()) {
    return {WM_COMMAND, BN_CLICKED, nId, pfn, nullptr};
}
// A click on any button that pfn claims by its id: for a family of buttons kept in a table.
template <class T> constexpr SMessageMapEntry<T> OnClickedAny(bool (T::*pfn)(UINT nId)) {
    return {WM_COMMAND, BN_CLICKED, 0, nullptr, nullptr, pfn};
}
template <class T>
constexpr SMessageMapEntry<T> OnNotify(UINT nCode, UINT nId, LRESULT (T::*pfn)(WPARAM, LPARAM)) {
    return {WM_NOTIFY, nCode, nId, nullptr, pfn};
}
template <class T>
constexpr SMessageMapEntry<T> OnMessage(UINT nMessage, LRESULT (T::*pfn)(WPARAM, LPARAM)) {
    return {nMessage, 0, 0, nullptr, pfn};
}

class CDialog : public CWnd {
public:
    CDialog(UINT nIdTemplate, CWnd* pParent) : m_nIdTemplate(nIdTemplate), m_pParent(pParent) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until it ends: what EndDialog was given, or -1 when the dialog could
    // not be made, as DialogBoxParamW returns it. Not while the dialog already runs.
    INT_PTR DoModal();
    // Only while the dialog runs.
    void EndDialog(int nResult) {
        assert(m_hWnd != nullptr);
        ::EndDialog(m_hWnd, nResult);
    }
    void UpdateData(bool bSaveAndValidate);

protected:
    // ---- override points ----
    // Override: runs when the dialog's controls exist, before it shows; the base binds the
    // controls (DoDataExchange). TRUE gives the focus to the first control that takes it.
    virtual BOOL OnInitDialog();
    // Override: binds controls to members with DDX_Control.
    virtual void DoDataExchange(CDataExchange*) {}
    // Override: Enter, and the OK button; the base ends the dialog. Enter in an edit field or
    // a list ends the main dialog too (docs/BEHAVIOUR.md).
    virtual void OnOK() { EndDialog(IDOK); }
    // Override: Escape, the close box and the Cancel button; the base ends the dialog.
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Override: the message-map accessor, true when the class's map handled the message.
    virtual bool OnWndMsg(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    // Called from a handler: the dialog manager's own processing follows the handler.
    void Default() { m_bDefault = true; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nIdTemplate;
    CWnd* m_pParent;
    bool m_bDefault = false;
};

// Finds the message in a class's map and runs its handler; true when one ran.
template <class T, std::size_t N>
bool Dispatch(T* pThis, const SMessageMapEntry<T> (&map)[N], UINT nMsg, WPARAM wParam,
              LPARAM lParam, LRESULT& lResult) {
    for (const SMessageMapEntry<T>& entry : map) {
        if (entry.nMessage != nMsg)
            continue;
        assert((nMsg == WM_COMMAND
                    ? (entry.pfnCommand != nullptr) != (entry.pfnCommandOf != nullptr)
                    : entry.pfnMessage != nullptr) &&
               "a map entry without the handler its message needs");
        if (nMsg == WM_COMMAND && entry.pfnCommandOf != nullptr) {
            if (HIWORD(wParam) == entry.nCode && (pThis->*entry.pfnCommandOf)(LOWORD(wParam))) {
                lResult = 0;
                return true;
            }
        } else if (nMsg == WM_COMMAND) {
            if (HIWORD(wParam) == entry.nCode && LOWORD(wParam) == entry.nId) {
                (pThis->*entry.pfnCommand)();
                lResult = 0;
                return true;
            }
        } else if (nMsg == WM_NOTIFY) {
            const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
            if (pHeader->code == entry.nCode && pHeader->idFrom == entry.nId) {
                lResult = (pThis->*entry.pfnMessage)(wParam, lParam);
                return true;
            }
        } else {
            lResult = (pThis->*entry.pfnMessage)(wParam, lParam);
            return true;
        }
    }
    return false;
}
