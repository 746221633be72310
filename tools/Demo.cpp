// Shows the real dialog at work for scripts/screenshot, which photographs it for the
// README: first the load's own message box over the window, then the window with the
// data file loaded and converted.
// usage: kelvane_demo DATA FOLDER
// At each of the two moments the demo writes a line, "message" or "window" and the
// window's place on the screen (x y width height), and goes on when it reads a line:
// the photographer, not a guessed delay, decides when the picture is taken.

#include "DialogHarness.h"

#include "res/resource.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {
void Announce(HWND hDlg, const char* pszMoment) {
    RECT rc{};
    ::GetWindowRect(hDlg, &rc);
    std::printf("%s %ld %ld %ld %ld\n", pszMoment, rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    CDialogHarness h;
    // Wine puts a message box in the middle of the screen; so goes the window, under it.
    RECT rc{};
    ::GetWindowRect(h.Dlg(), &rc);
    ::SetWindowPos(h.Dlg(), nullptr, (::GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);

    // The system's own box for the load, as the user sees it.
    const auto pfnAnswerBox = UiSeams().pfnMessageBox;
    UiSeams().pfnMessageBox = ::MessageBoxW;
    h.ChooseDataFile(argv[1]);
    h.Click(IDC_LOAD);
    HWND hBox = nullptr;
    WaitUntil([&] {
        hBox = ::FindWindowW(L"#32770", L"Kelvane"); // a message box's class, the tool's title
        return hBox != nullptr && ::IsWindowVisible(hBox);
    });
    ::Sleep(500); // the box and the lists behind it draw after it shows
    Announce(h.Dlg(), "message");
    ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    h.WaitForJob();
    UiSeams().pfnMessageBox = pfnAnswerBox;

    // The box gives the focus back to the data path with all of it selected.
    ::SendMessageW(h.Item(IDC_DATA_PATH), EM_SETSEL, 0, 0);
    ::SendMessageW(h.Item(IDC_DATA_PATH), EM_SCROLLCARET, 0, 0);
    h.m_folder = argv[2];
    h.Click(IDC_BROWSE_DEST);
    h.Click(IDC_CONVERT);
    h.WaitForJob();
    ::Sleep(500); // the lists catch up with their rows five times a second
    Announce(h.Dlg(), "window");
    return 0;
}
