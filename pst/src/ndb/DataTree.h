#pragma once
// A node's data stream kept as its list of data blocks, for streams that grow
// or change a block at a time (large table heaps and row matrices). Only the
// blocks that change are written again, plus the XBLOCK that lists them (and
// the XXBLOCK above it): an append costs a few blocks, not the whole stream.
// Past a few dozen blocks the tree has two levels whose XBLOCKs list about
// sqrt(2n) blocks each instead of 1021, so that an append rewrites two short
// index blocks rather than one that grows to 8 KB with the stream.

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
    // Level 2: the XBLOCK over leaves [first, next group's first).
    struct Group {
        size_t first = 0;
        uint64_t bid = 0;  // 0 while it must be written
    };
    uint64_t WriteIndex(Database& db, const uint64_t* bids, size_t count, uint8_t level, uint64_t total);
    size_t GroupOf(size_t leaf) const;
    void MarkGroupChanged(Database& db, size_t group);
    // Cuts the last group where it reached its length, so that every leaf has a group.
    void ExtendGroups(Database& db);

    std::vector<Leaf> m_leaves;
    std::vector<Group> m_groups;  // level 2 only
    uint64_t m_rootBid = 0;       // the committed root: a leaf, an XBLOCK or an XXBLOCK
    int m_level = 0;              // of m_rootBid: 0 leaf, 1 XBLOCK, 2 XXBLOCK
    bool m_changed = false;
    uint64_t m_totalSize = 0;
};

}  // namespace pst
