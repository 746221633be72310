#include "DialogHarness.h"

#include "../core/TestUtil.h"
#include "res/resource.h"
#include "win/Text.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Messages = std::vector<std::wstring>;
const std::wstring kLoadDone = L"データファイル読み込み完了";
const std::wstring kConvertDone = L"データ変換&&ファイル保存完了";
const std::wstring kDedupDone = L"URL重複削除処理完了";

constexpr int kJobButtons[] = {IDC_LOAD, IDC_BROWSE_DEST, IDC_CONVERT, IDC_DEDUP};

// A dialog whose data-file choice is a file of the given bytes, not yet loaded.
struct SChosenDataFile {
    CTempDir dir;
    std::filesystem::path dataPath = dir / "urls.txt";
    CDialogHarness h;

    explicit SChosenDataFile(const std::string& strBytes) {
        WriteBytes(dataPath, strBytes);
        h.ChooseDataFile(dataPath);
    }
};

// The enabled state of the four job buttons, in kJobButtons' order.
std::vector<bool> JobButtons(const CDialogHarness& h) {
    std::vector<bool> states;
    for (int nId : kJobButtons)
        states.push_back(h.Enabled(nId));
    return states;
}

TEST(MainDialog, StartUpState) {
    CDialogHarness h;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(h.Dlg(), nullptr), &info);
    EXPECT_EQ(info.hwndFocus, h.Item(IDCANCEL));
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(h.Enabled(IDC_BROWSE_DATA) && h.Enabled(IDC_CLEAR) && h.Enabled(IDCANCEL));
    EXPECT_EQ(h.Text(IDC_MARKER), L"regist_pernad.cgi");
    EXPECT_FALSE(h.Enabled(IDC_MARKER));
    for (int nList : {IDC_LIST_IN, IDC_LIST_OUT}) {
        const HWND hHeader =
            reinterpret_cast<HWND>(::SendMessageW(h.Item(nList), LVM_GETHEADER, 0, 0));
        ASSERT_EQ(::SendMessageW(hHeader, HDM_GETITEMCOUNT, 0, 0), 2);
        for (int nCol = 0; nCol < 2; ++nCol) {
            wchar_t sz[16] = L"";
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.pszText = sz;
            col.cchTextMax = 16;
            ::SendMessageW(h.Item(nList), LVM_GETCOLUMNW, nCol, reinterpret_cast<LPARAM>(&col));
            EXPECT_STREQ(sz, nCol == 0 ? L"No," : L"URL");
            EXPECT_EQ(col.cx, nCol == 0 ? 30 : 510);
        }
        EXPECT_EQ(::SendMessageW(h.Item(nList), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0xFF, 33);
    }
    // The system menu ends with a separator and the About item.
    const HMENU hMenu = ::GetSystemMenu(h.Dlg(), FALSE);
    const int nItems = ::GetMenuItemCount(hMenu);
    EXPECT_EQ(::GetMenuState(hMenu, static_cast<UINT>(nItems - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    wchar_t szItem[128] = L"";
    ::GetMenuStringW(hMenu, static_cast<UINT>(nItems - 1), szItem, 128, MF_BYPOSITION);
    EXPECT_STREQ(szItem, L"Kelvane のﾊﾞｰｼﾞｮﾝ情報(&A)...");
    EXPECT_EQ(::GetMenuItemID(hMenu, nItems - 1), static_cast<UINT>(IDM_ABOUTBOX));
}

// The whole road of a conversion and of a duplicate adjustment, through the state table,
// down to the save file's bytes, with Shift-JIS rows read by the system's code page.
TEST(MainDialog, ConversionAndDuplicateAdjustment) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "out");
    const std::string strSjis = "\x83\x65\x83\x58\x83\x67"; // テスト
    WriteBytes(dir / "urls.txt", "http://a.jp/" + strSjis +
                                     "/regist_pernad.cgi?mode=new\r\n"
                                     "http://b.jp/index.html\r\n"
                                     "http://a.jp/" +
                                     strSjis + "/regist_pernad.cgi?mode=new\r\n");
    CDialogHarness h;

    h.ChooseDataFile({}); // cancelled: nothing enabled
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{false, false, false, false}));

    h.ChooseDataFile(dir / "urls.txt");
    EXPECT_EQ(h.Text(IDC_DATA_PATH), (dir / "urls.txt").wstring());
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{true, false, false, false}));

    EXPECT_EQ(h.RunJob(IDC_LOAD), Messages{kLoadDone});
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{true, true, false, false}));
    ASSERT_EQ(h.ListCount(IDC_LIST_IN), 3);
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 2, 0), L"2");
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0, 1), L"http://a.jp/テスト/regist_pernad.cgi?mode=new");
    EXPECT_EQ(h.Form().m_nLastRow, 2);

    h.m_folder.clear(); // cancelled folder dialog: the form is unchanged
    h.Click(IDC_BROWSE_DEST);
    EXPECT_EQ(h.Text(IDC_DEST_PATH), L"");
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{true, true, false, false}));

    h.m_folder = dir / "out";
    h.Click(IDC_BROWSE_DEST);
    EXPECT_EQ(h.Text(IDC_DEST_PATH), (dir / "out").wstring() + L"\\urls.txt");
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{true, true, true, true}));

    EXPECT_EQ(h.RunJob(IDC_CONVERT), Messages{kConvertDone});
    const std::string strCut = "http://a.jp/" + strSjis + "/regist_pernad.cgi\r\n";
    EXPECT_EQ(ReadBytes(dir / "out" / "urls.txt"), strCut + strCut);
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0), 2);

    EXPECT_EQ(h.RunJob(IDC_DEDUP), Messages{kDedupDone});
    EXPECT_EQ(ReadBytes(dir / "out" / "urls.txt"),
              "http://a.jp/" + strSjis +
                  "/regist_pernad.cgi?mode=new\r\nhttp://b.jp/index.html\r\n");
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1, 1), L"http://b.jp/index.html");

    // An edited save path field is where the jobs write; an empty one stops them.
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), L"");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), Messages{L"保存先アドレスが未入力です。"});
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);

    h.Click(IDC_CLEAR);
    EXPECT_EQ(h.ListCount(IDC_LIST_IN), 0);
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 0);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), L"");
    EXPECT_EQ(h.Text(IDC_MARKER), L"regist_pernad.cgi");
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(h.Form().m_nLastRow, 0);
}

