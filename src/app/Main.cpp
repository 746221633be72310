// Start-up: the one application object, and the entry that runs it.

#include "UrlToolApp.h"

#include <commctrl.h>

namespace {
CUrlToolApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&controls);
    AfxGetApp()->InitInstance();
    return AfxGetApp()->m_nExitCode;
}
