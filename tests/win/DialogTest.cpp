#include "DialogHarness.h"
#include "text/WideText.h"
#include "win/ScopedWin.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

const std::wstring kConvertDone = Utf8ToWide(texts::kConvertDone);
const std::wstring kDedupDone = Utf8ToWide(texts::kDedupDone);

// Records what a window draws, on the window's own thread, to tell whether a part of it is
// drawn again.
class CPaintWatch {
public:
    explicit CPaintWatch(HWND hWnd) : m_hWnd(hWnd) {
        WaitUntil([&] { return !::GetUpdateRect(m_hWnd, nullptr, FALSE); });
        s_pCurrent = this;
        m_pfnOld = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~CPaintWatch() {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOld));
        s_pCurrent = nullptr;
    }
    bool HasDrawn(const RECT& part) {
        std::lock_guard<std::mutex> lock(m_mutex);
        RECT common{};
        return ::IntersectRect(&common, &m_drawn, &part) != FALSE;
    }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
        CPaintWatch& self = *s_pCurrent;
        RECT update{};
        if (nMsg == WM_PAINT && ::GetUpdateRect(hWnd, &update, FALSE)) {
            std::lock_guard<std::mutex> lock(self.m_mutex);
            ::UnionRect(&self.m_drawn, &self.m_drawn, &update);
        }
        return ::CallWindowProcW(self.m_pfnOld, hWnd, nMsg, wParam, lParam);
    }
    static inline CPaintWatch* s_pCurrent = nullptr;
    HWND m_hWnd;
    WNDPROC m_pfnOld = nullptr;
    std::mutex m_mutex;
    RECT m_drawn{};
};

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
    EXPECT_TRUE(::GetMenuState(hMenu, static_cast<UINT>(nItems - 2), MF_BYPOSITION) & MF_SEPARATOR);
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
    EXPECT_EQ(h.Focus(), h.Item(IDCANCEL));
    EXPECT_EQ(h.Text(IDC_MARKER), L"regist_pernad.cgi");
    EXPECT_FALSE(h.Enabled(IDC_MARKER));
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFresh);

    h.ChooseDataFile({}); // cancelled: nothing enabled
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFresh);
    h.ChooseDataFile(dir / "urls.txt");
    EXPECT_EQ(h.Text(IDC_DATA_PATH), (dir / "urls.txt").wstring());
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFileChosen);
    h.m_bFailThreads = true; // a worker that cannot start: the buttons are back
    h.Click(IDC_LOAD);
    EXPECT_EQ(h.TakeMessages(), BoxTexts{L"RECV THREAD CREATE ERROR!!"});
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFileChosen);
    h.m_bFailThreads = false;

    EXPECT_EQ(h.RunJob(IDC_LOAD), BoxTexts{Utf8ToWide(texts::kLoadDone)});
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kLoaded);
    ASSERT_EQ(h.ListCount(IDC_LIST_IN), 3);
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 2, 0), L"2");
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0), L"http://a.jp/テスト/regist_pernad.cgi?mode=new");

    h.ChooseFolder({});                                  // cancelled: the form is unchanged
    EXPECT_EQ(h.m_folderOpenedAt, dir.Path().wstring()); // the data file's folder at first
    EXPECT_EQ(h.Text(IDC_DEST_PATH), L"");
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kLoaded);
    h.ChooseFolder(dir / "out");
    const auto target = dir / "out" / "urls.txt";
    EXPECT_EQ(h.Text(IDC_DEST_PATH), (dir / "out").wstring() + L"\\urls.txt");
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFolderChosen);

    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{kConvertDone});
    EXPECT_EQ(ReadBytes(target), CrLf({strRow, strRow}));
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETRANGE, FALSE, 0), 2);

    // A conversion whose save fails, here against a file another program holds open, takes
    // back its rows.
    const HANDLE hHeld = ::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(h.RunJob(IDC_CONVERT),
              BoxTexts{L"保存ファイルに書き込めませんでした。\n" + target.wstring()});
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    ::CloseHandle(hHeld);

    // Two rows cut, then two rows kept: the list must draw the kept ones.
    RECT firstRow{LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(h.Item(IDC_LIST_OUT), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstRow));
    CPaintWatch watch(h.Item(IDC_LIST_OUT));
    EXPECT_EQ(h.RunJob(IDC_DEDUP), BoxTexts{kDedupDone});
    EXPECT_EQ(ReadBytes(target), CrLf({strRow + "?mode=new", "http://b.jp/"}));
    ASSERT_EQ(h.ListCount(IDC_LIST_OUT), 2);
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1), L"http://b.jp/");
    EXPECT_TRUE(WaitUntil([&] { return watch.HasDrawn(firstRow); }));

    // A folder deeper than MAX_PATH is taken whole (LongPaths.* save into one).
    const auto deep = dir / std::string(150, 'a') / std::string(150, 'b');
    std::filesystem::create_directory(deep.parent_path());
    h.ChooseFolder(deep);
    EXPECT_EQ(h.m_folderOpenedAt, (dir / "out").wstring()); // then the one chosen last
    EXPECT_EQ(h.Text(IDC_DEST_PATH), deep.wstring() + L"\\urls.txt");

    // An edited save path field is where the jobs write; an empty one stops them.
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), L"");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{L"保存先アドレスが未入力です。"});
    EXPECT_EQ(::SendMessageW(h.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);

    h.Click(IDC_CLEAR);
    EXPECT_EQ(h.ListCount(IDC_LIST_IN) + h.ListCount(IDC_LIST_OUT), 0);
    EXPECT_EQ(h.Text(IDC_DATA_PATH), L"");
    EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFresh);
}

