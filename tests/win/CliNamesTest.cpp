// kelvane-cli.exe with Japanese file and folder names and a Japanese marker,
// started through a wide command line as Explorer or a console would start it.
#include "../core/TestUtil.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The exe under test: a Unix path from the build, as Wine's drive Z: names it.
std::wstring CliExe() {
    std::wstring exe;
    for (const char* p = KELVANE_CLI_EXE; *p != '\0'; ++p)
        exe += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return exe[0] == L'\\' ? L"Z:" + exe : exe;
}

struct SRun {
    DWORD dwExit = 999;
    std::string out; // standard output, as bytes
};

// Runs kelvane-cli.exe with the arguments in the folder, capturing standard output.
SRun RunCli(const std::wstring& args, const std::filesystem::path& folder) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    SRun run;
    if (!::CreatePipe(&hRead, &hWrite, &sa, 0))
        return run;
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + CliExe() + L"\" " + args;
    const BOOL bStarted = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                           folder.c_str(), &si, &pi);
    ::CloseHandle(hWrite);
    if (bStarted) {
        char buffer[4096];
        DWORD dwRead = 0;
        while (::ReadFile(hRead, buffer, sizeof buffer, &dwRead, nullptr) && dwRead > 0)
            run.out.append(buffer, dwRead);
        ::WaitForSingleObject(pi.hProcess, 30000);
        ::GetExitCodeProcess(pi.hProcess, &run.dwExit);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    ::CloseHandle(hRead);
    return run;
}

std::string Cp932(const std::wstring& text) {
    std::string out(text.size() * 2, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

TEST(CliNames, JapaneseFileFolderAndMarkerNames) {
    CTempDir dir;
    const std::filesystem::path folder = dir.Path() / L"作業";
    std::filesystem::create_directories(folder / L"出力");
    const std::string strRei = Cp932(L"例");
    WriteBytes(folder / L"データ.txt", "a/" + strRei + "/regist_pernad.cgi?x\r\nb\r\nb\r\n");
    const struct {
        const wchar_t* pszArgs;
        const wchar_t* pszSaved; // inside the folder
        std::string bytes;
        const wchar_t* pszSaid;
    } cases[] = {
        {L"trim データ.txt 出力\\出力.txt", L"出力\\出力.txt",
         "a/" + strRei + "/regist_pernad.cgi\r\n", L"データ変換&&ファイル保存完了"},
        {L"dedup \"データ.txt\" 出力", L"出力\\データ.txt",
         "a/" + strRei + "/regist_pernad.cgi?x\r\nb\r\n", L"URL重複削除処理完了"},
        {L"trim データ.txt 出力\\例.txt --marker 例", L"出力\\例.txt", "a/" + strRei + "\r\n",
         L"データ変換&&ファイル保存完了"},
    };
    for (const auto& c : cases) {
        const SRun run = RunCli(c.pszArgs, folder);
        EXPECT_EQ(run.dwExit, 0u) << run.out;
        EXPECT_EQ(ReadBytes(folder / c.pszSaved), c.bytes);
        // Messages reach a pipe in the console's code page, 932 under the Japanese locale.
        if (::GetACP() == 932) {
            EXPECT_NE(run.out.find(Cp932(c.pszSaid)), std::string::npos) << run.out;
        }
    }
    const SRun missing = RunCli(L"trim ないファイル.txt 出力", folder);
    EXPECT_EQ(missing.dwExit, 1u);
    if (::GetACP() == 932) {
        EXPECT_NE(missing.out.find(Cp932(L"ないファイル.txt")), std::string::npos) << missing.out;
    }
}

} // namespace
