#pragma once
// edb2pst list [--json] SOURCE: the mailbox names in scan order, the message
// header count and the first 50 subject texts, from the same scans as the
// wizard's pages.
#include <string>
#include <vector>

#include "cli/Edb2Pst.h"

namespace cli {

int RunListCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource);
extern const char kListUsage[];

}  // namespace cli
