// Messages per second of a whole conversion on a synthetic source of about
// 50,000 message headers, one mailbox, and where the time goes: scanning,
// the message files (their bytes; under wine also writing and reading them),
// the component's parse of each message, the COM exchange (Windows builds)
// and the PST engine (the rest).
//
// Natively it times `edb2pst convert`, which hands the component batches of
// messages with their bytes in memory. Built for Windows and run under wine it
// times the wizard's path: the transfer core handing every message to
// quillon.Class1 through COM, one exchange per message, with the registered
// Quillon.dll, and for comparison the same transfer over the component's core
// in process, also one message per call and file. The split comes from passes
// that each add one stage to the one before; the peer is a plain copy of the
// source file measured in the same run. Every pass runs ROUNDS times; the best and the
// worst wall-clock figures are printed (the machine may be shared), beside the
// processor time (under wine the process's and the wine server's, when
// scripts/bench.sh names the server). scripts/bench.sh runs both builds and
// prints the ratio.
//   convert_bench [WORK_DIR] [MESSAGES] [ROUNDS]
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "cli/Edb2Pst.h"
#include "mail/MessageBuilder.h"
#include "quillon/core/MessageFileRead.h"
#include "sample/SampleSource.h"
#include "scan/HeaderScan.h"
#include "scan/SubjectText.h"
#include "text/Utf8.h"
#include "transfer/MessageFile.h"
#include "transfer/SaveAllRun.h"
#include "transfer/SourceTimeText.h"
#include "transfer/SystemPath.h"
#ifdef _WIN32
#include "comclients/ComMailParser.h"
#endif
#include "components/DirectMailParser.h"
#include "quillon/core/StoreRegistry.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Wall-clock and processor seconds of one stretch.
struct Span {
    double wall = 0, cpu = 0;
};

#ifdef _WIN32
// Under wine part of the work (file opens and deletes, the registry) is done
// by the wine server process; scripts/bench.sh names it, and its processor
// time is read from the host's /proc through the Z: drive.
double WineServerSeconds() {
    const char* pid = std::getenv("KORVANE_WINESERVER_PID");
    const char* hz = std::getenv("KORVANE_CLK_TCK");
    if (!pid || !hz) return 0;
    std::ifstream stat(std::string("Z:\\proc\\") + pid + "\\stat");
    std::string line;
    std::getline(stat, line);
    size_t end = line.rfind(')');  // the command name may hold spaces
    if (end == std::string::npos) return 0;
    std::istringstream fields(line.substr(end + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14) ticks += std::atof(field.c_str());  // utime, stime
    return ticks / std::atof(hz);
}
#endif

double ProcessorSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user) + WineServerSeconds();
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;  // the process's time, not the wall clock
#endif
}

class Timer {
public:
    Timer() : m_wall(Clock::now()), m_cpu(ProcessorSeconds()) {}
    Span Elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - m_wall).count(), ProcessorSeconds() - m_cpu};
    }

private:
    Clock::time_point m_wall;
    double m_cpu;
};

// The best (shortest) wall-clock and processor times of a pass's runs, each
// taken on its own, and the worst wall-clock time.
struct Runs {
    Span best{1e300, 1e300};
    double worstWall = 0;
    void Add(Span span) {
        best.wall = std::min(best.wall, span.wall);
        best.cpu = std::min(best.cpu, span.cpu);
        worstWall = std::max(worstWall, span.wall);
    }
};

Runs Repeat(int rounds, const std::function<Span()>& pass) {
    Runs runs;
    for (int round = 0; round < rounds; ++round) runs.Add(pass());
    return runs;
}

class QuietConsole final : public cli::Console {
public:
    void Out(const std::string& text) override { out += text; }
    void Err(const std::string& text) override { err += text; }
    bool ErrIsTerminal() const override { return false; }
    std::string out, err;
};

// One pass over every header; `stage` 0 scans only, 1 also makes the message
// file's bytes and, over COM, writes the file (as the transfer does: the one
// file renamed for each message), 2 also reads it back and builds the message
// as the component does. `edb2pst convert` hands the bytes over in memory.
#ifdef _WIN32
constexpr bool kMessageFiles = true;
#else
constexpr bool kMessageFiles = false;
#endif

