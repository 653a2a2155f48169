#include "cli/ListCommand.h"

#include "cli/Json.h"
#include "cli/ProgressBar.h"
#include "cli/StructureCommand.h"
#include "scan/HeaderScan.h"
#include "scan/MailboxScan.h"
#include "text/CodePage.h"
#include "text/Utf8.h"

namespace cli {

const char kListUsage[] = "edb2pst list [--json] SOURCE.edb";

namespace {

int Fail(Console& console, int status, const mailbox::ScanError& error) {
    console.Err("edb2pst: " + mailbox::ToUtf8(error.Message()) + "\n");
    return status;
}

}  // namespace

int RunListCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != L"--structure") continue;
        std::vector<std::wstring> rest = args;
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
        return RunStructureCommand(rest, console);
    }
    bool json = false;
    std::wstring path;
    for (const std::wstring& arg : args) {
        if (arg == L"--json") {
            json = true;
        } else if (path.empty() && !arg.empty() && (arg[0] != L'-' || arg == L"-")) {
            path = arg;
        } else {
            console.Err("edb2pst: unexpected argument \"" + mailbox::ToUtf8(arg) + "\"\nusage: " + kListUsage + "\n");
            return 2;
        }
    }
    if (path.empty()) {
        console.Err(std::string("usage: ") + kListUsage + "\n");
        return 2;
    }

    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = openSource(path, error);
    if (!file) return Fail(console, 2, error);

    const mailbox::CodePage& codePage = mailbox::SystemCodePage();
    mailbox::NeverStop token;
    mailbox::MailboxScanResult mailboxes;
    {
        ProgressBar bar(console, "scanning mailboxes");
        mailboxes =
            mailbox::ScanMailboxes(*file, codePage, token, {nullptr, [&](uint64_t percent) { bar.Show(percent); }});
    }
    if (mailboxes.error) return Fail(console, 1, mailboxes.error);
    mailbox::HeaderAnalysis headers;
    {
        ProgressBar bar(console, "scanning messages ");
        headers =
            mailbox::AnalyseHeaders(*file, codePage, token, {nullptr, [&](uint64_t percent) { bar.Show(percent); }});
    }
    if (headers.error) return Fail(console, 1, headers.error);

    if (json) {
        console.Out("{\"source\": " + JsonString(path) + ", \"size\": " + std::to_string(file->Length()) +
                    ", \"mailboxes\": " + JsonStringArray(mailboxes.names) +
                    ", \"message_count\": " + std::to_string(headers.messageCount) +
                    ", \"subjects\": " + JsonStringArray(headers.subjects) + "}\n");
        return 0;
    }
    std::string text;
    for (const std::wstring& name : mailboxes.names) text += mailbox::ToUtf8(name) + "\n";
    text += "message headers: " + std::to_string(headers.messageCount) + "\n";
    for (const std::wstring& subject : headers.subjects) text += mailbox::ToUtf8(subject) + "\n";
    console.Out(text);
    return 0;
}

}  // namespace cli
