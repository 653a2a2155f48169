#pragma once
// A node's data stream kept as its list of data blocks, for streams that grow
// or change a block at a time (large table heaps and row matrices). Only the
// blocks that change are written again, plus the XBLOCK that lists them (and
// the XXBLOCK above it): an append costs a few blocks, not the whole stream.

#include <cstdint>
#include <vector>

#include "ndb/Database.h"

namespace pst {

class DataTree {
public:
    // Reads the block list of an existing stream (0 = empty stream).
    void Load(Database& db, uint64_t rootBid);

    size_t LeafCount() const { return m_leaves.size(); }
    uint32_t LeafSize(size_t i) const { return m_leaves[i].size; }
    uint64_t TotalSize() const { return m_totalSize; }
    // Fails when the block does not hold the size the tree's index states.
    Bytes ReadLeaf(Database& db, size_t i) const;

    // Writes `data` as leaf i (i == LeafCount() appends) and frees the block it replaces.
    void SetLeaf(Database& db, size_t i, const Bytes& data);
    // Writes the changed XBLOCKs and returns the root BID of the stream.
    uint64_t Commit(Database& db);

private:
    struct Leaf {
        uint64_t bid = 0;
        uint32_t size = 0;
    };
    uint64_t WriteIndex(Database& db, const std::vector<uint64_t>& bids, uint8_t level, uint64_t total);

    std::vector<Leaf> m_leaves;
    std::vector<uint64_t> m_groupBids;  // level 2 only: the XBLOCK of each group of 1021 leaves, 0 if changed
    uint64_t m_rootBid = 0;             // the committed root: a leaf, an XBLOCK or an XXBLOCK
    int m_level = 0;                    // of m_rootBid: 0 leaf, 1 XBLOCK, 2 XXBLOCK
    bool m_changed = false;
    uint64_t m_totalSize = 0;
    std::vector<size_t> m_changedGroups;  // level 2: groups whose XBLOCK must be written
};

}  // namespace pst
