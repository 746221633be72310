#pragma once
// The application object, the message box and the worker threads: the pieces
// of an application framework that the tool uses, and no more.

#include "Wnd.h"

#include <string_view>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Override: runs the application; returning FALSE ends it without a message loop of its own.
    virtual BOOL InitInstance() = 0;

    CWnd* m_pMainWnd = nullptr;
    // What the process returns when InitInstance has ended: 0, or 1 when the application
    // could not run.
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();

// Starts Windows Sockets; false when it cannot be started.
bool AfxSocketInit();
// COM (OLE) for the dialog's thread, for the whole run: the folder dialog and the reading of
// dropped shortcuts need it.
void AfxEnableControlContainer();

// A modal box owned by the main window, shown on the calling thread, which waits.
int AfxMessageBox(std::string_view strUtf8, UINT nType = MB_OK);
int AfxMessageBox(UINT nIdString, UINT nType = MB_OK);
std::wstring AfxLoadString(UINT nId);

using AFX_THREADPROC = UINT (*)(LPVOID);

// A worker thread; it deletes itself when its entry returns.
class CWinThread {
public:
    HANDLE m_hThread = nullptr;
    bool m_bAutoDelete = true;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
};

// Creates a thread for pfn(pParam); null when none could be created.
CWinThread* AfxBeginThread(AFX_THREADPROC pfn, LPVOID pParam, int nPriority = 0,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES pSecurity = nullptr);
