// Drives the real main dialog through a whole data file: load, conversion and
// duplicate adjustment, timing each job and, all the while, how long the
// window takes to answer a message (WM_NULL, sent every 10 ms). Each job is
// then run again the way kelvane-cli runs it, on a form kept in memory in the
// same process, so the two times differ only by what the window adds. Last, the
// whole upper list is copied to the clipboard.
// usage: kelvane-dialog-bench DATA FOLDER

#include "DialogHarness.h"

#include "form/MemoryForm.h"
#include "jobs/Jobs.h"
#include "res/resource.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Sends WM_NULL to the window over and over and keeps the longest answer time.
class CResponsiveness {
public:
    explicit CResponsiveness(HWND hWnd) : m_hWnd(hWnd), m_thread([this] { Run(); }) {}
    ~CResponsiveness() {
        m_bStop = true;
        m_thread.join();
    }
    double TakeWorstMs() { return static_cast<double>(m_nWorstUs.exchange(0)) / 1000.0; }

private:
    void Run() {
        while (!m_bStop) {
            const auto start = Clock::now();
            DWORD_PTR dwResult = 0;
            ::SendMessageTimeoutW(m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &dwResult);
            const long long nUs =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            long long nWorst = m_nWorstUs.load();
            while (nUs > nWorst && !m_nWorstUs.compare_exchange_weak(nWorst, nUs)) {
            }
            ::Sleep(10);
        }
    }
    HWND m_hWnd;
    std::atomic<bool> m_bStop{false};
    std::atomic<long long> m_nWorstUs{0};
    std::thread m_thread;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    // Each figure is the best of three rounds, so that a cold start or a busy moment of
    // the machine does not stand for the job.
    constexpr int kRounds = 3;
    const std::filesystem::path dataPath = argv[1];
    const std::filesystem::path savePath = std::filesystem::path(argv[2]) / dataPath.filename();
    double dCli[kJobCount];
    double dWindow[kJobCount];
    std::fill(std::begin(dCli), std::end(dCli), 1e9);
    std::fill(std::begin(dWindow), std::end(dWindow), 1e9);
    double dWorstMs[kJobCount] = {};
    int nRows[kJobCount] = {};
    double dCopy = 1e9; // every row of the input list selected and put on the clipboard
    for (int nRound = 0; nRound < kRounds; ++nRound) {
        // The jobs as kelvane-cli runs them: the same functions on a form in memory.
        {
            CMemoryForm form;
            form.m_strDataPath = dataPath;
            form.m_strSavePath = savePath;
            for (std::size_t nJob = 0; nJob < kJobCount; ++nJob) {
                const auto start = Clock::now();
                kJobs[nJob].pfnRun(form);
                dCli[nJob] = std::min(dCli[nJob], Seconds(Clock::now() - start));
            }
        }
        CDialogHarness h;
        h.m_folder = argv[2];
        h.ChooseDataFile(dataPath);
        CResponsiveness monitor(h.Dlg());
        for (std::size_t nJob = 0; nJob < kJobCount; ++nJob) {
            monitor.TakeWorstMs();
            const auto start = Clock::now();
            h.Click(ButtonOf(static_cast<EJobId>(nJob)));
            h.WaitForJob();
            dWindow[nJob] = std::min(dWindow[nJob], Seconds(Clock::now() - start));
            // The worst answer of every round counts: the window must never be slow.
            dWorstMs[nJob] = std::max(dWorstMs[nJob], monitor.TakeWorstMs());
            nRows[nJob] = h.ListCount(nJob == kLoadJob ? IDC_LIST_IN : IDC_LIST_OUT);
            if (nJob == kLoadJob)
                h.Click(IDC_BROWSE_DEST);
        }
        // The context menu's "すべて選択", then its "コピー", as a user copies the whole list.
        h.m_nMenuChoice = IDM_SELECT_ALL;
        h.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h.Item(IDC_LIST_IN)), -1);
        h.m_nMenuChoice = IDM_COPY;
        const auto start = Clock::now();
        h.Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h.Item(IDC_LIST_IN)), -1);
        dCopy = std::min(dCopy, Seconds(Clock::now() - start));
    }
    std::printf("best of %d rounds; the worst answer of all rounds\n\n", kRounds);
    std::printf("| job | window | worst answer to WM_NULL | kelvane-cli's jobs | ratio | rows |\n"
                "|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < kJobCount; ++i)
        std::printf("| %s | %.2f s | %.1f ms | %.2f s | %.1fx | %d |\n", kJobs[i].pszName,
                    dWindow[i], dWorstMs[i], dCli[i], dWindow[i] / dCli[i], nRows[i]);
    std::printf("\ncopy of all %d rows of the upper list to the clipboard: %.2f s\n",
                nRows[kLoadJob], dCopy);
    return 0;
}
