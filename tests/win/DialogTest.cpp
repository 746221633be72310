#include "DialogHarness.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using Buttons = std::vector<bool>;
const std::wstring kConvertDone = L"データ変換&&ファイル保存完了";
const std::wstring kDedupDone = L"URL重複削除処理完了";

// The whole road of a conversion and of a duplicate adjustment, through the state table,
// down to the save file's bytes, with Shift-JIS rows read by the system's code page.
TEST(MainDialog, ConversionAndDuplicateAdjustment) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "out");
    const std::string strRow = "http://a.jp/\x83\x65\x83\x58\x83\x67/regist_pernad.cgi"; // テスト
    WriteBytes(dir / "urls.txt",
               strRow + "?mode=new\r\nhttp://b.jp/\r\n" + strRow + "?mode=new\r\n");
    CDialogHarness h;
    // The About item ends the system menu, after a separator, and opens a modal box.
    const HMENU hMenu = ::GetSystemMenu(h.Dlg(), FALSE);
    const int nItems = ::GetMenuItemCount(hMenu);
    EXPECT_EQ(::GetMenuState(hMenu, static_cast<UINT>(nItems - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    wchar_t szItem[128] = L"";
    ::GetMenuStringW(hMenu, static_cast<UINT>(nItems - 1), szItem, 128, MF_BYPOSITION);
    EXPECT_STREQ(szItem, L"Kelvane のﾊﾞｰｼﾞｮﾝ情報(&A)...");
    ::PostMessageW(h.Dlg(), WM_SYSCOMMAND, ::GetMenuItemID(hMenu, nItems - 1), 0);
    HWND hAbout = nullptr; // found as soon as it exists, shown once its controls are there
    ASSERT_TRUE(WaitUntil([&] {
        return ::IsWindowVisible(hAbout = ::FindWindowW(nullptr, L"Kelvaneのﾊﾞｰｼﾞｮﾝ情報"));
    }));
    EXPECT_EQ(::GetWindow(hAbout, GW_OWNER), h.Dlg());
    EXPECT_FALSE(::IsWindowEnabled(h.Dlg()));
    ::PostMessageW(hAbout, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(hAbout); }));
    EXPECT_TRUE(::IsWindowEnabled(h.Dlg()));
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(h.Dlg(), nullptr), &info);
    EXPECT_EQ(info.hwndFocus, h.Item(IDCANCEL));
    EXPECT_EQ(h.Text(IDC_MARKER), L"regist_pernad.cgi");
    EXPECT_FALSE(h.Enabled(IDC_MARKER));
    EXPECT_EQ(h.JobButtons(), (Buttons{false, false, false, false}));

    h.ChooseDataFile({}); // cancelled: nothing enabled
    EXPECT_EQ(h.JobButtons(), (Buttons{false, false, false, false}));
    h.ChooseDataFile(dir / "urls.txt");
    EXPECT_EQ(h.Text(IDC_DATA_PATH), (dir / "urls.txt").wstring());
    EXPECT_EQ(h.JobButtons(), (Buttons{true, false, false, false}));
    h.m_bFailThreads = true; // a worker that cannot start: the buttons are back
    h.Click(IDC_LOAD);
    EXPECT_EQ(h.TakeMessages(), BoxTexts{L"RECV THREAD CREATE ERROR!!"});
    EXPECT_EQ(h.JobButtons(), (Buttons{true, false, false, false}));
    EXPECT_TRUE(h.Enabled(IDCANCEL));
    h.m_bFailThreads = false;

    EXPECT_EQ(h.RunJob(IDC_LOAD), BoxTexts{L"データファイル読み込み完了"});
    EXPECT_EQ(h.JobButtons(), (Buttons{true, true, false, false}));
    ASSERT_EQ(h.ListCount(IDC_LIST_IN), 3);
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 2, 0), L"2");
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0), L"http://a.jp/テスト/regist_pernad.cgi?mode=new");

    h.ChooseFolder({}); // cancelled: the form is unchanged
    EXPECT_EQ(h.Text(IDC_DEST_PATH), L"");
    EXPECT_EQ(h.JobButtons(), (Buttons{true, true, false, false}));
    h.ChooseFolder(dir / "out");
    const auto target = dir / "out" / "urls.txt";
    EXPECT_EQ(h.Text(IDC_DEST_PATH), (dir / "out").wstring() + L"\\urls.txt");
    EXPECT_EQ(h.JobButtons(), (Buttons{true, true, true, true}));

    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{kConvertDone});
    EXPECT_EQ(ReadBytes(target), CrLf({strRow, strRow}));
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0), 2);

    // A conversion whose save fails, here against a file another program holds open, takes
    // back its rows: after two failures the next save writes the rows of one conversion.
    const HANDLE hHeld = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    for (int nTry = 0; nTry < 2; ++nTry) {
        EXPECT_EQ(h.RunJob(IDC_CONVERT),
                  BoxTexts{L"保存ファイルに書き込めませんでした。\n" + target.wstring()});
        EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    }
    ::CloseHandle(hHeld);
    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{kConvertDone});
    EXPECT_EQ(ReadBytes(target), CrLf({strRow, strRow, strRow, strRow}));

    EXPECT_EQ(h.RunJob(IDC_DEDUP), BoxTexts{kDedupDone});
    EXPECT_EQ(ReadBytes(target), CrLf({strRow + "?mode=new", "http://b.jp/"}));
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1), L"http://b.jp/");

    // A folder deeper than MAX_PATH is taken whole (LongPaths.* save into one).
    const auto deep = dir / std::string(150, 'a') / std::string(150, 'b');
    std::filesystem::create_directory(deep.parent_path());
    h.ChooseFolder(deep);
    EXPECT_EQ(h.Text(IDC_DEST_PATH), deep.wstring() + L"\\urls.txt");

    // An edited save path field is where the jobs write; an empty one stops them.
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), L"");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{L"保存先アドレスが未入力です。"});
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);

    h.Click(IDC_CLEAR);
    EXPECT_EQ(h.ListCount(IDC_LIST_IN) + h.ListCount(IDC_LIST_OUT), 0);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), L"");
    EXPECT_EQ(h.Text(IDC_MARKER), L"regist_pernad.cgi");
    EXPECT_EQ(h.JobButtons(), (Buttons{false, false, false, false}));
}

