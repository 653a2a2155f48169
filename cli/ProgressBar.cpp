#include "cli/ProgressBar.h"

#include <algorithm>

namespace cli {

ProgressBar::ProgressBar(Console& console, std::string label)
    : m_console(console), m_label(std::move(label)), m_enabled(console.ErrIsTerminal()) {}

ProgressBar::~ProgressBar() {
    if (m_drawn) m_console.Err("\r" + std::string(m_label.size() + 40, ' ') + "\r");
}

void ProgressBar::Show(uint64_t percent) {
    if (!m_enabled) return;
    // The scans report past 100 for the empty block after a full last one.
    unsigned shown = static_cast<unsigned>(std::min<uint64_t>(percent, 100));
    constexpr unsigned kWidth = 30;
    unsigned filled = shown * kWidth / 100;
    m_console.Err("\r" + m_label + " [" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                  std::to_string(shown) + "%");
    m_drawn = true;
}

}  // namespace cli
