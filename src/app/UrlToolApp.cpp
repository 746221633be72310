#include "UrlToolApp.h"

#include "res/resource.h"
#include "ui/UrlToolDlg.h"

#include <shellapi.h>

BOOL CUrlToolApp::InitInstance() {
    // Started though never used (docs/BEHAVIOUR.md).
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKETS_INIT_FAILED, MB_OK);
        m_nExitCode = 1;
        return FALSE;
    }
    AfxEnableControlContainer();

    CUrlToolDlg dlg;
    // Explorer passes a file dropped on the icon, or sent to it, as the first argument.
    int nArgs = 0;
    if (LPWSTR* ppArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs)) {
        if (nArgs >= 2)
            dlg.SetStartPath(ppArgs[1]);
        ::LocalFree(ppArgs);
    }
    m_pMainWnd = &dlg;
    // -1: the dialog could not be made (its template missing, or the system out of memory);
    // the process then says it did not run. The dialog's own result means nothing.
    if (dlg.DoModal() == -1)
        m_nExitCode = 1;
    m_pMainWnd = nullptr;
    return FALSE;
}
