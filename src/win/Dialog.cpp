#include "Dialog.h"

#include "App.h"

void DDX_Control(CDataExchange* pDX, int nId, CWnd& control) {
    control.m_hWnd = pDX->m_dlg.GetDlgItem(nId);
    assert(control.m_hWnd != nullptr && "no control of that id in the template");
}

INT_PTR CDialog::DoModal() {
    assert(m_hWnd == nullptr && "the dialog runs already");
    // Without a parent of its own a dialog is modal to the main window, as the About box is.
    CWnd* pOwner = m_pParent != nullptr ? m_pParent : AfxGetMainWnd();
    const HWND hParent = pOwner != nullptr && pOwner != this ? pOwner->m_hWnd : nullptr;
    const INT_PTR nResult =
        ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIdTemplate), hParent,
                          DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return nResult;
}

void CDialog::UpdateData(bool bSaveAndValidate) {
    (void)bSaveAndValidate; // controls are bound, never values
    CDataExchange dx(*this);
    DoDataExchange(&dx);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CDialog* pThis = nullptr;
    if (nMsg == WM_INITDIALOG) {
        pThis = reinterpret_cast<CDialog*>(lParam);
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    } else {
        pThis = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (pThis == nullptr)
        return FALSE;
    try {
        return pThis->HandleMessage(nMsg, wParam, lParam);
    } catch (...) {
        // A handler that failed leaves the message to the dialog manager.
        return FALSE;
    }
}

namespace {
// A dialog procedure returns its result in DWLP_MSGRESULT, but for these messages, whose
// result the dialog manager takes from the procedure's own return value.
bool ReturnsDirectly(UINT nMsg) {
    switch (nMsg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}
} // namespace

INT_PTR CDialog::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG)
        return OnInitDialog();
    m_bDefault = false;
    LRESULT lResult = 0;
    if (OnWndMsg(nMsg, wParam, lParam, lResult)) {
        if (m_bDefault)
            return FALSE;
        if (ReturnsDirectly(nMsg))
            return static_cast<INT_PTR>(lResult);
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
    if (nMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