// An HDROP as Explorer builds one: DROPFILES, then wide names each ended by a NUL, then a NUL.
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

// The columns' 96-DPI widths are scaled to the window's display, again when it moves to
// another; the number column widens as its numbers need, never narrower than its 30 pixels.
TEST(MainDialog, ListColumnsFollowTheScaleAndTheRows) {
    CTempDir dir;
    CDialogHarness h;
    const HWND hIn = h.Item(IDC_LIST_IN);
    const struct {
        UINT nDpi;
        std::pair<int, int> widths;
    } scales[] = {{96, {30, 510}}, {144, {45, 765}}, {192, {60, 1020}}, {96, {30, 510}}};
    for (const auto& scale : scales) {
        RECT rect{};
        ::GetWindowRect(h.Dlg(), &rect);
        if (&scale != scales) // the first is the display's own
            h.Send(WM_DPICHANGED, MAKEWPARAM(scale.nDpi, scale.nDpi),
                   reinterpret_cast<LPARAM>(&rect));
        for (const HWND hList : {hIn, h.Item(IDC_LIST_OUT)}) {
            EXPECT_EQ(ListView_GetColumnWidth(hList, 0), scale.widths.first) << scale.nDpi;
            EXPECT_EQ(ListView_GetColumnWidth(hList, 1), scale.widths.second) << scale.nDpi;
        }
    }

    // A number shows whole where the column holds its text and the 12 pixels a list view
    // keeps around it.
    std::string strRows;
    for (int i = 0; i < 1000000; ++i)
        strRows += "u\r\n";
    const struct {
        std::size_t nRows;
        const wchar_t* largest;
    } loads[] = {{10, L"9"}, {1000, L"999"}, {1000000, L"999999"}};
    for (const auto& load : loads) {
        WriteBytes(dir / "urls.txt", std::string_view(strRows).substr(0, load.nRows * 3));
        h.ChooseDataFile(dir / "urls.txt");
        h.RunJob(IDC_LOAD);
        EXPECT_EQ(ListView_GetColumnWidth(hIn, 0),
                  std::max(30, ListView_GetStringWidth(hIn, load.largest) + 12))
            << load.nRows;
    }
    h.Click(IDC_CLEAR);
    EXPECT_EQ(ListView_GetColumnWidth(hIn, 0), 30);
}

