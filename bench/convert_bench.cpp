// Messages per second of `edb2pst convert` on a synthetic source of about
// 50,000 message headers, one mailbox, natively, and where the time goes:
// scanning, writing the temporary message files, the component's parse of
// each file, and the PST engine (the rest of the end-to-end time). The split
// comes from passes that each add one stage to the one before; the peer is a
// plain copy of the source file measured in the same run. Each figure is
// given as processor time (user + system) beside the wall-clock time: on a
// machine shared with other work the wall clock mostly measures the wait for
// a processor. Run by hand.
//   convert_bench [WORK_DIR] [HEADERS]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/Edb2Pst.h"
#include "convert/MessageFile.h"
#include "mail/MessageBuilder.h"
#include "mailbox/HeaderScan.h"
#include "mailbox/Utf8.h"
#include "mailbox/SubjectText.h"
#include "sample/SampleSource.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Wall-clock and processor seconds of one stretch.
struct Span {
    double wall = 0, cpu = 0;
};

class Timer {
public:
    Timer() : m_wall(Clock::now()), m_cpu(std::clock()) {}
    Span Elapsed() const {
        return {std::chrono::duration<double>(Clock::now() - m_wall).count(),
                static_cast<double>(std::clock() - m_cpu) / CLOCKS_PER_SEC};
    }

private:
    Clock::time_point m_wall;
    std::clock_t m_cpu;
};

class QuietConsole final : public cli::Console {
public:
    void Out(const std::string& text) override { out += text; }
    void Err(const std::string& text) override { err += text; }
    bool ErrIsTerminal() const override { return false; }
    std::string out, err;
};

// One pass over every header; `stage` 0 scans only, 1 also writes and removes
// the message file, 2 also reads it back and builds the message as the
// component does.
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
                  std::wstring path = temp->Write(marker.number + 1,
                                                  convert::MessageFileBytes(marker.text, marker.TextSize()), tempError);
                  if (stage == 2) {
                      std::ifstream in(fs::path(mailbox::ToUtf8(path)), std::ios::binary);
                      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                      mail::MessageTexts texts{" name", "06/12/2026 09:05 AM", mailbox::ToUtf8(text)};
                      sink += mail::BuildMessage(bytes, texts, 0).subject.size();
                  }
                  temp->Remove(path);
                  return true;
              }).markers;
    Span span = timer.Elapsed();
    if (sink == 1) std::printf(" ");
    return span;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "convert_bench";
    int messages = argc > 2 ? std::atoi(argv[2]) : 30000;  // the generator writes ~1.67 headers per message
    fs::remove_all(work);
    fs::create_directories(work);
    const fs::path source = work / "bench.edb";
    sample::Expectation expected;
    std::string error;
    if (!sample::WriteSample(source.string(), {77, messages, 0, false, 0, 0}, expected, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("source: %s, %.1f MB, %llu message headers\n", source.string().c_str(), fs::file_size(source) / 1e6,
                static_cast<unsigned long long>(expected.messageCount));

    Timer copyTimer;
    fs::copy_file(source, work / "copy.edb");
    Span copy = copyTimer.Elapsed();
    fs::remove(work / "copy.edb");

    uint64_t markers = 0;
    Span scan = Pass(source, 0, markers);
    Span scanWrite = Pass(source, 1, markers);
    Span scanWriteParse = Pass(source, 2, markers);

    QuietConsole console;
    Timer timer;
    int status = cli::RunEdb2Pst({L"convert", source.wstring(), (work / "out").wstring(), L"--mailbox",
                                  mailbox::FromUtf8(expected.mailboxes.at(1))},
                                 console);
    Span total = timer.Elapsed();
    if (status != 0) {
        std::fprintf(stderr, "edb2pst convert failed (%d): %s\n", status, console.err.c_str());
        return 1;
    }
    std::printf(
        "edb2pst convert: %.0f messages/s end to end by processor time (%.2f s), %.0f by the wall clock "
        "(%.2f s); goal 5,000\n",
        markers / total.cpu, total.cpu, markers / total.wall, total.wall);
    std::printf("  %s", console.out.c_str());
    std::printf("  %-36s %8s %7s %12s %8s\n", "stage", "cpu s", "share", "us/message", "wall s");
    auto share = [&](const char* what, Span a, Span b) {
        double cpu = a.cpu - b.cpu, wall = a.wall - b.wall;
        std::printf("  %-36s %8.2f %6.1f%% %12.1f %8.2f\n", what, cpu, 100 * cpu / total.cpu, 1e6 * cpu / markers,
                    wall);
    };
    share("scanning (decoding, name text)", scan, Span{});
    share("temporary message files", scanWrite, scan);
    share("component: read and parse each file", scanWriteParse, scanWrite);
    share("PST engine and the rest", total, scanWriteParse);
    std::printf(
        "peer: copying the source file took %.3f s wall, %.3f s processor; convert takes %.0fx the copy's "
        "wall time\n",
        copy.wall, copy.cpu, total.wall / copy.wall);
    fs::remove_all(work);
    return 0;
}
