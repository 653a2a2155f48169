#pragma once
// edb2pst list --structure [--json] SOURCE: the mailboxes and folder trees an
// Exchange database holds in its own tables (schema family, owners, folder
// paths, classes and message counts).
#include <string>
#include <vector>

#include "cli/Edb2Pst.h"

namespace cli {

// `args` without "list" and "--structure".
int RunStructureCommand(const std::vector<std::wstring>& args, Console& console);
extern const char kStructureUsage[];
// Said with every listing until the reading has met real Exchange databases.
extern const char kUncheckedNote[];

}  // namespace cli