// A save path the tool composed follows the data file chosen next, by "・・・" or a drop, so
// that no job saves one file's rows under another's name; one the user edited stays. A save
// over another data file's result, or over a data file, asks first.
TEST(MainDialog, SavePathsAndOverwriteQuestions) {
    CTempDir dir;
    const std::string strA = "a/regist_pernad.cgi?q\r\nb/index.html\r\na/regist_pernad.cgi?q\r\n";
    WriteBytes(dir / "a.txt", strA);
    WriteBytes(dir / "b.txt", "b/regist_pernad.cgi?z\r\n");
    CDialogHarness h;
    int nRound = 0;
    for (const auto& [nJob, bDrop] : {std::pair{IDC_DEDUP, false}, {IDC_CONVERT, true}}) {
        const auto out = dir / std::to_string(nRound++);
        std::filesystem::create_directory(out);
        h.Click(IDC_CLEAR);
        h.ChooseDataFile(dir / "a.txt");
        h.RunJob(IDC_LOAD);
        h.ChooseFolder(out);
        h.RunJob(nJob);
        if (bDrop)
            Drop(h, {dir / "b.txt"});
        else
            h.ChooseDataFile(dir / "b.txt");
        EXPECT_EQ(h.Text(IDC_DEST_PATH), out.wstring() + L"\\b.txt");
        h.RunJob(IDC_LOAD);
        EXPECT_EQ(h.RunJob(nJob), BoxTexts{nJob == IDC_DEDUP ? kDedupDone : kConvertDone});
        EXPECT_EQ(ReadBytes(out / "b.txt"), nJob == IDC_DEDUP
                                                ? "b/regist_pernad.cgi?z\r\n"
                                                : CrLf({"a/" + kM, "a/" + kM, "b/" + kM}));
    }

    // The user's own path stays when another file is chosen; a save there over the result
    // of another data file asks first, and No keeps it.
    const auto mine = dir / "0" / "mine.txt";
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), mine.c_str());
    h.RunJob(IDC_DEDUP);
    h.ChooseDataFile(dir / "a.txt");
    EXPECT_EQ(h.Text(IDC_DEST_PATH), mine.wstring());
    h.RunJob(IDC_LOAD);
    for (int nJob : {IDC_DEDUP, IDC_CONVERT})
        EXPECT_EQ(
            h.RunJob(nJob),
            BoxTexts{L"保存先には別のデータファイルの結果が保存されています。上書きしますか？\n" +
                     mine.wstring()});
    EXPECT_EQ(ReadBytes(mine), "b/regist_pernad.cgi?z\r\n");

    // A save over any data file chosen since the last Clear asks first, naming the file at
    // risk, which need not be the one the data field shows.
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), (dir / "b.txt").c_str());
    const BoxTexts kAsked{L"保存先がデータファイルと同じです。上書きしますか？\n" +
                          (dir / "b.txt").wstring()};
    for (int nJob : {IDC_DEDUP, IDC_CONVERT})
        EXPECT_EQ(h.RunJob(nJob), kAsked);
    EXPECT_EQ(ReadBytes(dir / "b.txt"), "b/regist_pernad.cgi?z\r\n");
    EXPECT_EQ(h.ListCount(IDC_LIST_OUT), 1);

    // Until a load after a choice, or after a cancelled one, no job may save the rows of an
    // earlier file, or none, under any name.
    for (const std::filesystem::path& choice : {std::filesystem::path(), dir / "b.txt"}) {
        h.ChooseDataFile(choice); // the first time cancelled
        for (int nJob : {IDC_DEDUP, IDC_CONVERT})
            EXPECT_EQ(h.RunJob(nJob), BoxTexts{L"データファイルが読み込まれていません。"})
                << choice;
        EXPECT_EQ(h.StepsOpen(), CDialogHarness::kFolderChosen);
    }

    // Clear forgets them: a path typed into the field then is the user's own choice.
    h.Click(IDC_CLEAR);
    h.ChooseDataFile(dir / "a.txt");
    h.RunJob(IDC_LOAD);
    h.ChooseFolder(dir / "0"); // enables the jobs; the user then types another path
    ::SetWindowTextW(h.Item(IDC_DEST_PATH), (dir / "b.txt").c_str());
    EXPECT_EQ(h.RunJob(IDC_DEDUP), BoxTexts{kDedupDone});
    EXPECT_EQ(ReadBytes(dir / "b.txt"), "a/regist_pernad.cgi?q\r\nb/index.html\r\n");
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }))
        return L"(not open)";
    if (const HANDLE hText = ::GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(::GlobalLock(hText));
        ::GlobalUnlock(hText);
    }
    ::CloseClipboard();
    return text;
}

// Ctrl+A then Ctrl+C as a person presses them, into a list.
void SelectAllAndCopy(const CDialogHarness& h, HWND hList) {
    // The keys go where the system's focus is, which reaches the window a moment after it is
    // asked for, the display's own round trip taking its time.
    ::SetForegroundWindow(h.Dlg());
    h.Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hList), TRUE);
    EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == h.Dlg() && h.Focus() == hList; }))
        << "the list never had the keyboard focus";
    const WORD nKeys[] = {VK_CONTROL, 'A', 'A', 'C', 'C', VK_CONTROL};
    INPUT inputs[std::size(nKeys)]{};
    for (std::size_t i = 0; i < std::size(nKeys); ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = nKeys[i];
        inputs[i].ki.dwFlags = i == 0 || i % 2 == 1 ? 0 : KEYEVENTF_KEYUP; // A and C down, up
    }
    ::SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
}

