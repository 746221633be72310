#pragma once
// A helper thread that works beside its owner, with the lock and the signal
// they share. Where no thread can be started, Start says so and the owner does
// the helper's work on its own thread instead. Declare it after every member
// the helper uses, so that it is stopped before they go.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

class CHelperThread {
public:
    CHelperThread() = default;
    ~CHelperThread() { Stop(); }
    CHelperThread(const CHelperThread&) = delete;
    CHelperThread& operator=(const CHelperThread&) = delete;

    // Runs body on a thread of its own; false when none could be started.
    bool Start(std::function<void()> body) {
        try {
            m_thread = std::thread(std::move(body));
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    bool Started() const { return m_thread.joinable(); }
    // Waits for the body to return by itself.
    void Join() {
        if (m_thread.joinable()) {
            m_changed.notify_all();
            m_thread.join();
        }
    }
    // Sets StopAsked, wakes the body, and waits for it to return.
    void Stop() {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        Join();
    }
    // Under the lock: the owner has gone, and the body should return.
    bool StopAsked() const { return m_bStop; }

    std::mutex m_mutex;
    std::condition_variable m_changed;

private:
    bool m_bStop = false;
    std::thread m_thread;
};
