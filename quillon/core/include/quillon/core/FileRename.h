#pragma once
// The one file-system call the component makes itself; the rest goes through
// the engine. Paths are UTF-8.

#include <string>

namespace quillon {

// Renames `from` to `to` unless something exists at `to`, atomically: no
// moment exists at which a half-made file stands at `to`, and an existing one
// is never replaced.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace quillon
