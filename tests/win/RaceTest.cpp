// Impatient clicking: random clicks on every button in every state, and every
// way of ending the dialog tried while jobs run. Nothing may crash or hang, no
// button may be usable out of turn, and the input list only ever holds whole
// loads of the data file.
#include "DialogHarness.h"

#include "../core/TestUtil.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <random>

namespace {

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
    const int kButtons[] = {IDC_BROWSE_DATA, IDC_LOAD,  IDC_BROWSE_DEST,
                            IDC_CONVERT,     IDC_DEDUP, IDC_CLEAR};
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
            click(kButtons[rng() % std::size(kButtons)], h.Form().IsJobRunning());
        if (!h.Form().IsJobRunning())
            continue;
        ASSERT_TRUE(h.WaitForBox()) << "the job shows no message box; click " << nClick;
        ++nJobs;
        for (int nButton : kButtons)
            click(nButton, true);
        click(IDCANCEL, true);
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
