// The engine's public API under the sanitizers on damaged stores, with no
// randomness but a fixed seed: stores the engine wrote, damaged in the ways a
// disk, a copy or a crafted file damages them (cut short, bits flipped, words
// and pages overwritten, node id counters set back behind the nodes), each
// handed to the pst_store_open fuzzer's steps: open, walk every folder and
// message, find or create a folder, append a message, walk again. A memory
// fault ends the run with the sanitizer's report.
//
//   pst_damaged_stores [COPIES]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "../pst/TestFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using pst_test::Bytes;

// The header's node id counters (rgnid), as [MS-PST] places them.
constexpr size_t kCounters = 44, kCounterBytes = 128, kNormalFolderCounter = 2;

Bytes BuildStore(bool closed, bool nested) {
    auto data = std::make_shared<Bytes>();
    auto store = pst::Store::Create(pst_test::InMemory(data), "Damage");
    auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
    for (int i = 0; i < 24; ++i) inbox->AddMessage(pst_test::SampleMessage(i, 200, i % 8 == 3 ? 20000 : 0));
    if (nested) inbox->CreateSubfolder("Projects")->AddMessage(pst_test::SampleMessage(99, 5000, 100));
    if (closed) store.Value()->Close();
    return *data;
}

}  // namespace

int main(int argc, char** argv) {
    const int copies = argc > 1 ? std::atoi(argv[1]) : 800;
    const Bytes bases[] = {BuildStore(false, true), BuildStore(true, true), BuildStore(false, false)};
    Bytes fresh;
    {
        auto data = std::make_shared<Bytes>();
        pst::Store::Create(pst_test::InMemory(data), "Fresh");
        fresh = *data;
    }
    std::mt19937 random(20261209);
    auto at = [&](size_t limit) { return std::uniform_int_distribution<size_t>(0, limit - 1)(random); };
    for (int seed = 0; seed < copies; ++seed) {
        Bytes f = bases[seed % 3];
        switch (seed % 5) {
            case 0:
                f.resize(at(f.size()));
                break;
            case 1:
                for (int flips = 1 + seed % 3; flips > 0; --flips) f[at(f.size())] ^= static_cast<uint8_t>(1u << at(8));
                break;
            case 2: {
                size_t word = at(f.size() - 3);
                uint32_t value = static_cast<uint32_t>(random());
                for (int i = 0; i < 4; ++i) f[word + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
                break;
            }
            case 3: {
                size_t page = at(f.size() / 512) * 512;
                std::fill(f.begin() + static_cast<std::ptrdiff_t>(page),
                          f.begin() + static_cast<std::ptrdiff_t>(page + 512), 0);
                break;
            }
            default:
                // The counters of a new store over one that holds folders and
                // messages, the folder counter set back by a few more, so that
                // the next id is that of a standard folder.
                std::copy(fresh.begin() + kCounters, fresh.begin() + kCounters + kCounterBytes, f.begin() + kCounters);
                f[kCounters + 4 * kNormalFolderCounter] -= static_cast<uint8_t>(at(4));
                break;
        }
        LLVMFuzzerTestOneInput(f.data(), f.size());
    }
    std::printf("damaged stores: %d copies opened, walked, appended to and walked again\n", copies);
    return 0;
}
