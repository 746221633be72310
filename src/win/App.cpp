#include "App.h"

#include "Seams.h"
#include "text/WideText.h"

#include <objbase.h>
#include <winsock2.h>

namespace {
CWinApp* g_pApp = nullptr;

DWORD WINAPI ThreadEntry(LPVOID pvThread) {
    CWinThread* pThread = static_cast<CWinThread*>(pvThread);
    const UINT nResult = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
    if (pThread->m_bAutoDelete) {
        ::CloseHandle(pThread->m_hThread);
        delete pThread;
    }
    return nResult;
}
} // namespace

CWinApp::CWinApp() {
    g_pApp = this;
}
CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}
CWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}
HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleW(nullptr);
}

bool AfxSocketInit() {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void AfxEnableControlContainer() {
    ::OleInitialize(nullptr);
}

std::wstring AfxLoadString(UINT nId) {
    const wchar_t* pszText = nullptr;
    const int nLength =
        ::LoadStringW(AfxGetResourceHandle(), nId, reinterpret_cast<LPWSTR>(&pszText), 0);
    return nLength > 0 ? std::wstring(pszText, static_cast<std::size_t>(nLength)) : std::wstring();
}

namespace {
int ShowBox(const std::wstring& text, UINT nType) {
    CWnd* pMain = AfxGetMainWnd();
    return UiSeams().pfnMessageBox(pMain != nullptr ? pMain->m_hWnd : nullptr, text.c_str(),
                                   L"Kelvane", nType);
}
} // namespace

int AfxMessageBox(std::string_view strUtf8, UINT nType) {
    return ShowBox(Utf8ToWide(strUtf8), nType);
}
int AfxMessageBox(UINT nIdString, UINT nType) {
    return ShowBox(AfxLoadString(nIdString), nType);
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfn, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES pSecurity) {
    CWinThread* pThread = new CWinThread;
    pThread->m_pfnThreadProc = pfn;
    pThread->m_pThreadParams = pParam;
    pThread->m_hThread = UiSeams().pfnCreateThread(pSecurity, nStackSize, ThreadEntry, pThread,
                                                   CREATE_SUSPENDED, nullptr);
    if (pThread->m_hThread == nullptr) {
        delete pThread;
        return nullptr;
    }
    ::SetThreadPriority(pThread->m_hThread, nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ::ResumeThread(pThread->m_hThread);
    return pThread;
}
