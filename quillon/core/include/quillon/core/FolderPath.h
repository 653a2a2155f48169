#pragma once
// The component's folder paths: two backslashes, the store display name, then
// a backslash and a name for each folder level ("\\\\Store\\Inbox\\Projects").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct FolderPath {
    std::string displayName;
    std::vector<std::string> levels;  // below the store, outermost first
};

// Any number of leading backslashes is accepted and empty levels (adjacent
// backslashes, a trailing one) are skipped; nothing when no display name.
std::optional<FolderPath> ParseFolderPath(std::string_view text);

}  // namespace quillon
