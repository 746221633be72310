#pragma once
// The few places where the tool waits for a person (a box, a dialog, a menu),
// asks the shell for a folder's path or asks the system for a thread. The product uses the system's
// own functions; the Windows tests put their own answers here before they
// drive the dialog.

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

struct SUiSeams {
    int(WINAPI* pfnMessageBox)(HWND hOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType);
    BOOL(WINAPI* pfnGetOpenFileName)(LPOPENFILENAMEW pOfn);
    PIDLIST_ABSOLUTE(WINAPI* pfnBrowseForFolder)(LPBROWSEINFOW pInfo);
    HRESULT(WINAPI* pfnGetNameFromIDList)(PCIDLIST_ABSOLUTE pidl, SIGDN nName, PWSTR* ppszName);
    HANDLE(WINAPI* pfnCreateThread)
    (LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
    BOOL(WINAPI* pfnTrackPopupMenu)
    (HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* pRect);
};

SUiSeams& UiSeams();