// The save path is not composed again when another data file is chosen, so it may still
// name an earlier one: a save over any data file chosen since the last Clear asks first.
// Until a load after a choice, or after a cancelled one, no job may save the rows of an
// earlier file, or none, under any name.
TEST(MainDialog, SavingOverAnyChosenDataFileAsksFirst) {
    const std::string strA = "a/regist_pernad.cgi?x\r\na/regist_pernad.cgi?x\r\n";
    CTempDir dir;
    std::filesystem::create_directory(dir / "F");
    std::filesystem::create_directory(dir / "G");
    WriteBytes(dir / "F" / "A.txt", strA);
    WriteBytes(dir / "G" / "B.txt", "b\r\n");
    CDialogHarness h;
    h.ChooseDataFile(dir / "F" / "A.txt");
    h.RunJob(IDC_LOAD);
    h.ChooseFolder(dir / "F");
    // The question names the file at risk, which need not be the one the data field shows.
    const BoxTexts kAsked{L"保存先がデータファイルと同じです。上書きしますか？\n" +
                          (dir / "F" / "A.txt").wstring()};
    EXPECT_EQ(h.RunJob(IDC_DEDUP), kAsked); // answered No
    for (const std::filesystem::path& choice : {std::filesystem::path(), dir / "G" / "B.txt"}) {
        h.ChooseDataFile(choice); // the first time cancelled
        for (int nButton : {IDC_DEDUP, IDC_CONVERT})
            EXPECT_EQ(h.RunJob(nButton), BoxTexts{L"データファイルが読み込まれていません。"})
                << choice;
        EXPECT_EQ(h.JobButtons(), (Buttons{true, true, true, true}));
    }
    h.ChooseDataFile(dir / "G" / "B.txt");
    h.RunJob(IDC_LOAD);
    for (int nButton : {IDC_DEDUP, IDC_CONVERT})
        EXPECT_EQ(h.RunJob(nButton), kAsked);
    EXPECT_EQ(ReadBytes(dir / "F" / "A.txt"), strA);
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 0);

    // Clear forgets A: a path typed into the field then is the user's own choice.
    h.Click(IDC_CLEAR);
    h.ChooseDataFile(dir / "G" / "B.txt");
    h.RunJob(IDC_LOAD);
    h.ChooseFolder(dir / "F"); // enables the jobs; the user then types another path
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), (dir / "F" / "A.txt").c_str());
    EXPECT_EQ(h.RunJob(IDC_DEDUP), BoxTexts{kDedupDone});
    EXPECT_EQ(ReadBytes(dir / "F" / "A.txt"), "b\r\n");
}

