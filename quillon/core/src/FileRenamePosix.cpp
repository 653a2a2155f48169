#include <unistd.h>

#include "quillon/core/FileRename.h"

namespace quillon {

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    // A hard link fails when `to` exists; the old name goes once the new one stands.
    // A left-over old name is only litter beside a complete store.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace quillon
