// Shows the real dialog with a data file loaded and converted, and holds it
// for a while: scripts/screenshot photographs it for the README.
// usage: kelvane_demo DATA FOLDER SECONDS

#include "DialogHarness.h"

#include "res/resource.h"

#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4)
        return 2;
    CDialogHarness h;
    h.m_folder = argv[2];
    h.ChooseDataFile(argv[1]);
    h.Click(IDC_LOAD);
    h.WaitForJob();
    h.Click(IDC_BROWSE_DEST);
    h.Click(IDC_CONVERT);
    h.WaitForJob();
    ::Sleep(static_cast<DWORD>(std::wcstol(argv[3], nullptr, 10)) * 1000);
    return 0;
}
