#include "cli/Edb2Pst.h"

#include "cli/ConvertCommand.h"
#include "cli/InspectCommand.h"
#include "cli/ListCommand.h"
#include "text/Utf8.h"

namespace cli {
namespace {

using CommandFn = int (*)(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource);

struct Command {
    const wchar_t* name;
    CommandFn run;
    const char* usage;
    const char* summary;
};

const Command kCommands[] = {
    {L"list", RunListCommand, kListUsage,
     "list the mailboxes, the message header count and the first 50 subjects\n"
     "      (--json: one UTF-8 JSON object)\n"
     "  edb2pst list --structure [--json] SOURCE.edb\n"
     "      the mailboxes and folder trees from the database's own tables"},
    {L"convert", RunConvertCommand, kConvertUsage,
     "write each chosen mailbox into a PST file of its own under DEST_DIR, every\n"
     "      message of the source in its Inbox (--json: the files written as JSON)"},
    {L"inspect", RunInspectCommand, kInspectUsage,
     "the database's format and every table with its column and record counts,\n"
     "      or one table's columns and records (--catalog: the catalog's, which holds\n"
     "      names and types and no mail; --json: one UTF-8 JSON object)"},
};

std::string HelpText() {
    std::string text =
        "edb2pst: reads an Exchange database file (.edb) the way the Korvane wizard does.\n\n"
        "usage:\n";
    for (const Command& command : kCommands)
        text += std::string("  ") + command.usage + "\n      " + command.summary + "\n";
    text +=
        "  edb2pst --help | --version\n\n"
        "Progress goes to standard error when it is a terminal.\n"
        "Exit status: 0 done, 1 a read error part way through the source (list) or\n"
        "a mailbox or message not converted (convert), 2 bad usage or a source that\n"
        "is missing, unreadable or not a regular file (list --structure: or not an\n"
        "Exchange mailbox database).\n";
    return text;
}

}  // namespace

int RunEdb2Pst(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource) {
    SourceOpener opener = openSource ? openSource : [](const std::wstring& path, mailbox::ScanError& error) {
        return mailbox::OpenSourceFile(std::filesystem::path(path), error);
    };
    if (args.empty()) {
        console.Err(HelpText());
        return 2;
    }
    if (args[0] == L"--help" || args[0] == L"-h" || args[0] == L"help") {
        console.Out(HelpText());
        return 0;
    }
    if (args[0] == L"--version") {
        console.Out(std::string("edb2pst ") + KORVANE_VERSION + "\n");
        return 0;
    }
    for (const Command& command : kCommands)
        if (args[0] == command.name)
            return command.run(std::vector<std::wstring>(args.begin() + 1, args.end()), console, opener);
    console.Err("edb2pst: unknown command \"" + mailbox::ToUtf8(args[0]) + "\" (edb2pst --help lists them)\n");
    return 2;
}

}  // namespace cli