Span Pass(const fs::path& source, int stage, uint64_t& markers) {
    mailbox::ScanError error;
    auto file = mailbox::OpenSourceFile(source, error);
    std::wstring tempError;
    auto temp = convert::TempMessageFolder::Create(tempError);
    mailbox::NeverStop token;
    const mailbox::CodePage& codePage = mailbox::SystemCodePage();
    size_t sink = 0;
    Timer timer;
    markers = mailbox::ForEachHeader(*file, token, nullptr, [&](const mailbox::HeaderMarker& marker) {
                  std::wstring text = codePage.Decode(marker.text, marker.TextSize());
                  sink += mailbox::SubjectText(text).size();
                  if (stage == 0) return true;
                  std::string bytes = convert::MessageFileBytes(marker.text, marker.TextSize());
                  std::wstring path = kMessageFiles ? temp->Write(marker.number + 1, bytes, tempError) : L"";
                  if (stage == 2) {
                      if (kMessageFiles) bytes = quillon::ReadMessageFile(mailbox::ToUtf8(path));
                      const std::string utf8 = kMessageFiles ? mailbox::ToUtf8(text) : std::string();
                      mail::MessageTexts texts{" name", "06/12/2026 09:05 AM", utf8};
                      sink += mail::BuildMessage(bytes, texts, 0).subject.size();
                  }
                  if (kMessageFiles) temp->MessageDone();
                  return true;
              }).markers;
    Span span = timer.Elapsed();
    if (sink == 1) std::printf(" ");
    return span;
}

#ifdef _WIN32
// Save All of one mailbox through the transfer core, as the conversion page's
// worker runs it, over the component the factory makes.
Span Transfer(const fs::path& source, const fs::path& out, const std::wstring& mailboxName, uint64_t markers,
              const convert::ExchangeFactory& openExchange, const std::function<void()>& finish, bool& ok) {
    mailbox::NeverStop token;
    convert::TransferObserver observer;
    convert::TransferServices services;
    services.openExchange = openExchange;
    services.token = &token;
    services.observer = &observer;
    convert::SaveAllRequest request{convert::FromSystemPath(out), {mailboxName}, false};
    fs::create_directories(out);
    Timer timer;
    convert::SaveAllOutcome outcome = convert::RunSaveAll(request, {convert::FromSystemPath(source), markers}, services);
    finish();
    Span span = timer.Elapsed();
    ok = outcome.Succeeded() && outcome.mailboxes.at(0).stored == markers;
    if (!ok)
        std::fprintf(stderr, "transfer failed: %s\n",
                     outcome.mailboxes.empty() ? "no mailbox"
                                               : mailbox::ToUtf8(convert::ResultText(outcome.mailboxes[0])).c_str());
    return span;
}

#endif

void PrintRate(const char* what, uint64_t markers, const Runs& runs, int rounds) {
    std::printf(
        "%s: %.0f messages/s by the wall clock (best of %d, %.2f s; worst %.2f s), %.0f by processor time (%.2f s)\n",
        what, markers / runs.best.wall, rounds, runs.best.wall, runs.worstWall, markers / runs.best.cpu, runs.best.cpu);
}

// One row of the split: the difference between two passes.
void PrintShare(const char* what, Span a, Span b, Span total, uint64_t markers) {
    double wall = a.wall - b.wall, cpu = a.cpu - b.cpu;
    std::printf("  %-38s %8.2f %6.1f%% %12.1f %8.2f\n", what, wall, 100 * wall / total.wall, 1e6 * wall / markers, cpu);
}

void PrintSplitHeader() {
    std::printf("  %-38s %8s %7s %12s %8s\n", "stage", "wall s", "share", "us/message", "cpu s");
}