// An HDROP as Explorer builds one: DROPFILES followed by wide names, each ended by a
// NUL, the list ended by one more.
void Drop(const CDialogHarness& h, const std::vector<std::filesystem::path>& paths) {
    std::wstring names;
    for (const auto& path : paths)
        names += path.wstring() + L'\0';
    names += L'\0';
    const HGLOBAL hDrop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hDrop));
    *pDrop = DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::memcpy(pDrop + 1, names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(hDrop);
    h.Send(WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop));
}

// A shortcut as Explorer saves one, through the shell's own interface.
void MakeShortcut(const std::filesystem::path& shortcut, const std::filesystem::path& target) {
    const HRESULT hrInit = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* pLink = nullptr;
    IPersistFile* pFile = nullptr;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkW, reinterpret_cast<void**>(&pLink)));
    pLink->SetPath(target.c_str());
    pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile));
    EXPECT_HRESULT_SUCCEEDED(pFile->Save(shortcut.c_str(), TRUE));
    pFile->Release();
    pLink->Release();
    if (SUCCEEDED(hrInit))
        ::CoUninitialize();
}

// A file dropped from Explorer is chosen as "・・・" chooses it, and not loaded, a shortcut
// as the file it points to; UTF-8 rows then show decoded, each list by its rows' own code.
TEST(MainDialog, DroppedFilesAndUtf8Rows) {
    CTempDir dir;
    std::filesystem::create_directory(dir / L"フォルダ");
    const std::filesystem::path utf8 = dir / L"例 utf8.txt";
    WriteBytes(utf8, "\xEF\xBB\xBFh/\xE4\xBE\x8B/regist_pernad.cgi?x\r\n");
    // The second row's marker would start on the trail byte of ビ: that row has none.
    WriteBytes(dir / "sjis.txt", "h/\x97\xE1/regist_pernad.cgi?y\r\nh/\x83regist_pernad.cgi\r\n");
    CDialogHarness h;
    h.ChooseDataFile(dir / "sjis.txt");
    h.RunJob(IDC_LOAD);
    h.ChooseFolder(dir / L"フォルダ");
    h.RunJob(IDC_CONVERT);

    // A folder first, a shortcut to a folder, to nothing, or that is none, changes nothing.
    MakeShortcut(dir / "folder.lnk", dir / L"フォルダ");
    MakeShortcut(dir / "gone.lnk", dir / "gone.txt");
    WriteBytes(dir / "none.lnk", "not a shortcut");
    for (const wchar_t* pszFirst : {L"フォルダ", L"folder.lnk", L"gone.lnk", L"none.lnk"}) {
        Drop(h, {dir / pszFirst, utf8});
        EXPECT_EQ(h.Text(IDC_DATA_PATH), (dir / "sjis.txt").wstring()) << pszFirst;
    }

    // Of several files the first is taken; the save file is named after the shortcut's target.
    MakeShortcut(dir / L"ショートカット.LNK", utf8);
    Drop(h, {dir / L"ショートカット.LNK", dir / "sjis.txt"});
    EXPECT_EQ(h.ListCount(IDC_LIST_IN), 0);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), utf8.wstring());
    EXPECT_EQ(h.RunJob(IDC_LOAD), BoxTexts{L"データファイル読み込み完了 (UTF-8)"});
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0), L"h/例/regist_pernad.cgi?x");
    h.ChooseFolder(dir / L"フォルダ");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{kConvertDone});
    EXPECT_TRUE(std::filesystem::exists(dir / L"フォルダ" / L"例 utf8.txt"));
    // The first output row came from the Shift-JIS file, the second from the UTF-8 one.
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 0), L"h/例/regist_pernad.cgi");
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1), L"h/例/regist_pernad.cgi");
}

