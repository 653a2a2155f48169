#pragma once
// A one-line bar on standard error while a scan runs, redrawn only when its
// figure changes; nothing at all when standard error is not a terminal.
#include <cstdint>
#include <string>

#include "cli/Console.h"

namespace cli {

class ProgressBar {
public:
    ProgressBar(Console& console, std::string label);
    ~ProgressBar();  // clears the line

    void Show(uint64_t percent);

private:
    Console& m_console;
    std::string m_label;
    bool m_enabled;
    bool m_drawn = false;
};

}  // namespace cli
