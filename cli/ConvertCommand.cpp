#include "cli/ConvertCommand.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>

#include "cli/Json.h"
#include "cli/ProgressBar.h"
#include "components/DirectMailParser.h"
#include "quillon/core/StoreRegistry.h"
#include "scan/HeaderScan.h"
#include "scan/MailboxScan.h"
#include "text/CodePage.h"
#include "text/Utf8.h"
#include "transfer/SaveAllRun.h"
#include "transfer/SourceTimeText.h"
#include "transfer/SystemPath.h"

namespace cli {

const char kConvertUsage[] =
    "edb2pst convert SOURCE.edb DEST_DIR (--mailbox NAME... | --all) [--skip-analysis] [--json]";

namespace {

using mailbox::ToUtf8;

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

// Ctrl-C asks the run to stop after the batch of messages being handed over,
// for the length of one command.
class InterruptScope {
public:
    InterruptScope() {
        g_interrupted = false;
        m_previous = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptScope() { std::signal(SIGINT, m_previous); }

private:
    void (*m_previous)(int);
};

class InterruptToken final : public mailbox::ScanToken {
public:
    bool StopRequested() override { return g_interrupted; }
    void WaitWhilePaused() override {}
};

struct Options {
    std::wstring source, destination;
    std::vector<std::wstring> mailboxes;
    bool all = false, skipAnalysis = false, json = false;
};

// A bar per mailbox: "converting NAME (k/N)".
class ConsoleObserver final : public convert::TransferObserver {
public:
    explicit ConsoleObserver(Console& console) : m_console(console) {}
    void OnMailbox(size_t number, size_t count, const std::wstring& name, const std::wstring&) override {
        m_bar.reset();
        m_bar = std::make_unique<ProgressBar>(m_console, "converting " + ToUtf8(name) + " (" + std::to_string(number) +
                                                             "/" + std::to_string(count) + ")");
    }
    void OnProgress(unsigned percent) override {
        if (m_bar) m_bar->Show(percent);
    }
    void Finish() { m_bar.reset(); }

private:
    Console& m_console;
    std::unique_ptr<ProgressBar> m_bar;
};

std::string JsonSummary(const Options& options, const convert::SaveAllOutcome& outcome) {
    std::string text = "{\"source\": " + JsonString(options.source) +
                       ", \"destination\": " + JsonString(options.destination) + ", \"files\": [";
    for (size_t i = 0; i < outcome.mailboxes.size(); ++i) {
        const convert::MailboxResult& r = outcome.mailboxes[i];
        text +=
            std::string(i ? ", " : "") + "{\"mailbox\": " + JsonString(r.name) +
            ", \"path\": " + (r.storeCreated ? JsonString(r.pstPath) : "null") +
            ", \"messages_found\": " + std::to_string(r.found) + ", \"messages_stored\": " + std::to_string(r.stored) +
            ", \"messages_failed\": " + std::to_string(r.failed) + ", \"ok\": " + (r.Succeeded() ? "true" : "false") +
            ", \"problems\": " + JsonStringArray(r.problems) + "}";
    }
    return text + "], \"stopped\": " + (outcome.stopped ? "true" : "false") + "}\n";
}

}  // namespace

int RunConvertCommand(const std::vector<std::wstring>& args, Console& console, const SourceOpener& openSource) {
    Options options;
    std::vector<std::wstring> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--mailbox") {
            if (i + 1 == args.size()) return UsageError(console, "--mailbox needs a name", kConvertUsage);
            options.mailboxes.push_back(args[++i]);
        } else if (arg == L"--all") {
            options.all = true;
        } else if (arg == L"--skip-analysis") {
            options.skipAnalysis = true;
        } else if (arg == L"--json") {
            options.json = true;
        } else if (!arg.empty() && arg[0] == L'-' && arg != L"-") {
            return UsageError(console, "unexpected argument \"" + ToUtf8(arg) + "\"", kConvertUsage);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || positional[0].empty() || positional[1].empty())
        return UsageError(console, "convert takes a source file and a destination folder", kConvertUsage);
    if (options.all == !options.mailboxes.empty())
        return UsageError(console, "name the mailboxes with --mailbox NAME, or take every one with --all",
                          kConvertUsage);
    options.source = positional[0];