#ifdef _WIN32
std::wstring BuildPath(const char* built) {
    // A Unix build path is reached through wine's Z: drive.
    std::wstring path = built[0] && built[1] == ':' ? L"" : L"Z:";
    for (const char* c = built; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

bool RegisterComponent(const std::wstring& programFolder) {
    const std::wstring dll = programFolder + L"\\Quillon.dll";
    HMODULE module = ::LoadLibraryW(dll.c_str());
    using EntryFn = HRESULT(STDAPICALLTYPE*)();
    auto registerServer =
        module ? reinterpret_cast<EntryFn>(reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")))
               : nullptr;
    if (registerServer && SUCCEEDED(registerServer())) return true;
    std::fprintf(stderr, "cannot register %ls\n", dll.c_str());
    return false;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "convert_bench";
    int messages = argc > 2 ? std::atoi(argv[2]) : 30000;  // the generator writes ~1.67 headers per message
    int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
    fs::remove_all(work);
    fs::create_directories(work);
    const fs::path source = work / "bench.edb";
    sample::Expectation expected;
    std::string error;
    if (!sample::WriteSample(source.string(), {77, messages, 0, false, 0, 0}, expected, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::wstring mailboxName = mailbox::FromUtf8(expected.mailboxes.at(1));
    std::printf("source: %s, %.1f MB, %llu message headers\n", source.string().c_str(), fs::file_size(source) / 1e6,
                static_cast<unsigned long long>(expected.messageCount));

    Timer copyTimer;
    fs::copy_file(source, work / "copy.edb");
    Span copy = copyTimer.Elapsed();
    fs::remove(work / "copy.edb");

    uint64_t markers = 0;
    Span scan = Repeat(rounds, [&] { return Pass(source, 0, markers); }).best;
    Span scanWrite = Repeat(rounds, [&] { return Pass(source, 1, markers); }).best;
    Span scanWriteParse = Repeat(rounds, [&] { return Pass(source, 2, markers); }).best;

    bool ok = true;
#ifndef _WIN32
    Runs convert = Repeat(rounds, [&] {
        QuietConsole console;
        fs::remove_all(work / "out");
        Timer timer;
        int status = cli::RunEdb2Pst({L"convert", convert::FromSystemPath(source),
                                      convert::FromSystemPath(work / "out"), L"--mailbox", mailboxName},
                                     console);
        Span span = timer.Elapsed();
        if (status != 0) {
            std::fprintf(stderr, "edb2pst convert failed (%d): %s\n", status, console.err.c_str());
            ok = false;
        }
        return span;
    });
    PrintRate("edb2pst convert", markers, convert, rounds);
    std::printf("  (the command scans the source twice more, for the mailbox names and the count)\n");
    PrintSplitHeader();
    Span total = convert.best;
    PrintShare("scanning (decoding, name text)", scan, Span{}, total, markers);
    PrintShare("message bytes, in memory", scanWrite, scan, total, markers);
    PrintShare("component: parse each message", scanWriteParse, scanWrite, total, markers);
    PrintShare("PST engine and the rest", total, scanWriteParse, total, markers);
    std::printf("RESULT edb2pst %.0f %.0f\n", markers / total.wall, markers / total.cpu);
#else
    const std::wstring programFolder = BuildPath(KORVANE_PROGRAM_DIR);
    if (!RegisterComponent(programFolder)) return 1;
    // Rounds alternate so both sides see the same machine state.
    Runs direct, exchange;
    for (int round = 0; round < rounds && ok; ++round) {
        const std::wstring suffix = std::to_wstring(round);
        quillon::StoreRegistry registry;
        direct.Add(Transfer(
            source, work / ("direct" + std::to_string(round)), mailboxName, markers,
            [&registry] { return std::make_unique<components::CDirectMailParser>(registry); },
            [&registry] { registry.Shutdown(); }, ok));
        // The component closes a store when another is created: the scratch
        // store makes it write the exact maps, as the direct run's shutdown does.
        const std::wstring scratch = convert::FromSystemPath(work / ("scratch" + std::to_string(round) + ".pst"));
        exchange.Add(Transfer(
            source, work / ("exchange" + std::to_string(round)), mailboxName, markers,
            [&programFolder] { return std::make_unique<components::CComMailParser>(nullptr, programFolder); },
            [&] { components::CComMailParser(nullptr, programFolder).CreateStore(scratch, L"scratch" + suffix); }, ok));
    }
    PrintRate("wizard path (transfer over COM)", markers, exchange, rounds);
    PrintRate("same transfer over the core in process", markers, direct, rounds);
    PrintSplitHeader();
    Span total = exchange.best;
    PrintShare("scanning (decoding, name text)", scan, Span{}, total, markers);
    PrintShare("temporary message files", scanWrite, scan, total, markers);
    PrintShare("component: read and parse each file", scanWriteParse, scanWrite, total, markers);
    PrintShare("PST engine and the rest", direct.best, scanWriteParse, total, markers);
    PrintShare("COM exchange (over the in-process run)", total, direct.best, total, markers);
    std::printf("RESULT wizard %.0f %.0f\n", markers / total.wall, markers / total.cpu);
#endif
    std::printf("peer: copying the source file took %.3f s wall, %.3f s processor (%.0fx faster than the conversion)\n",
                copy.wall, copy.cpu, total.wall / copy.wall);
    std::error_code ignored;
    fs::remove_all(work, ignored);  // under wine the component holds the last scratch store open
    return ok ? 0 : 1;
}