// The save path is not composed again when another data file is chosen, so it may still
// name an earlier one: a save over any data file chosen since the last Clear asks first.
TEST(MainDialog, SavingOverAnyChosenDataFileAsksFirst) {
    const Messages kAsked{L"保存先がデータファイルと同じです。上書きしますか？"};
    const std::string strA = "a/regist_pernad.cgi?x\r\na/regist_pernad.cgi?x\r\n";
    for (bool bLoadB : {false, true}) {
        CTempDir dir;
        std::filesystem::create_directory(dir / "F");
        std::filesystem::create_directory(dir / "G");
        WriteBytes(dir / "F" / "A.txt", strA);
        WriteBytes(dir / "G" / "B.txt", "b\r\n");
        CDialogHarness h;
        h.ChooseDataFile(dir / "F" / "A.txt");
        h.Click(IDC_LOAD);
        h.WaitForJob();
        h.m_folder = dir / "F";
        h.Click(IDC_BROWSE_DEST);
        h.TakeMessages();
        h.m_nYesNoAnswer = IDNO;
        EXPECT_EQ(h.RunJob(IDC_DEDUP), kAsked);

        h.ChooseDataFile(dir / "G" / "B.txt");
        if (bLoadB) {
            h.RunJob(IDC_LOAD);
        }
        for (int nButton : {IDC_DEDUP, IDC_CONVERT}) {
            EXPECT_EQ(h.RunJob(nButton), kAsked) << "B loaded: " << bLoadB;
        }
        EXPECT_EQ(ReadBytes(dir / "F" / "A.txt"), strA);
        EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 0);

        // Clear forgets A: a path typed into the field then is the user's own choice.
        h.Click(IDC_CLEAR);
        h.ChooseDataFile(dir / "G" / "B.txt");
        h.RunJob(IDC_LOAD);
        ::SetWindowTextW(h.Item(IDC_DEST_PATH), (dir / "F" / "A.txt").c_str());
        h.Click(IDC_BROWSE_DEST); // enables the jobs; the user then types another path
        EXPECT_EQ(h.Text(IDC_DEST_PATH), (dir / "F").wstring() + L"\\B.txt");
        ::SetWindowTextW(h.Item(IDC_DEST_PATH), (dir / "F" / "A.txt").c_str());
        EXPECT_EQ(h.RunJob(IDC_DEDUP), Messages{kDedupDone});
        EXPECT_EQ(ReadBytes(dir / "F" / "A.txt"), "b\r\n");
    }
}

// A conversion whose save fails takes back its rows: after two failures against a file
// held open by another program, the next save writes the rows of one conversion.
TEST(MainDialog, FailedConversionSaveTakesBackItsRows) {
    SChosenDataFile f("a/regist_pernad.cgi?1\r\nx\r\nb/regist_pernad.cgi?2\r\n");
    CDialogHarness& h = f.h;
    std::filesystem::create_directory(f.dir / "out");
    const auto target = f.dir / "out" / "urls.txt";
    WriteBytes(target, "old\r\n");
    h.Click(IDC_LOAD);
    h.WaitForJob();
    h.m_folder = f.dir / "out";
    h.Click(IDC_BROWSE_DEST);
    h.TakeMessages();
    const HANDLE hHeld = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    for (int nTry = 0; nTry < 2; ++nTry) {
        h.Click(IDC_CONVERT);
        h.WaitForJob();
        EXPECT_EQ(h.TakeMessages(),
                  Messages{L"保存ファイルに書き込めませんでした。\n" + target.wstring()});
        EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 0);
    }
    ::CloseHandle(hHeld);
    EXPECT_EQ(ReadBytes(target), "old\r\n");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), Messages{kConvertDone});
    EXPECT_EQ(ReadBytes(target), "a/regist_pernad.cgi\r\nb/regist_pernad.cgi\r\n");
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
}

