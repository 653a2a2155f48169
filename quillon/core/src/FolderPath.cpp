#include "quillon/core/FolderPath.h"

namespace quillon {

std::optional<FolderPath> ParseFolderPath(std::string_view text) {
    std::vector<std::string> components;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\\', at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) components.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (components.empty()) return std::nullopt;
    FolderPath path;
    path.displayName = std::move(components.front());
    path.levels.assign(std::make_move_iterator(components.begin() + 1), std::make_move_iterator(components.end()));
    return path;
}

}  // namespace quillon
