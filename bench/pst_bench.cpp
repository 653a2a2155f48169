// Writes many messages into one Inbox and prints the engine's throughput,
// peak memory and space overhead, and, as a peer measured in the same run on the
// same disk, the time to append the same raw bytes to a plain file and
// readpst's time to read the store back; then where the bytes written went.
//
//   pst_bench [--messages N] [--batch N] [--keep FILE] [--fsync | --flush-interval MS]
//
// --batch N hands the messages over N at a time (Folder::AddMessages, one
// commit each) instead of one call and one commit per message.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pst/Store.h"

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Bytes this process handed to write calls: what the engine really wrote,
// rewrites included, as opposed to the size the file ends up with.
double BytesWrittenByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    double value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return 0;
}

// Processor time of this process so far: on a shared machine the wall clock
// mostly measures the wait for a processor.
double ProcessorSeconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakResidentKiB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Text(std::mt19937& random, size_t bytes) {
    static const char* const kWords[] = {"mailbox",  "quarterly", "report",  "meeting", "the",
                                         "and",      "schedule",  "invoice", "please",  "review",
                                         "attached", "regards",   "project", "update",  "tomorrow",
                                         "budget",   "of",        "to",      "a",       "customer"};
    std::string out;
    out.reserve(bytes + 16);
    while (out.size() < bytes) {
        out += kWords[random() % 20];
        out += (random() % 12 == 0) ? ".\r\n" : " ";
    }
    out.resize(bytes);
    return out;
}

// The peer: the same content appended to a plain file, one write per message
// (and one flush per message when the engine flushes too). Nothing can store the
// mail faster than this, so engine time over peer time is the engine's overhead.
double PlainAppendSeconds(const std::string& path, long count, const std::vector<std::string>& bodies,
                          const std::vector<uint8_t>& attachment, bool flushEach) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 0;
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        std::string record = "Benchmark message " + std::to_string(i) + "Sender " + std::to_string(i % 97) + "sender" +
                             std::to_string(i % 97) + "@example.com" + bodies[static_cast<size_t>(i) % bodies.size()];
        if (i % 10 == 0) record.append(attachment.begin(), attachment.end());
        std::fwrite(record.data(), 1, record.size(), out);
        std::fflush(out);
        if (flushEach) fdatasync(fileno(out));
    }
    std::fclose(out);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::remove(path.c_str());
    return seconds;
}

pst::WriteCounts Difference(const pst::WriteCounts& a, const pst::WriteCounts& b) {
    pst::WriteCounts d;
    d.commits = a.commits - b.commits;
    d.nodeTreePages = a.nodeTreePages - b.nodeTreePages;
    d.blockTreePages = a.blockTreePages - b.blockTreePages;
    d.mapPages = a.mapPages - b.mapPages;
    d.headers = a.headers - b.headers;
    d.propertyContextBlocks = a.propertyContextBlocks - b.propertyContextBlocks;
    d.tableBlocks = a.tableBlocks - b.tableBlocks;
    d.subnodeBlocks = a.subnodeBlocks - b.subnodeBlocks;
    d.largeValueBlocks = a.largeValueBlocks - b.largeValueBlocks;
    d.other = a.other - b.other;
    return d;
}