// An HDROP as Explorer builds one: DROPFILES followed by wide names, each ended by a
// NUL, the list ended by one more.
HGLOBAL MakeDrop(const std::vector<std::filesystem::path>& paths) {
    std::wstring names;
    for (const auto& path : paths)
        names += path.wstring() + L'\0';
    names += L'\0';
    const HGLOBAL hDrop = ::GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hDrop));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    std::memcpy(pDrop + 1, names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(hDrop);
    return hDrop;
}

// A file dropped from Explorer is chosen as "・・・" chooses it, and not loaded; UTF-8
// rows then show decoded, each list by its rows' own code.
TEST(MainDialog, DroppedFilesAndUtf8Rows) {
    CTempDir temp;
    const std::filesystem::path dir = temp.Path();
    std::filesystem::create_directory(dir / L"フォルダ");
    const std::filesystem::path utf8 = dir / L"例 utf8.txt";
    WriteBytes(utf8, "\xEF\xBB\xBFh/\xE4\xBE\x8B/regist_pernad.cgi?x\r\n");
    WriteBytes(dir / "sjis.txt", "h/\x97\xE1/regist_pernad.cgi?y\r\n");
    CDialogHarness h;
    h.ChooseDataFile(dir / "sjis.txt");
    EXPECT_EQ(h.RunJob(IDC_LOAD), Messages{kLoadDone});
    h.m_folder = dir / L"フォルダ";
    h.Click(IDC_BROWSE_DEST);
    h.RunJob(IDC_CONVERT);

    // A folder first, or a drop while a job runs, changes nothing.
    ::SendMessageW(h.Dlg(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({dir / L"フォルダ", utf8})), 0);
    EXPECT_EQ(h.ListCount(IDC_LIST_IN), 1);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), (dir / "sjis.txt").wstring());
    h.m_bHoldBoxes = true;
    h.Click(IDC_LOAD);
    while (h.m_nBoxesUp == 0)
        ::Sleep(5);
    ::SendMessageW(h.Dlg(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({utf8})), 0);
    h.Release();
    h.WaitForJob();
    h.m_bHoldBoxes = false;
    EXPECT_EQ(h.ListCount(IDC_LIST_IN), 2);
    h.TakeMessages();

    // Of several files the first is taken.
    ::SendMessageW(h.Dlg(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({utf8, dir / "sjis.txt"})), 0);
    EXPECT_EQ(h.ListCount(IDC_LIST_IN), 0);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), utf8.wstring());
    EXPECT_TRUE(h.Enabled(IDC_LOAD));
    EXPECT_EQ(h.RunJob(IDC_LOAD), Messages{L"データファイル読み込み完了 (UTF-8)"});
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0, 1), L"h/例/regist_pernad.cgi?x");
    h.Click(IDC_CONVERT);
    h.WaitForJob();
    // The first output row came from the Shift-JIS file, the second from the UTF-8 one.
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 0, 1), L"h/例/regist_pernad.cgi");
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1, 1), L"h/例/regist_pernad.cgi");
    EXPECT_EQ(ReadBytes(dir / L"フォルダ" / "sjis.txt"),
              "\xEF\xBB\xBFh/\x97\xE1/regist_pernad.cgi\r\nh/\xE4\xBE\x8B/regist_pernad.cgi\r\n");
}

TEST(MainDialog, ThreadThatCannotStart) {
    SChosenDataFile f("a\r\n");
    CDialogHarness& h = f.h;
    h.m_bFailThreads = true;
    h.Click(IDC_LOAD);
    EXPECT_EQ(h.TakeMessages(), Messages{L"RECV THREAD CREATE ERROR!!"});
    EXPECT_EQ(JobButtons(h), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(h.Enabled(IDCANCEL));
}

TEST(MainDialog, AboutBoxFromTheSystemMenu) {
    CDialogHarness h;
    ::PostMessageW(h.Dlg(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND hAbout = nullptr;
    // Found as soon as it exists; shown once its controls are there.
    for (int i = 0; i < 2000 && (hAbout == nullptr || !::IsWindowVisible(hAbout)); ++i) {
        ::Sleep(5);
        hAbout = ::FindWindowW(nullptr, L"Kelvaneのﾊﾞｰｼﾞｮﾝ情報");
    }
    ASSERT_NE(hAbout, nullptr);
    EXPECT_EQ(::GetWindow(hAbout, GW_OWNER), h.Dlg()); // modal to the main window
    EXPECT_FALSE(::IsWindowEnabled(h.Dlg()));
    wchar_t szText[64] = L"";
    ::GetDlgItemTextW(hAbout, IDOK, szText, 64);
    EXPECT_STREQ(szText, L"OK");
    ::PostMessageW(hAbout, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int i = 0; i < 2000 && ::IsWindow(hAbout); ++i)
        ::Sleep(5);
    EXPECT_FALSE(::IsWindow(hAbout));
    EXPECT_TRUE(::IsWindowEnabled(h.Dlg()));
}

} // namespace
