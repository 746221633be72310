#include "UrlToolApp.h"

#include "res/resource.h"
#include "ui/UrlToolDlg.h"

BOOL CUrlToolApp::InitInstance() {
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKETS_INIT_FAILED, MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();

    CUrlToolDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
