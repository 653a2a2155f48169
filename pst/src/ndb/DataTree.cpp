#include "ndb/DataTree.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "ndb/XBlock.h"
#include "util/EngineError.h"

namespace pst {
namespace {

// Up to this many leaves one XBLOCK lists them all; beyond, an XXBLOCK lists
// groups of at least this many.
constexpr size_t kOneXBlockLeaves = 64;

// The length at which the last group is closed: about sqrt(2n), where the
// XXBLOCK (8 bytes a group) and the last XBLOCK (8 bytes a leaf, half full on
// average) cost the same, so an append rewrites about sqrt(32n) index bytes.
size_t GroupLength(size_t leaves) {
    size_t length = static_cast<size_t>(std::sqrt(2.0 * static_cast<double>(leaves)));
    return std::min(kMaxXBlockEntries, std::max(kOneXBlockLeaves, length));
}

}  // namespace

void DataTree::Load(Database& db, uint64_t rootBid) {
    m_leaves.clear();
    m_groups.clear();
    m_rootBid = rootBid;
    m_level = 0;
    m_changed = false;
    m_totalSize = 0;
    if (rootBid == 0) return;
    if (!(rootBid & kBidInternalFlag)) {
        m_leaves.push_back(Leaf{rootBid, static_cast<uint32_t>(db.BlockSize(rootBid))});
        m_totalSize = m_leaves[0].size;
        return;
    }
    XBlock root = DecodeXBlock(db.ReadBlock(rootBid), rootBid);
    m_level = root.level;
    auto loadXBlock = [&](const XBlock& x, uint64_t bid, bool last) {
        if (x.level != 1) Fail("damaged PST: data tree block " + std::to_string(bid) + " is at the wrong depth");
        // Every leaf but the last of a stream holds exactly kMaxBlockData bytes.
        if (!last && x.totalSize != x.bids.size() * kMaxBlockData)
            Fail("damaged PST: data tree group " + std::to_string(bid) + " is not made of full blocks");
        uint64_t remaining = x.totalSize;
        for (size_t i = 0; i < x.bids.size(); ++i) {
            if (x.bids[i] & kBidInternalFlag)
                Fail("damaged PST: data tree block " + std::to_string(bid) + " lists an index block as data");
            uint32_t size =
                static_cast<uint32_t>(remaining > kMaxBlockData && i + 1 < x.bids.size() ? kMaxBlockData : remaining);
            remaining -= size;
            m_totalSize += size;
            m_leaves.push_back(Leaf{x.bids[i], size});
        }
    };
    if (m_level == 1) {
        loadXBlock(root, rootBid, true);
    } else {
        for (size_t g = 0; g < root.bids.size(); ++g) {
            uint64_t xbid = root.bids[g];
            if (!(xbid & kBidInternalFlag))
                Fail("damaged PST: XXBLOCK " + std::to_string(rootBid) + " lists a data block");
            m_groups.push_back(Group{m_leaves.size(), xbid});
            loadXBlock(DecodeXBlock(db.ReadBlock(xbid), xbid), xbid, g + 1 == root.bids.size());
        }
        if (m_totalSize != root.totalSize)
            Fail("damaged PST: data tree " + std::to_string(rootBid) + " holds a different size than it states");
    }
}

Bytes DataTree::ReadLeaf(Database& db, size_t i) const {
    Bytes leaf = db.ReadBlock(m_leaves[i].bid);
    if (leaf.size() != m_leaves[i].size)
        Fail("damaged PST: data block " + std::to_string(m_leaves[i].bid) + " has a size its data tree does not state");
    return leaf;
}

size_t DataTree::GroupOf(size_t leaf) const {
    auto it = std::upper_bound(m_groups.begin(), m_groups.end(), leaf,
                               [](size_t i, const Group& g) { return i < g.first; });
    return static_cast<size_t>(it - m_groups.begin()) - 1;
}

void DataTree::MarkGroupChanged(Database& db, size_t group) {
    if (m_groups[group].bid != 0) db.FreeBlock(m_groups[group].bid);
    m_groups[group].bid = 0;
}

void DataTree::SetLeaf(Database& db, size_t i, const Bytes& data) {
    uint64_t bid = db.WriteBlock(data.data(), data.size(), false);
    if (i == m_leaves.size()) {
        m_leaves.push_back(Leaf());
    } else {
        db.FreeBlock(m_leaves[i].bid);
        m_totalSize -= m_leaves[i].size;
    }
    m_totalSize += data.size();
    m_leaves[i].bid = bid;
    m_leaves[i].size = static_cast<uint32_t>(data.size());
    if (!m_groups.empty()) MarkGroupChanged(db, GroupOf(i));
    m_changed = true;
}

void DataTree::ExtendGroups(Database& db) {
    if (m_groups.empty()) m_groups.push_back(Group{0, 0});
    size_t length = GroupLength(m_leaves.size());
    while (m_leaves.size() - m_groups.back().first > length) {
        // The last group's XBLOCK changes with it; a closed group never changes again on append.
        MarkGroupChanged(db, m_groups.size() - 1);
        m_groups.push_back(Group{m_groups.back().first + length, 0});
    }
    if (m_groups.size() > kMaxXBlockEntries) Fail("table too large for one PST data tree");
}

uint64_t DataTree::WriteIndex(Database& db, const uint64_t* bids, size_t count, uint8_t level, uint64_t total) {
    Bytes b = EncodeXBlock(level, bids, count, total);
    return db.WriteBlock(b.data(), b.size(), true);
}

uint64_t DataTree::Commit(Database& db) {
    if (!m_changed) return m_rootBid;
    m_changed = false;
    int level = m_leaves.size() <= 1 ? 0 : (m_leaves.size() <= kOneXBlockLeaves && m_groups.empty() ? 1 : 2);
    if (m_level > 0) db.FreeBlock(m_rootBid);
    m_level = level;
    if (level == 0) {
        for (size_t g = 0; g < m_groups.size(); ++g) MarkGroupChanged(db, g);
        m_groups.clear();
        m_rootBid = m_leaves.empty() ? 0 : m_leaves[0].bid;
        return m_rootBid;
    }
    std::vector<uint64_t> bids;
    if (level == 1) {
        for (const auto& l : m_leaves) bids.push_back(l.bid);
        m_rootBid = WriteIndex(db, bids.data(), bids.size(), 1, TotalSize());
        return m_rootBid;
    }
    ExtendGroups(db);
    std::vector<uint64_t> groupBids;
    for (size_t g = 0; g < m_groups.size(); ++g) {
        if (m_groups[g].bid == 0) {
            size_t end = g + 1 < m_groups.size() ? m_groups[g + 1].first : m_leaves.size();
            bids.clear();
            uint64_t total = 0;
            for (size_t i = m_groups[g].first; i < end; ++i) {
                bids.push_back(m_leaves[i].bid);
                total += m_leaves[i].size;
            }
            m_groups[g].bid = WriteIndex(db, bids.data(), bids.size(), 1, total);
        }
        groupBids.push_back(m_groups[g].bid);
    }
    m_rootBid = WriteIndex(db, groupBids.data(), groupBids.size(), 2, TotalSize());
    return m_rootBid;
}

}  // namespace pst
