#pragma once
// The cooperative control a page holds over its worker: Stop and Pause are
// requests the worker honours between two units of work (a block read, a
// message written). Nothing suspends or kills a thread, so a worker is never
// stopped holding a lock, half through a write, or inside the heap.
//
// Portable on purpose (no Windows headers): the scanner and conversion cores
// take any object with these two members, StopRequested and WaitWhilePaused.
#include <atomic>
#include <condition_variable>
#include <mutex>

class StopToken {
public:
    // Called by the page (user-interface thread).
    void RequestStop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopRequested = true;
        }
        m_changed.notify_all();  // a paused worker must wake to see the stop
    }
    void Pause() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = true;
    }
    void Resume() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_paused = false;
        }
        m_changed.notify_all();
    }
    bool IsPaused() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_paused;
    }
    // Makes the token usable for a new run.
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = false;
        m_paused = false;
    }

    // Called by the worker between units of work.
    bool StopRequested() const { return m_stopRequested.load(); }
    // Blocks while the page has paused the work; returns at once when not paused
    // or when a stop is requested, so a paused worker can always be stopped.
    void WaitWhilePaused() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_paused || m_stopRequested.load(); });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stopRequested{false};
    bool m_paused = false;
};
