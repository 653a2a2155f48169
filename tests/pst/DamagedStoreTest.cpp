// A damaged store is refused, or the read that meets the damage fails; it
// never reads back different content without an error, and never reads out
// of bounds, loops or crashes (the sanitizer builds and the fuzzer check that).

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <random>

#include "FormatChecker.h"
#include "StoreWalk.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

uint64_t U64(const Bytes& b, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}
void Set64(Bytes& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
void Set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// Header fields and page layout of the format, read independently of the engine.
constexpr size_t kNbtRootBid = 216, kNbtRootIb = 224, kBbtRootIb = 240;

void FixPageCrc(Bytes& file, uint64_t ib) { Set32(file, ib + 500, FormatChecker::Crc(&file[ib], 496)); }

struct BlockEntry {
    uint64_t bid, ib;
    uint16_t cb;
};

// Every block the block tree lists, found by walking its pages.
std::vector<BlockEntry> Blocks(const Bytes& file) {
    std::vector<BlockEntry> out;
    std::function<void(uint64_t)> walk = [&](uint64_t ib) {
        const uint8_t* p = &file[ib];
        for (size_t i = 0; i < p[488]; ++i) {
            size_t at = ib + 24 * i;
            if (p[491] > 0)
                walk(U64(file, at + 16));
            else
                out.push_back(
                    {U64(file, at), U64(file, at + 8), static_cast<uint16_t>(file[at + 16] | (file[at + 17] << 8))});
        }
    };
    walk(U64(file, kBbtRootIb));
    return out;
}

size_t BlockDisk(uint16_t cb) { return (cb + 16u + 63u) / 64u * 64u; }

void FixBlockCrc(Bytes& file, const BlockEntry& b) {
    Set32(file, b.ib + BlockDisk(b.cb) - 12, FormatChecker::Crc(&file[b.ib], b.cb));
}

// A store of a few dozen messages (a two-level node tree, attachments large
// enough for multi-block data trees) and a nested folder.
Bytes BuildStore(bool closed) {
    auto data = std::make_shared<Bytes>();
    auto store = pst::Store::Create(InMemory(data), "Damage");
    auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
    for (int i = 0; i < 24; ++i) inbox->AddMessage(SampleMessage(i, 200, i % 8 == 3 ? 20000 : 0));
    auto projects = inbox->CreateSubfolder("Projects");
    projects->AddMessage(SampleMessage(99, 5000, 100));
    if (closed) store.Value()->Close();
    return *data;
}

struct Base {
    Bytes file;
    std::string content;      // the walk of the undamaged store
    std::string afterAppend;  // the walk after appending one message to it
};

std::string Append(std::shared_ptr<Bytes> data, pst::Status& status) {
    std::string text;
    {
        auto store = pst::Store::Open(InMemory(data));
        if (!store) return status = store.GetStatus(), text;
        auto added = store.Value()->IpmSubtree().FindSubfolder("Inbox")->AddMessage(SampleMessage(500, 9000, 9000));
        if (!added) return status = added.GetStatus(), text;
    }
    status = OpenAndWalk(InMemory(data), text);
    return text;
}

const Base& BaseStore(bool closed) {
    static Base bases[2];
    Base& b = bases[closed ? 1 : 0];
    if (b.file.empty()) {
        b.file = BuildStore(closed);
        EXPECT_TRUE(OpenAndWalk(InMemory(std::make_shared<Bytes>(b.file)), b.content).IsOk());
        pst::Status st = pst::Status::Ok();
        b.afterAppend = Append(std::make_shared<Bytes>(b.file), st);
        EXPECT_TRUE(st.IsOk()) << st.Message();
    }
    return b;
}

::testing::AssertionResult Refused(const Bytes& damaged) {
    std::string text;
    pst::Status st = OpenAndWalk(InMemory(std::make_shared<Bytes>(damaged)), text);
    if (st.IsOk()) return ::testing::AssertionFailure() << "the damaged store was read without an error";
    if (st.Message().empty()) return ::testing::AssertionFailure() << "refused without a reason";
    return ::testing::AssertionSuccess() << st.Message();
}

}  // namespace

