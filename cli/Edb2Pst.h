#pragma once
// The edb2pst program without its entry point: the arguments (without the
// program name) in, text out, an exit status back. Each subcommand is one
// entry of a table in Edb2Pst.cpp with its own file.
//   0  done
//   1  the source failed part way through (a read error)
//   2  bad usage, or a source that is missing, unreadable or not a regular file
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "scan/SourceFile.h"

namespace cli {

using SourceOpener =
    std::function<std::unique_ptr<mailbox::SourceFile>(const std::wstring& path, mailbox::ScanError& error)>;

// The opener is replaceable so tests can hand in failing sources.
int RunEdb2Pst(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource = nullptr);

}  // namespace cli
