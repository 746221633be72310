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

    // Runs the application; returning FALSE ends it without a message loop of its own.
    virtual BOOL InitInstance() = 0;

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();

// Starts Windows Sockets; false when it cannot be started.
bool AfxSocketInit();
// Lets the dialogs hold ActiveX controls: COM for this thread.
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
