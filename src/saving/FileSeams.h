#pragma once
// The file calls that put a saved file in place. The product uses the system's
// own; the Windows tests put failing ones here to reach the steps that real
// disks fail only rarely.

#include <windows.h>

struct SFileSeams {
    BOOL(WINAPI* pfnReplaceFile)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
    BOOL(WINAPI* pfnMoveFileEx)(LPCWSTR, LPCWSTR, DWORD);
    BOOL(WINAPI* pfnDeleteFile)(LPCWSTR);
};

SFileSeams& FileSeams();
