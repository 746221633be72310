// Drives the real main dialog through a whole data file: load, conversion and
// duplicate adjustment, timing each job and, all the while, how long the
// window takes to answer a message (WM_NULL, sent every 10 ms).
// usage: kelvane-dialog-bench DATA FOLDER

#include "DialogHarness.h"

#include "res/resource.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
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
    CDialogHarness h;
    h.m_folder = argv[2];
    h.ChooseDataFile(argv[1]);
    CResponsiveness monitor(h.Dlg());
    std::printf("| job | seconds | worst answer to WM_NULL | rows |\n|---|---|---|---|\n");
    auto run = [&](const char* pszName, int nButton, int nList) {
        monitor.TakeWorstMs();
        const auto start = Clock::now();
        h.Click(nButton);
        h.WaitForJob();
        const double dSeconds = Seconds(Clock::now() - start);
        std::printf("| %s | %.2f s | %.1f ms | %d |\n", pszName, dSeconds, monitor.TakeWorstMs(),
                    h.ListCount(nList));
        std::fflush(stdout);
    };
    run("load", IDC_LOAD, IDC_LIST_IN);
    h.Click(IDC_BROWSE_DEST);
    run("convert", IDC_CONVERT, IDC_LIST_OUT);
    run("duplicate adjustment", IDC_DEDUP, IDC_LIST_OUT);
    return 0;
}
