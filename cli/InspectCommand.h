#pragma once
// edb2pst inspect SOURCE [--json] [--table NAME [--limit N]]: the database's
// format and tables with their column and record counts, or one table's
// columns and records, read by the database's own structure.
#include <string>
#include <vector>

#include "cli/Edb2Pst.h"

namespace cli {

int RunInspectCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource);
extern const char kInspectUsage[];

}  // namespace cli
