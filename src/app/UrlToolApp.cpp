#include "UrlToolApp.h"

#include "res/resource.h"
#include "ui/UrlToolDlg.h"

#include <shellapi.h>

BOOL CUrlToolApp::InitInstance() {
    // Started though never used (docs/BEHAVIOUR.md).
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKETS_INIT_FAILED, MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();

    CUrlToolDlg dlg;
    // Explorer passes a file dropped on the icon, or sent to it, as the first argument.
    int nArgs = 0;
    if (LPWSTR* ppArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs)) {
        if (nArgs >= 2)
            dlg.m_strStartPath = ppArgs[1];
        ::LocalFree(ppArgs);
    }
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
