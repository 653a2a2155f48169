// The allocator below the public API: however many holes the file has and
// whichever of them its index keeps, no allocation overlaps space in use.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "ndb/SpaceMap.h"

namespace {

TEST(SpaceMap, ManyShortHolesNeverLeadToOverlappingAllocations) {
    pst::SpaceMap map;
    map.Reset(1);
    std::vector<uint8_t> owner;  // per slot: 1 when an allocation here is live
    auto take = [&](uint64_t offset, uint64_t bytes) {
        const uint64_t first = (offset - pst::kFirstAMapOffset) / pst::kAllocationUnit;
        if (owner.size() < first + bytes / pst::kAllocationUnit)
            owner.resize(first + bytes / pst::kAllocationUnit + 4096);
        for (uint64_t u = first; u < first + bytes / pst::kAllocationUnit; ++u) {
            ASSERT_EQ(owner[u], 0) << "slot " << u << " handed out twice";
            owner[u] = 1;
        }
    };
    // One-slot holes between live slots, far more than the index keeps.
    for (int i = 0; i < 100000; ++i) {
        const uint64_t hole = map.Allocate(64, false);
        const uint64_t kept = map.Allocate(64, false);
        ASSERT_NO_FATAL_FAILURE(take(kept, 64));
        map.ReleaseAfterCommit(hole, 64);
    }
    map.ApplyReleases();
    // Blocks and pages of the sizes a store writes, some released as it goes.
    // Released space is free again only once the releases apply.
    const uint64_t sizes[] = {64, 128, 192, 512, 1024, 8192};
    std::vector<std::pair<uint64_t, uint64_t>> pending;
    for (int i = 0; i < 60000; ++i) {
        const uint64_t bytes = sizes[i % 6];
        const uint64_t at = map.Allocate(bytes, bytes == 512);
        ASSERT_TRUE(map.IsUsed(at));
        ASSERT_NO_FATAL_FAILURE(take(at, bytes));
        if (i % 3 == 0) {
            map.ReleaseAfterCommit(at, bytes);
            pending.emplace_back((at - pst::kFirstAMapOffset) / pst::kAllocationUnit, bytes / pst::kAllocationUnit);
        }
        if (i % 16 == 0) {
            map.ApplyReleases();
            for (const auto& [first, units] : pending) std::fill_n(owner.begin() + first, units, 0);
            pending.clear();
        }
    }
}

}  // namespace
