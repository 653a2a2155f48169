// Times a full walk (every record of every table decoded) of ESE databases in
// the page cache against `cat FILE > /dev/null` in the same run, and reports
// the process's peak memory. Run by hand; it asserts nothing about speed.
//
//   ese_bench [--big PATH] [--size BYTES] [--rounds N] FILE...
//
// Besides the files named, it builds (once, kept at PATH, default
// ese-bench.edb) a database of at least SIZE bytes (default 1 GiB) by
// repeating the leaf pages of the largest table of SRUDB.dat from the corpus:
// the file's own pages come first, then copies of the table's leaves with
// their page numbers, sibling links and checksums rewritten, and new branch
// levels over them; the table's root page becomes the top branch. The rows,
// their keys included, repeat; every page is sound.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Checksum.h"
#include "ese/Database.h"

namespace {

using korvane::ese::Le16;
using korvane::ese::Le32;

double Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Cat(const std::string& path) {
    pid_t child = fork();
    if (child == 0) {
        int sink = open("/dev/null", O_WRONLY);
        dup2(sink, 1);
        execlp("cat", "cat", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

long PeakKiB() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Decodes every record of every table; returns the cells seen.
uint64_t FullWalk(const std::string& path, uint64_t& records) {
    std::string error;
    auto file = korvane::ese::OpenFile(path, error);
    auto db = file ? korvane::ese::Database::Open(std::move(file), error) : nullptr;
    if (!db) {
        std::fprintf(stderr, "ese_bench: %s: %s\n", path.c_str(), error.c_str());
        std::exit(1);
    }
    uint64_t cells = 0;
    records = 0;
    for (const korvane::ese::Table& table : db->Tables()) {
        db->ForEachRecord(table, [&](const korvane::ese::Record& record) {
            ++records;
            for (const korvane::ese::Cell& cell : record) cells += cell.items.size();
            return true;
        });
    }
    return cells;
}

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rewrites `page` as a branch whose nodes name `children`, keyed by a 4-byte
// big-endian ordinal; keeps its header fields and tag 0 (the root's space header).
void WriteBranch(std::vector<uint8_t>& page, const std::vector<uint32_t>& children, uint32_t firstOrdinal, bool root) {
    const uint32_t size = static_cast<uint32_t>(page.size());
    const uint8_t* lastTag = page.data() + size - 4;
    std::vector<uint8_t> tag0(page.data() + 40 + (Le16(lastTag + 2) & 0x1FFF),
                              page.data() + 40 + (Le16(lastTag + 2) & 0x1FFF) + (Le16(lastTag) & 0x1FFF));
    std::vector<uint8_t> header(page.begin(), page.begin() + 40);
    std::fill(page.begin(), page.end(), 0);
    std::copy(header.begin(), header.end(), page.begin());
    uint32_t at = 0;
    auto addNode = [&](uint32_t tag, const uint8_t* bytes, uint32_t length) {
        std::memcpy(page.data() + 40 + at, bytes, length);
        PutLe16(page.data() + size - 4 * (tag + 1), length);
        PutLe16(page.data() + size - 4 * (tag + 1) + 2, at);
        at += length;
    };
    addNode(0, tag0.data(), static_cast<uint32_t>(tag0.size()));
    for (size_t i = 0; i < children.size(); ++i) {
        uint8_t node[10];
        PutLe16(node, 4);
        uint32_t ordinal = firstOrdinal + static_cast<uint32_t>(i);
        for (int b = 0; b < 4; ++b) node[2 + b] = static_cast<uint8_t>(ordinal >> (24 - 8 * b));
        PutLe32(node + 6, children[i]);
        addNode(static_cast<uint32_t>(i + 1), node, i + 1 == children.size() ? 6 : 10);
        if (i + 1 == children.size()) {
            // The last node's key is empty: it takes everything after the one before.
            uint8_t* last = page.data() + 40 + at - 6;
            PutLe16(last, 0);
            PutLe32(last + 2, children[i]);
        }
    }
    const uint32_t tags = static_cast<uint32_t>(children.size() + 1);
    PutLe16(page.data() + 28, size - 40 - at - 4 * tags);
    PutLe16(page.data() + 32, at);
    PutLe16(page.data() + 34, tags);
    PutLe32(page.data() + 16, 0);
    PutLe32(page.data() + 20, 0);
    uint32_t flags = Le32(page.data() + 36);
    flags = (flags & ~0x7u) | (root ? 0x1u : 0u);  // neither leaf nor parent of leaves: an inner branch
    PutLe32(page.data() + 36, flags);
}

std::string BuildBig(const std::string& source, const std::string& path, uint64_t target) {
    std::ifstream in(source, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::string bytes = all.str();
    std::string error;
    auto db = korvane::ese::Database::Open(korvane::ese::MemoryFile(bytes), error);
    if (!db) return error;
    const uint32_t size = db->Header().pageSize;
    const korvane::ese::Table* table = nullptr;
    uint64_t most = 0;
    for (const korvane::ese::Table& t : db->Tables()) {
        uint64_t count = 0;
        if (t.name.rfind("MSys", 0) != 0 && db->CountRecords(t, count) && count > most) {
            most = count;
            table = &t;
        }
    }
    if (!table) return "no user table with records";
    // The table's leaves, found by following the leftmost children, then the sibling links.
    auto page = [&](uint32_t n) { return reinterpret_cast<uint8_t*>(&bytes[(static_cast<size_t>(n) + 1) * size]); };
    uint32_t leaf = table->rootPage;
    while (!(Le32(page(leaf) + 36) & 0x2)) {
        const uint8_t* tag = page(leaf) + size - 8;
        leaf = Le32(page(leaf) + 40 + (Le16(tag + 2) & 0x1FFF) + (Le16(tag) & 0x1FFF) - 4);
    }
    std::vector<uint32_t> leaves;
    for (uint32_t n = leaf; n != 0 && leaves.size() < 100000; n = Le32(page(n) + 20)) leaves.push_back(n);
    const uint32_t firstNew = static_cast<uint32_t>(bytes.size() / size - 1);
    const uint32_t copies = static_cast<uint32_t>(target / size);
    const uint32_t fanout = (size - 40 - 16) / 14;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return "cannot write " + path;
    std::vector<uint8_t> buffer(size);
    // Leaves first, then each branch level; the root stays where it is.
    std::vector<uint32_t> level;
    uint32_t next = firstNew;
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    for (uint32_t i = 0; i < copies; ++i) {
        const uint8_t* original = page(leaves[i % leaves.size()]);
        std::copy(original, original + size, buffer.begin());
        PutLe32(buffer.data() + 16, i ? next - 1 : 0);
        PutLe32(buffer.data() + 20, i + 1 < copies ? next + 1 : 0);
        PutLe32(buffer.data() + 36, Le32(buffer.data() + 36) & ~0x1u);
        korvane::ese::SealPage(buffer.data(), size, next);
        std::fwrite(buffer.data(), 1, size, out);
        level.push_back(next++);
    }
    std::vector<uint8_t> branchTemplate(page(table->rootPage), page(table->rootPage) + size);
    while (level.size() > fanout) {
        std::vector<uint32_t> above;
        for (size_t i = 0; i < level.size(); i += fanout) {
            std::vector<uint32_t> children(level.begin() + i, level.begin() + std::min(level.size(), i + fanout));
            buffer = branchTemplate;
            WriteBranch(buffer, children, static_cast<uint32_t>(i), false);
            korvane::ese::SealPage(buffer.data(), size, next);
            std::fwrite(buffer.data(), 1, size, out);
            above.push_back(next++);
        }
        level = above;
    }
    buffer = branchTemplate;
    WriteBranch(buffer, level, 0, true);
    korvane::ese::SealPage(buffer.data(), size, table->rootPage);
    std::fseek(out, static_cast<long>((static_cast<uint64_t>(table->rootPage) + 1) * size), SEEK_SET);
    std::fwrite(buffer.data(), 1, size, out);
    std::fclose(out);
    std::printf("built %s: %s of SRUDB.dat's table %s, %u leaf pages (%zu distinct) under %u new branch pages\n",
                path.c_str(), "the rows", table->name.c_str(), copies, leaves.size(), next - firstNew - copies);
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    std::string big = "ese-bench.edb", corpus = "build/native/tests/ese/corpus";
    uint64_t size = 1ull << 30;
    int rounds = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--big") && i + 1 < argc) big = argv[++i];
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc) size = std::strtoull(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--corpus") && i + 1 < argc) corpus = argv[++i];
        else files.push_back(argv[i]);
    }
    struct stat info {};
    if (stat(big.c_str(), &info) != 0 || static_cast<uint64_t>(info.st_size) < size) {
        std::string error = BuildBig(corpus + "/SRUDB.dat", big, size);
        if (!error.empty()) {
            std::fprintf(stderr, "ese_bench: %s\n", error.c_str());
            return 1;
        }
    }
    files.insert(files.begin(), big);
    std::printf("%-28s %10s %10s %9s %9s %7s %9s\n", "file", "MB", "records", "walk MB/s", "cat MB/s", "ratio",
                "peak MiB");
    for (const std::string& path : files) {
        stat(path.c_str(), &info);
        const double mb = static_cast<double>(info.st_size) / 1e6;
        Cat(path);  // into the page cache
        double walk = 1e30, cat = 1e30;
        uint64_t records = 0;
        for (int r = 0; r < rounds; ++r) {
            cat = std::min(cat, Seconds([&] { Cat(path); }));
            walk = std::min(walk, Seconds([&] { FullWalk(path, records); }));
        }
        std::string name = path.substr(path.find_last_of('/') + 1);
        std::printf("%-28.28s %10.1f %10llu %9.0f %9.0f %7.2f %9.1f\n", name.c_str(), mb,
                    static_cast<unsigned long long>(records), mb / walk, mb / cat, walk / cat, PeakKiB() / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
