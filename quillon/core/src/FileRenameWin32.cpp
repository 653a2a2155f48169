#include <windows.h>

#include "quillon/core/FileRename.h"
#include "quillon/core/TextConversion.h"

namespace quillon {

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    return MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(), 0) != FALSE;
}

}  // namespace quillon
