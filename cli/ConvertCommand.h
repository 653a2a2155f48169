#pragma once
// edb2pst convert SOURCE.edb DEST_DIR [--mailbox NAME]... [--all]
// [--skip-analysis] [--json]: the wizard's Save All without the wizard, through
// the same transfer code and the component's core in process. Prints the
// files written with their message counts (--json: one JSON object).
//   0  every chosen mailbox converted with every message
//   1  partly done: a mailbox or messages failed (each named, with why), or Ctrl-C
//   2  bad arguments, or a source that cannot be opened or read
// Ctrl-C stops after the message being stored; every PST written stays openable.
#include <string>
#include <vector>

#include "cli/Edb2Pst.h"

namespace cli {

int RunConvertCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource);
extern const char kConvertUsage[];

}  // namespace cli
