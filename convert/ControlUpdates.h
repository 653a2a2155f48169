#pragma once
// What a conversion worker wants shown, waiting for the page's thread: the
// latest text of each label and the latest position of each bar. A worker
// that runs ahead of the display overwrites values not yet shown, so the page
// is told at most once per batch however fast messages go by.
#include <map>
#include <mutex>
#include <string>

class ControlUpdates {
public:
    struct Batch {
        std::map<int, std::wstring> texts;
        std::map<int, int> bars;
    };

    // Each returns true when the batch was empty: the caller tells the page.
    bool SetText(int id, std::wstring text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.texts[id] = std::move(text);
        return Announce();
    }
    bool SetBar(int id, int position) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.bars[id] = position;
        return Announce();
    }
    // The page's thread: everything waiting, leaving nothing behind.
    Batch Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        Batch batch;
        std::swap(batch, m_pending);
        m_announced = false;
        return batch;
    }

private:
    bool Announce() {
        if (m_announced) return false;
        m_announced = true;
        return true;
    }

    std::mutex m_mutex;
    Batch m_pending;
    bool m_announced = false;
};