// Where the engine's writes went, per commit and per message, and in bytes
// written per byte of content.
void PrintAccounting(const pst::WriteCounts& c, long messages, uint64_t rawBytes) {
    const double commits = c.commits ? static_cast<double>(c.commits) : 1.0;
    const double perCommit = static_cast<double>(c.nodeTreePages + c.blockTreePages + c.mapPages + c.headers);
    const double perObject = static_cast<double>(c.propertyContextBlocks + c.tableBlocks + c.subnodeBlocks +
                                                 c.largeValueBlocks + c.other);
    std::printf("bytes written per commit (%llu commits): %.0f\n", static_cast<unsigned long long>(c.commits),
                perCommit / commits);
    std::printf("  node tree pages    %8.0f\n  block tree pages   %8.0f\n  map pages          %8.0f\n"
                "  headers            %8.0f\n  density list              0 (none written)\n",
                c.nodeTreePages / commits, c.blockTreePages / commits, c.mapPages / commits, c.headers / commits);
    std::printf("bytes written per message: %.0f\n", perObject / messages);
    std::printf("  property contexts  %8.0f\n  tables             %8.0f\n  subnode blocks     %8.0f\n"
                "  large values       %8.0f\n  interval ends      %8.0f\n",
                static_cast<double>(c.propertyContextBlocks) / messages, static_cast<double>(c.tableBlocks) / messages,
                static_cast<double>(c.subnodeBlocks) / messages, static_cast<double>(c.largeValueBlocks) / messages,
                static_cast<double>(c.other) / messages);
    std::printf("bytes written per content byte: %.2f (%.2f per commit, %.2f in the objects)\n",
                (perCommit + perObject) / rawBytes, perCommit / rawBytes, perObject / rawBytes);
}

// readpst's time to read the whole store into a scratch folder; 0 without readpst.
double ReadpstSeconds(const std::string& path) {
    if (std::system("command -v readpst >/dev/null 2>&1") != 0) return 0;
    const std::string out = path + ".readpst";
    if (std::system(("rm -rf '" + out + "' && mkdir -p '" + out + "'").c_str()) != 0) return 0;
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(("readpst -q -o '" + out + "' '" + path + "' >/dev/null 2>&1").c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (std::system(("rm -rf '" + out + "'").c_str()) != 0) return 0;
    return rc == 0 ? seconds : 0;
}

}  // namespace

