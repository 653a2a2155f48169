// The heap-on-node below the public API: an allocation that grows, shrinks or
// is freed moves those after it in its block, and each one still reads back
// whole, in memory and from the stored block.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestFiles.h"
#include "ltp/Heap.h"
#include "ndb/Database.h"

namespace {

pst::Bytes Filled(size_t size, uint8_t value) { return pst::Bytes(size, value); }

TEST(Heap, ResizedAndFreedAllocationsReadBackInMemoryAndStored) {
    auto disk = std::make_shared<pst::Bytes>();
    auto db = pst::Database::CreateNew(pst_test::InMemory(disk), pst::StoreOptions());
    pst::Heap heap(pst::kHeapBTree);
    std::vector<uint32_t> hids;
    std::vector<pst::Bytes> expected;
    for (uint8_t i = 1; i <= 5; ++i) {
        expected.push_back(Filled(10 * i, i));
        hids.push_back(heap.Allocate(expected.back()));
    }
    // (which, new size): grown in place, shrunk, emptied, the last one grown.
    const std::pair<size_t, size_t> edits[] = {{1, 300}, {0, 3}, {2, 0}, {4, 1000}, {3, 41}};
    for (const auto& e : edits) {
        expected[e.first] = Filled(e.second, static_cast<uint8_t>(0xA0 + e.first));
        EXPECT_EQ(heap.Reallocate(hids[e.first], expected[e.first]), hids[e.first]);
    }
    heap.Free(hids[3]);
    expected[3].clear();
    heap.Write(hids[1], Filled(300, 0x5A));
    expected[1] = Filled(300, 0x5A);
    for (size_t i = 0; i < hids.size(); ++i) EXPECT_EQ(heap.Read(hids[i]), expected[i]) << "in memory, " << i;

    const uint64_t bid = heap.Commit(*db);
    db->Commit();
    pst::Heap stored(*db, bid);
    for (size_t i = 0; i < hids.size(); ++i) {
        EXPECT_EQ(stored.Read(hids[i]), expected[i]) << "stored, " << i;
        EXPECT_EQ(stored.SizeOf(hids[i]), expected[i].size());
    }
}

}  // namespace