// Impatient clicking: random clicks on every button in every state, and every way of
// ending the dialog, and a drop, tried while jobs run. Nothing may crash or hang, no button may be
// usable out of turn, and the input list only ever holds whole loads of the data file.
TEST(Races, RandomClicksWhileJobsRun) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "out");
    constexpr int kLines = 20000;
    std::string strData;
    for (int i = 0; i < kLines; ++i)
        strData += "http://h" + std::to_string(i % 7000) +
                   ".jp/regist_pernad.cgi?n=" + std::to_string(i) + "\r\n";
    WriteBytes(dir / "urls.txt", strData);

    CDialogHarness h;
    h.m_openPath = dir / "urls.txt";
    h.m_folder = dir / "out";
    std::vector<int> kButtons{IDC_BROWSE_DATA, IDC_CLEAR};
    kButtons.insert(kButtons.end(), std::begin(CUrlToolDlg::kStepButtons),
                    std::end(CUrlToolDlg::kStepButtons));
    // Every job ends with a message box; holding it keeps the job running while the
    // dialog is tried.
    h.m_bHoldBoxes = true;
    std::mt19937 rng(7);
    int nJobs = 0;
    // A click as a person makes it: only on an enabled button. While a job runs, the
    // command of every button is sent anyway, as another program could.
    auto click = [&](int nId, bool bForce) {
        if (bForce || h.Enabled(nId))
            h.Send(WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(h.Item(nId)));
    };
    for (int nClick = 0; nClick < 400; ++nClick) {
        click(kButtons[rng() % std::size(kButtons)], false);
        // Clicks land while the job still works, too.
        for (int nMore = static_cast<int>(rng() % 3); nMore > 0; --nMore)
            click(kButtons[rng() % std::size(kButtons)], h.Dialog().IsJobRunning());
        if (!h.Dialog().IsJobRunning())
            continue;
        ASSERT_TRUE(h.WaitForBox()) << "the job shows no message box; click " << nClick;
        ++nJobs;
        for (int nButton : kButtons)
            click(nButton, true);
        click(IDCANCEL, true);
        Drop(h, {dir / "other.txt"}); // the input list is the job's
        ASSERT_EQ(h.Text(IDC_DATA_PATH), (dir / "urls.txt").wstring());
        h.Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        h.Send(WM_CLOSE);
        h.Send(WM_SYSCOMMAND, SC_CLOSE);
        ASSERT_TRUE(::IsWindow(h.Dlg())) << "the dialog ended under a running job";
        // Only the job itself may use the buttons now.
        for (int nButton : kButtons)
            ASSERT_FALSE(h.Enabled(nButton)) << nButton;
        h.ReleaseOne();
        h.WaitForJob();
    }
    EXPECT_GT(nJobs, 10);
    // Whole loads only: a load either appends every line or nothing.
    EXPECT_EQ(h.ListCount(IDC_LIST_IN) % kLines, 0);
    for (int nButton : {IDC_BROWSE_DATA, IDC_CLEAR, static_cast<int>(IDCANCEL)})
        EXPECT_TRUE(h.Enabled(nButton));
}

} // namespace