int main(int argc, char** argv) {
    long count = 100000;
    long batch = 1;
    std::string keep;
    pst::StoreOptions options;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--messages") && i + 1 < argc) {
            count = std::atol(argv[++i]);
        } else if (!std::strcmp(argv[i], "--batch") && i + 1 < argc) {
            batch = std::max(1L, std::atol(argv[++i]));
        } else if (!std::strcmp(argv[i], "--keep") && i + 1 < argc) {
            keep = argv[++i];
        } else if (!std::strcmp(argv[i], "--fsync")) {
            options.flushEachCommit = true;
        } else if (!std::strcmp(argv[i], "--flush-interval") && i + 1 < argc) {
            options.flushInterval = std::chrono::milliseconds(std::atol(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--messages N] [--batch N] [--keep FILE] [--fsync | --flush-interval MS]\n", argv[0]);
            return 2;
        }
    }
    std::string path = keep.empty() ? "/tmp/pst_bench_" + std::to_string(getpid()) + ".pst" : keep;

    auto created = pst::Store::Create(path, "Benchmark", options);
    if (!created) {
        std::fprintf(stderr, "%s\n", created.Message().c_str());
        return 1;
    }
    std::unique_ptr<pst::Store> store = std::move(created.Value());
    auto inbox = store->IpmSubtree().CreateSubfolder("Inbox");
    if (!inbox) {
        std::fprintf(stderr, "%s\n", inbox.Message().c_str());
        return 1;
    }
    std::mt19937 random(42);
    // Message texts are prepared before timing so that the figures are the engine's.
    std::vector<std::string> bodies;
    for (int i = 0; i < 64; ++i) bodies.push_back(Text(random, 1800 + random() % 400));
    std::vector<uint8_t> attachment(20 * 1024);
    for (auto& b : attachment) b = static_cast<uint8_t>(random());

    uint64_t rawBytes = 0;
    long rssQuarter = 0;
    const pst::WriteCounts countsBefore = store->BytesWritten();
    double writtenBefore = BytesWrittenByProcess();
    const double processorBefore = ProcessorSeconds();
    auto start = std::chrono::steady_clock::now();
    std::vector<pst::MessageData> pending;
    for (long i = 0; i < count; ++i) {
        pst::MessageData m;
        m.subject = "Benchmark message " + std::to_string(i);
        m.bodyText = bodies[static_cast<size_t>(i) % bodies.size()];
        m.senderName = "Sender " + std::to_string(i % 97);
        m.senderAddress = "sender" + std::to_string(i % 97) + "@example.com";
        m.recipients.push_back({pst::RecipientType::To, "Recipient", "recipient@example.com"});
        m.submitTime = 133000000000000000ULL + static_cast<uint64_t>(i) * 600000000ULL;
        m.deliveryTime = m.submitTime + 20000000;
        if (i % 10 == 0) {
            pst::Attachment a;
            a.fileName = "report" + std::to_string(i) + ".bin";
            a.mimeType = "application/octet-stream";
            a.bytes = attachment;
            m.attachments.push_back(std::move(a));
        }
        rawBytes += m.subject.size() + m.bodyText.size() + m.senderName.size() + m.senderAddress.size() + 30;
        for (const auto& a : m.attachments) rawBytes += a.bytes.size() + a.fileName.size();
        pending.push_back(std::move(m));
        if (static_cast<long>(pending.size()) == batch || i + 1 == count) {
            auto added = batch == 1 ? inbox->AddMessage(pending[0]).GetStatus() : inbox->AddMessages(pending).GetStatus();
            if (!added) {
                std::fprintf(stderr, "message %ld: %s\n", i, added.Message().c_str());
                return 1;
            }
            pending.clear();
        }
        if (i == count / 4) rssQuarter = ResidentKiB();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double processorSeconds = ProcessorSeconds() - processorBefore;
    double written = BytesWrittenByProcess() - writtenBefore;
    const pst::WriteCounts counts = Difference(store->BytesWritten(), countsBefore);
    long rssEnd = ResidentKiB();
    pst::Status closed = store->Close();
    store.reset();
    if (!closed) {
        std::fprintf(stderr, "close: %s\n", closed.Message().c_str());
        return 1;
    }
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    double fileBytes = static_cast<double>(f.tellg());
    double peerSeconds = PlainAppendSeconds(path + ".peer", count, bodies, attachment, options.flushEachCommit);
    double readpstSeconds = ReadpstSeconds(path);

    std::printf("messages:            %ld%s", count, options.flushEachCommit ? " (flush per commit)" : "");
    if (batch > 1) std::printf(" (%ld per call and commit)", batch);
    if (options.flushInterval.count() > 0)
        std::printf(" (flush at most every %lld ms)", static_cast<long long>(options.flushInterval.count()));
    std::printf("\n");
    std::printf("time:                %.2f s\n", seconds);
    std::printf("messages per second: %.0f (%.0f by processor time, %.2f s)\n", count / seconds,
                count / processorSeconds, processorSeconds);
    std::printf("MB/s written:        %.1f (%.1f KB written per message, rewrites included)\n", written / seconds / 1e6,
                written / count / 1e3);
    std::printf("content MB/s:        %.1f (raw bytes stored per second)\n", rawBytes / seconds / 1e6);
    std::printf("resident memory:     %.1f MiB at 1/4, %.1f MiB at end, %.1f MiB peak\n", rssQuarter / 1024.0,
                rssEnd / 1024.0, PeakResidentKiB() / 1024.0);
    std::printf("file size:           %.1f MB for %.1f MB raw content: ratio %.2f\n", fileBytes / 1e6, rawBytes / 1e6,
                fileBytes / rawBytes);
    std::printf("peer:                %.2f s to append the same content to a plain file; engine/peer %.1fx\n",
                peerSeconds, peerSeconds > 0 ? seconds / peerSeconds : 0.0);
    if (readpstSeconds > 0)
        std::printf("readpst:             %.2f s to read the store back, %.0f messages per second\n", readpstSeconds,
                    count / readpstSeconds);
    PrintAccounting(counts, count, rawBytes);
    if (keep.empty()) std::remove(path.c_str());
    return 0;
}
