// The built exes started as a desktop or a console starts them: Kelvane.exe driven through
// its window, kelvane-cli.exe with Japanese names and a pipe; and their manifests.
#include "../core/TestUtil.h"
#include "res/resource.h"
#include "text/WideText.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// Starts "exe" args in the folder, its standard output and error going to hOut. The exe is
// one of the build, a Unix path, as Wine's drive Z: names it.
PROCESS_INFORMATION Start(const char* pszExe, const std::wstring& args,
                          const std::filesystem::path& folder, HANDLE hOut = nullptr) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (hOut != nullptr) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = hOut;
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi{};
    std::wstring cmd =
        L"\"Z:" + std::filesystem::path(pszExe).make_preferred().wstring() + L"\" " + args;
    EXPECT_TRUE(::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, hOut != nullptr, 0, nullptr,
                                 folder.c_str(), &si, &pi));
    return pi;
}

DWORD EndOf(PROCESS_INFORMATION& pi) {
    DWORD dwExit = 999;
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::GetExitCodeProcess(pi.hProcess, &dwExit);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    return dwExit;
}

// Kelvane.exe plain, and with a data file named on its command line (as Explorer passes a
// file dropped on its icon), chosen as a drop chooses it; each run ends with 0.
TEST(Exe, KelvaneStartsWithAndWithoutADataFile) {
    CTempDir dir;
    const std::filesystem::path data = dir.Path() / L"例 utf8.txt";
    WriteBytes(data, "h/\xE4\xBE\x8B/regist_pernad.cgi\r\n");
    for (const std::wstring arg : {L"", L"\"例 utf8.txt\""}) { // named in the folder it starts in
        PROCESS_INFORMATION pi = Start(KELVANE_EXE, arg, dir.Path());
        HWND hWnd = nullptr; // found as soon as it exists, shown once it is initialised
        ASSERT_TRUE(WaitUntil([&] {
            return ::IsWindowVisible(
                hWnd = ::FindWindowW(L"#32770", L"ペルナード新規登録URL調整ツール"));
        }));
        wchar_t szData[1024] = L"";
        ::GetDlgItemTextW(hWnd, IDC_DATA_PATH, szData, 1024);
        EXPECT_EQ(std::wstring(szData), arg.empty() ? arg : data.wstring());
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(hWnd, IDC_LOAD)) != FALSE, !arg.empty());
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(EndOf(pi), 0u);
    }
}

// Runs kelvane-cli.exe with the arguments in the folder; its exit code and output bytes.
std::pair<DWORD, std::string> RunCli(const std::wstring& args,
                                     const std::filesystem::path& folder) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    EXPECT_TRUE(::CreatePipe(&hRead, &hWrite, &sa, 0));
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION pi = Start(KELVANE_CLI_EXE, args, folder, hWrite);
    ::CloseHandle(hWrite);
    std::string out;
    char buffer[4096];
    DWORD dwRead = 0;
    while (::ReadFile(hRead, buffer, sizeof buffer, &dwRead, nullptr) && dwRead > 0)
        out.append(buffer, dwRead);
    ::CloseHandle(hRead);
    return {EndOf(pi), out};
}

// Names reach the exe through the wide command line; messages reach a pipe in the
// console's code page, and without a console in the ANSI code page: 932 on a Japanese
// system, also where the system's own is UTF-8.
TEST(Exe, CliWithJapaneseFileFolderAndMarkerNames) {
    CTempDir dir;
    const std::filesystem::path folder = dir.Path() / L"作業";
    std::filesystem::create_directories(folder / L"出力");
    const std::string strRei = WideToCodePage(932, L"例");
    WriteBytes(folder / L"データ.txt", "a/" + strRei + "/regist_pernad.cgi?x\r\nb\r\nb\r\n");
    const struct {
        const wchar_t* pszArgs;
        DWORD dwExit;
        const wchar_t* pszSaved; // inside the folder
        std::string bytes;
        const wchar_t* pszSaid;
    } cases[] = {
        {L"trim データ.txt 出力\\例.txt --marker 例", 0, L"出力\\例.txt", "a/" + strRei + "\r\n",
         L"データ変換&&ファイル保存完了"},
        {L"trim ないファイル.txt 出力", 1, L"出力\\ないファイル.txt", "", L"ないファイル.txt"},
    };
    for (const auto& c : cases) {
        const auto [dwExit, out] = RunCli(c.pszArgs, folder);
        EXPECT_EQ(dwExit, c.dwExit) << out;
        EXPECT_EQ(ReadBytes(folder / c.pszSaved), c.bytes);
        if (PRIMARYLANGID(::GetSystemDefaultLangID()) == LANG_JAPANESE) {
            const UINT nRead = ::GetConsoleOutputCP() != 0 ? ::GetConsoleOutputCP() : 932;
            EXPECT_NE(out.find(WideToCodePage(nRead, c.pszSaid)), std::string::npos) << out;
        }
    }
}

// The manifest Windows reads from an exe's resources when it starts it.
std::string ManifestOf(const char* pszExe) {
    const std::wstring path = L"Z:" + std::filesystem::path(pszExe).make_preferred().wstring();
    const HMODULE hExe = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC hFound = ::FindResourceW(hExe, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    std::string manifest;
    if (hFound != nullptr)
        manifest.assign(static_cast<const char*>(::LockResource(::LoadResource(hExe, hFound))),
                        ::SizeofResource(hExe, hFound));
    ::FreeLibrary(hExe);
    return manifest;
}

// Both exes are made for Windows 7 to 11, so that Windows gives them those systems'
// behaviours rather than the ones it keeps for older programs, and take paths of any length.
TEST(Exe, ManifestsNameTheSystemsAndSettings) {
    for (const char* pszExe : {KELVANE_EXE, KELVANE_CLI_EXE}) {
        const std::string manifest = ManifestOf(pszExe);
        for (const char* pszId : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                                  "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
                                  "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                                  "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) // 10 and 11
            EXPECT_NE(manifest.find(pszId), std::string::npos) << pszExe << " " << pszId;
        EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos) << pszExe;
    }
    EXPECT_NE(ManifestOf(KELVANE_EXE).find(">PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos);
#ifdef KELVANE_ACP_UTF8
    // So that none of its tests passes in another state than the UTF-8 option's:
    EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
    EXPECT_NE(ManifestOf(KELVANE_CLI_EXE).find(">UTF-8</activeCodePage>"), std::string::npos);
#endif
}

} // namespace