// A shortcut as Explorer saves one, through the shell's own interface.
void MakeShortcut(const std::filesystem::path& shortcut, const std::filesystem::path& target) {
    const CComInit com;
    CComPtr<IShellLinkW> link;
    CComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkW, link.Out()));
    link->SetPath(target.c_str());
    ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Out()));
    EXPECT_HRESULT_SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
}

// A file dropped from Explorer is chosen as "・・・" chooses it, a shortcut as its target;
// UTF-8 rows show decoded, each by its own code. Rows copy as drawn, each with CR LF, by
// Ctrl+A and Ctrl+C or the context menu ("コピー" grayed while none is selected); a
// clipboard another program holds is said so, and left as it was.
TEST(MainDialog, DroppedFilesUtf8RowsAndCopying) {
    CTempDir dir;
    std::filesystem::create_directory(dir / L"フォルダ");
    const std::filesystem::path utf8 = dir / L"例 utf8.txt";
    WriteBytes(utf8, "\xEF\xBB\xBFh/\xE4\xBE\x8B/regist_pernad.cgi?x\r\n");
    // The second row's marker would start on the trail byte of ビ: that row has none.
    WriteBytes(dir / "sjis.txt", // テスト
               "h/\x83\x65\x83\x58\x83\x67/regist_pernad.cgi?y\r\nh/\x83regist_pernad.cgi\r\n");
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
    EXPECT_EQ(h.RunJob(IDC_LOAD), BoxTexts{Utf8ToWide(texts::kLoadDoneUtf8)});
    EXPECT_EQ(h.ListText(IDC_LIST_IN, 0), L"h/例/regist_pernad.cgi?x");
    h.ChooseFolder(dir / L"フォルダ");
    EXPECT_EQ(h.RunJob(IDC_CONVERT), BoxTexts{kConvertDone});
    EXPECT_TRUE(std::filesystem::exists(dir / L"フォルダ" / L"例 utf8.txt"));
    // The first output row came from the Shift-JIS file, the second from the UTF-8 one.
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 0), L"h/テスト/regist_pernad.cgi");
    EXPECT_EQ(h.ListText(IDC_LIST_OUT, 1), L"h/例/regist_pernad.cgi");
    const HWND hOut = h.Item(IDC_LIST_OUT);
    auto menu = [&](int nList, UINT nChoice) {
        h.m_nMenuChoice = nChoice;
        h.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h.Item(nList)), -1);
        return h.m_menuItems;
    };
    using Items = std::vector<std::wstring>;
    const Items kGrayed{L"!コピー(&C)", L"すべて選択(&A)"};
    EXPECT_EQ(menu(IDC_LIST_OUT, 0), kGrayed);
    SelectAllAndCopy(h, hOut);
    const std::wstring kBoth = L"h/テスト/regist_pernad.cgi\r\nh/例/regist_pernad.cgi\r\n";
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == kBoth; })) << ClipboardText();

    ListView_SetItemState(hOut, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(hOut, 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(menu(IDC_LIST_OUT, IDM_COPY), (Items{L"コピー(&C)", L"すべて選択(&A)"}));
    EXPECT_EQ(ClipboardText(), L"h/例/regist_pernad.cgi\r\n");
    menu(IDC_LIST_OUT, IDM_SELECT_ALL);
    EXPECT_EQ(ListView_GetSelectedCount(hOut), 2u);

    ASSERT_TRUE(::OpenClipboard(nullptr));
    menu(IDC_LIST_OUT, IDM_COPY);
    ::CloseClipboard();
    EXPECT_EQ(h.TakeMessages(), BoxTexts{L"クリップボードにコピーできませんでした。"});
    EXPECT_EQ(ClipboardText(), L"h/例/regist_pernad.cgi\r\n");

    // An empty list copies nothing.
    h.Click(IDC_CLEAR);
    EXPECT_EQ(menu(IDC_LIST_IN, IDM_COPY), kGrayed);
    EXPECT_EQ(ClipboardText(), L"h/例/regist_pernad.cgi\r\n");
    EXPECT_EQ(h.TakeMessages(), BoxTexts{});
}

// Random clicks in every state, and every button, way of ending the dialog and a drop while
// jobs run: nothing may crash or hang, no button be usable out of turn, and the input list
// only ever holds whole loads of the data file.
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
    kButtons.insert(kButtons.end(), std::begin(kStepButtons), std::end(kStepButtons));
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
            click(kButtons[rng() % std::size(kButtons)], !h.Enabled(IDCANCEL));
        if (!!h.Enabled(IDCANCEL))
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