TEST(DamagedStore, TruncatedAtAnyPageBoundaryIsRefused) {
    const Bytes& file = BaseStore(false).file;
    for (size_t at = 0; at < file.size(); at += 512)
        EXPECT_TRUE(Refused(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at)))) << "cut at " << at;
}

TEST(DamagedStore, StructuralDamageWithValidChecksumsIsRefused) {
    const Bytes& file = BaseStore(false).file;
    const uint64_t nbtRoot = U64(file, kNbtRootIb);
    ASSERT_GT(file[nbtRoot + 491], 0) << "the sample store needs a two-level node tree";
    const std::vector<BlockEntry> blocks = Blocks(file);
    auto xblock = std::find_if(blocks.begin(), blocks.end(),
                               [&](const BlockEntry& b) { return (b.bid & 2) && file[b.ib] == 0x01; });
    ASSERT_NE(blocks.end(), xblock) << "the sample store needs a multi-block data tree";
    auto largest = std::max_element(blocks.begin(), blocks.end(),
                                    [](const BlockEntry& a, const BlockEntry& b) { return a.cb < b.cb; });
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"node tree page counts one entry more", [&](Bytes& f) { f[nbtRoot + 488]++, FixPageCrc(f, nbtRoot); }},
        {"node tree page names itself as its child",
         [&](Bytes& f) {
             Set64(f, nbtRoot + 8, U64(f, kNbtRootBid));
             Set64(f, nbtRoot + 16, nbtRoot);
             FixPageCrc(f, nbtRoot);
         }},
        {"node tree page at a level above its parent",
         [&](Bytes& f) {
             uint64_t child = U64(f, nbtRoot + 16);
             f[child + 491] = f[nbtRoot + 491];
             FixPageCrc(f, child);
         }},
        {"block tree entry past the end of the file",
         [&](Bytes& f) {
             uint64_t leaf = U64(f, kBbtRootIb);
             while (f[leaf + 491] > 0) leaf = U64(f, leaf + 16);
             Set64(f, leaf + 8, f.size() + 4096);
             FixPageCrc(f, leaf);
         }},
        {"block tree entry larger than a block",
         [&](Bytes& f) {
             uint64_t leaf = U64(f, kBbtRootIb);
             while (f[leaf + 491] > 0) leaf = U64(f, leaf + 16);
             f[leaf + 17] = 0x40;
             FixPageCrc(f, leaf);
         }},
        {"XBLOCK listing itself", [&](Bytes& f) { Set64(f, xblock->ib + 8, xblock->bid), FixBlockCrc(f, *xblock); }},
        {"XBLOCK entry count past its block", [&](Bytes& f) { f[xblock->ib + 3] = 0x7F, FixBlockCrc(f, *xblock); }},
        {"XBLOCK total larger than its blocks",
         [&](Bytes& f) { Set32(f, xblock->ib + 4, 0x7FFFFFFF), FixBlockCrc(f, *xblock); }},
        {"data block with a wrong checksum", [&](Bytes& f) { f[largest->ib + largest->cb / 2] ^= 0x10; }},
        {"node tree page with a wrong checksum", [&](Bytes& f) { f[nbtRoot + 100] ^= 0x01; }},
        {"block trailer naming another block",
         [&](Bytes& f) { Set64(f, largest->ib + BlockDisk(largest->cb) - 8, 4); }},
    };
    for (const auto& c : cases) {
        Bytes damaged = file;
        c.damage(damaged);
        EXPECT_TRUE(Refused(damaged)) << c.name;
    }
}

