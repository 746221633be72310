// Starts the real Kelvane.exe and drives it from outside, as a user's desktop
// would: plain, and with a data file named on its command line (what Explorer
// passes for a file dropped on the icon), loaded to its completion message.
// Each run must end with exit code 0.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

int g_nPassed = 0;
int g_nFailed = 0;

void Check(bool bOk, const char* pszWhat, const std::wstring& detail = L"") {
    if (bOk) {
        ++g_nPassed;
    } else {
        ++g_nFailed;
        std::printf("FAIL: %s %ls\n", pszWhat, detail.c_str());
    }
}

template <typename Find> HWND WaitFor(Find find) {
    for (int i = 0; i < 400; ++i) {
        if (const HWND hWnd = find())
            return hWnd;
        Sleep(50);
    }
    return nullptr;
}

struct SFind {
    HWND hOwner;
    HWND hBox;
};

BOOL CALLBACK FindBoxOf(HWND hWnd, LPARAM lParam) {
    auto& f = *reinterpret_cast<SFind*>(lParam);
    wchar_t szClass[16] = L"";
    GetClassNameW(hWnd, szClass, 16);
    if (GetWindow(hWnd, GW_OWNER) == f.hOwner && std::wstring(szClass) == L"#32770" &&
        IsWindowVisible(hWnd)) {
        f.hBox = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK KeepLongestStatic(HWND hWnd, LPARAM lParam) {
    wchar_t szClass[16] = L"";
    GetClassNameW(hWnd, szClass, 16);
    wchar_t szText[1024] = L"";
    GetWindowTextW(hWnd, szText, 1024);
    auto& longest = *reinterpret_cast<std::wstring*>(lParam);
    if (std::wstring(szClass) == L"Static" && wcslen(szText) > longest.size())
        longest = szText;
    return TRUE;
}

// The message box the window shows, and its text.
HWND FindBox(HWND hOwner) {
    SFind find{hOwner, nullptr};
    EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&find));
    return find.hBox;
}

std::wstring BoxText(HWND hBox) {
    std::wstring text;
    EnumChildWindows(hBox, KeepLongestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

// Runs Kelvane.exe with args; with a data file, clicks "読み込み" and returns the message.
void RunOnce(const std::wstring& exe, const std::wstring& dataFile, const std::wstring& loaded) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!dataFile.empty())
        cmd += L" \"" + dataFile + L"\"";
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        Check(false, "cannot start Kelvane.exe");
        return;
    }
    // The window is found as soon as it exists; it is shown once it is initialised.
    const HWND hWnd = WaitFor([] {
        const HWND h = FindWindowW(nullptr, L"ペルナード新規登録URL調整ツール");
        return h != nullptr && IsWindowVisible(h) ? h : nullptr;
    });
    Check(hWnd != nullptr, "no window");
    if (hWnd == nullptr) {
        TerminateProcess(pi.hProcess, 1);
        return;
    }
    wchar_t szClass[64] = L"";
    GetClassNameW(hWnd, szClass, 64);
    Check(std::wstring(szClass) == L"#32770", "the window is not the tool's dialog", szClass);
    if (!dataFile.empty()) {
        wchar_t szPath[1024] = L"";
        GetDlgItemTextW(hWnd, 1002, szPath, 1024);
        Check(szPath == dataFile, "the data path field does not show the argument", szPath);
        Check(IsWindowEnabled(GetDlgItem(hWnd, 1001)) != FALSE, "読み込み is not enabled");
        PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
        const HWND hBox = WaitFor([&] { return FindBox(hWnd); });
        const std::wstring said = hBox != nullptr ? BoxText(hBox) : L"(no box)";
        Check(said == loaded, "the load said something else:", said);
        if (hBox != nullptr)
            PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        WaitFor([&] { return IsWindowEnabled(GetDlgItem(hWnd, IDCANCEL)) ? hWnd : nullptr; });
    }
    PostMessageW(hWnd, WM_CLOSE, 0, 0);
    DWORD dwExit = 1;
    Check(WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(pi.hProcess, &dwExit) && dwExit == 0,
          "Kelvane.exe did not end with exit code 0");
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

void Write(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    std::wstring exe = argv[1];
    if (!exe.empty() && exe[0] == L'/') { // a Unix path, as CTest passes it under Wine
        for (wchar_t& c : exe)
            if (c == L'/')
                c = L'\\';
        exe = L"Z:" + exe;
    }
    wchar_t szTemp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, szTemp);
    const std::wstring dir =
        std::wstring(szTemp) + L"kelvane smoke " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring sjis = dir + L"例 sjis.txt";
    const std::wstring utf8 = dir + L"例 utf8.txt";
    const std::wstring bom = dir + L"例 bom.txt";
    const std::wstring utf16 = dir + L"例 utf16.txt";
    Write(sjis, "h/\x97\xE1/regist_pernad.cgi\r\n");
    Write(utf8, "h/\xE4\xBE\x8B/regist_pernad.cgi\r\n");
    Write(bom, "\xEF\xBB\xBFh/regist_pernad.cgi\r\n");
    Write(utf16, std::string("\xFF\xFEh\0\r\0\n\0", 8));

    RunOnce(exe, L"", L"");
    RunOnce(exe, sjis, L"データファイル読み込み完了");
    RunOnce(exe, utf8, L"データファイル読み込み完了 (UTF-8)");
    RunOnce(exe, bom, L"データファイル読み込み完了 (UTF-8)");
    RunOnce(exe, utf16, L"データファイルの文字コード (UTF-16) には対応していません。\n" + utf16);

    for (const std::wstring& file : {sjis, utf8, bom, utf16})
        DeleteFileW(file.c_str());
    RemoveDirectoryW(dir.c_str());
    std::printf("%d passed, %d failed\n", g_nPassed, g_nFailed);
    return g_nFailed == 0 ? 0 : 1;
}