    std::error_code code;
    std::filesystem::path destination = std::filesystem::absolute(convert::ToSystemPath(positional[1]), code);
    if (code || (std::filesystem::exists(destination, code) && !std::filesystem::is_directory(destination, code)))
        return UsageError(console, "the destination \"" + ToUtf8(positional[1]) + "\" is not a folder", kConvertUsage);
    options.destination = convert::FromSystemPath(destination);

    mailbox::ScanError error;
    std::unique_ptr<mailbox::SourceFile> file = openSource(options.source, error);
    if (!file) {
        console.Err("edb2pst: " + ToUtf8(error.Message()) + "\n");
        return 2;
    }
    const mailbox::CodePage& codePage = mailbox::SystemCodePage();
    InterruptScope interruptScope;
    InterruptToken token;

    mailbox::MailboxScanResult found;
    {
        ProgressBar bar(console, "scanning mailboxes");
        found = mailbox::ScanMailboxes(*file, codePage, token, {nullptr, [&](uint64_t p) { bar.Show(p); }});
    }
    if (found.error) {
        console.Err("edb2pst: " + ToUtf8(found.error.Message()) + "\n");
        return 2;
    }
    convert::SaveAllRequest request;
    request.destination = options.destination;
    request.skipAnalysis = options.skipAnalysis;
    if (options.all) {
        request.mailboxes = found.names;
        if (request.mailboxes.empty()) {
            console.Err("edb2pst: no mailbox found in \"" + ToUtf8(options.source) + "\"\n");
            return 2;
        }
    } else {
        for (const std::wstring& wanted : options.mailboxes) {
            const std::wstring key = codePage.ToUpper(wanted);
            auto match = std::find_if(found.names.begin(), found.names.end(),
                                      [&](const std::wstring& name) { return codePage.ToUpper(name) == key; });
            if (match == found.names.end())
                return UsageError(console,
                                  "no mailbox \"" + ToUtf8(wanted) + "\" in \"" + ToUtf8(options.source) +
                                      "\" (edb2pst list shows them)",
                                  kConvertUsage);
            if (std::find(request.mailboxes.begin(), request.mailboxes.end(), *match) == request.mailboxes.end())
                request.mailboxes.push_back(*match);
        }
    }

    convert::RunSource source{options.source, std::nullopt};
    if (!options.skipAnalysis) {
        ProgressBar bar(console, "counting messages ");
        mailbox::HeaderScanEnd counted = mailbox::ForEachHeader(
            *file, token, [&](uint64_t p) { bar.Show(p); }, [](const auto&) { return true; });
        if (counted.error) {
            console.Err("edb2pst: " + ToUtf8(counted.error.Message()) + "\n");
            return 2;
        }
        source.headerCount = counted.markers;
    }
    file.reset();

    quillon::StoreRegistry registry;
    ConsoleObserver observer(console);
    convert::TransferServices services;
    services.openExchange = [&registry] {
        return std::make_unique<components::CDirectMailParser>(registry, components::kInProcessBatches);
    };
    services.openSource = openSource;
    services.codePage = &codePage;
    services.token = &token;
    services.observer = &observer;
    convert::SaveAllOutcome outcome = convert::RunSaveAll(request, source, services);
    observer.Finish();
    registry.Shutdown();  // closes every store, writing its exact allocation maps

    if (!outcome.refusal.empty()) {
        console.Err("edb2pst: " + ToUtf8(outcome.refusal) + "\n");
        return outcome.destinationRefused ? 2 : 1;
    }
    for (const convert::MailboxResult& r : outcome.mailboxes)
        if (!r.Succeeded())
            console.Err("edb2pst: mailbox \"" + ToUtf8(r.name) + "\" " +
                        (r.problems.empty() && r.failed == 0 ? "stopped" : "failed") + ": " +
                        ToUtf8(convert::ResultText(r)) + "\n");
    if (outcome.destinationFull)
        console.Err("edb2pst: the destination disk is full; the conversion ended there, and the files written so far "
                    "hold what was stored\n");
    else if (outcome.stopped)
        console.Err("edb2pst: stopped by Ctrl-C; the files written so far hold what was stored\n");

    if (options.json) {
        console.Out(JsonSummary(options, outcome));
    } else {
        std::string text;
        for (const convert::MailboxResult& r : outcome.mailboxes)
            if (r.storeCreated) text += ToUtf8(r.pstPath) + ": " + std::to_string(r.stored) + " messages\n";
        console.Out(text);
    }
    return outcome.Succeeded() ? 0 : 1;
}

}  // namespace cli