// Random damage of the kinds a disk or a copy produces. Each copy is either
// refused (at open or at the read that meets the damage) or reads back exactly
// what was written, and then also takes one more message and reads back
// exactly that: a damaged allocation map must not make a write overwrite data.
TEST(DamagedStore, FourHundredRandomlyDamagedCopiesNeverReadBackDifferentContent) {
    int refused = 0, intact = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        const Base& base = BaseStore(seed % 8 >= 4);
        std::mt19937 random(seed);
        auto data = std::make_shared<Bytes>(base.file);
        Bytes& f = *data;
        auto at = [&](size_t limit) { return std::uniform_int_distribution<size_t>(0, limit - 1)(random); };
        const char* kinds[] = {"truncated", "bit flipped", "word overwritten", "page zeroed"};
        int kind = static_cast<int>(seed % 4);
        if (kind == 0) {
            f.resize(at(f.size()));
        } else if (kind == 1) {
            f[at(f.size())] ^= static_cast<uint8_t>(1u << at(8));
        } else if (kind == 2) {
            Set32(f, at(f.size() - 3), static_cast<uint32_t>(random()));
        } else {
            size_t page = at(f.size() / 512) * 512;
            std::fill(f.begin() + static_cast<std::ptrdiff_t>(page),
                      f.begin() + static_cast<std::ptrdiff_t>(page + 512), 0);
        }
        std::string text;
        if (!OpenAndWalk(InMemory(data), text)) {
            ++refused;
            continue;
        }
        ++intact;
        ASSERT_EQ(base.content, text) << "seed " << seed << " (" << kinds[kind] << ") read back different content";
        pst::Status st = pst::Status::Ok();
        std::string appended = Append(data, st);
        if (st) {
            EXPECT_EQ(base.afterAppend, appended) << "seed " << seed << " (" << kinds[kind] << ") lost data on append";
        }
    }
    std::cout << "damaged copies: " << refused << " refused, " << intact << " read back intact\n";
}

// A header whose node id counters are behind the nodes the store holds (here
// those of a new store, the way a crafted file found by the fuzzer had them):
// the next folder or message must get an id of its own, never replace a node
// in use. Creating the folder once read freed memory (the new folder's state
// replaced the parent's while the parent was in use).
TEST(DamagedStore, CountersBehindTheNodesNeverReplaceANode) {
    auto fresh = std::make_shared<Bytes>();
    ASSERT_TRUE(pst::Store::Create(InMemory(fresh), "Fresh").IsOk());
    constexpr size_t kCounters = 44, kCounterBytes = 128;
    auto data = std::make_shared<Bytes>(BaseStore(false).file);
    std::copy(fresh->begin() + kCounters, fresh->begin() + kCounters + kCounterBytes, data->begin() + kCounters);
    Set32(*data, 4, FormatChecker::Crc(&(*data)[8], 471));
    Set32(*data, 524, FormatChecker::Crc(&(*data)[8], 516));
    {
        auto store = pst::Store::Open(InMemory(data));
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto made = store.Value()->IpmSubtree().FindOrCreateSubfolder("New");
        ASSERT_TRUE(made.IsOk() && made->IsValid()) << made.Message();
        ASSERT_TRUE(made->AddMessage(SampleMessage(700)).IsOk());
        ASSERT_TRUE(store.Value()->IpmSubtree().FindSubfolder("Inbox")->AddMessage(SampleMessage(701)).IsOk());
    }
    FormatChecker checker(*data, FormatChecker::Ending::NotClosed);
    for (const auto& p : checker.Problems()) ADD_FAILURE() << p;
    auto store = pst::Store::Open(InMemory(data));
    ASSERT_TRUE(store.IsOk()) << store.Message();
    auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox")->Messages();
    ASSERT_TRUE(inbox.IsOk()) << inbox.Message();
    ASSERT_EQ(25u, inbox->size());
    for (int i = 0; i < 24; ++i) EXPECT_EQ(SampleMessage(i).subject, (*inbox)[static_cast<size_t>(i)].data.subject);
    EXPECT_EQ(SampleMessage(701).subject, inbox->back().data.subject);
    auto made = store.Value()->IpmSubtree().FindSubfolder("New")->Messages();
    ASSERT_TRUE(made.IsOk() && made->size() == 1u);
    EXPECT_EQ(SampleMessage(700).subject, made->front().data.subject);
    auto projects = store.Value()->IpmSubtree().FindSubfolder("Inbox")->FindSubfolder("Projects");
    ASSERT_TRUE(projects.IsOk() && projects->IsValid());
    EXPECT_EQ(1u, projects->Messages()->size());
}
