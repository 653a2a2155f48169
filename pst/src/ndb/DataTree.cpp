#include "ndb/DataTree.h"

#include <string>

#include "ndb/XBlock.h"
#include "util/EngineError.h"

namespace pst {

void DataTree::Load(Database& db, uint64_t rootBid) {
    m_leaves.clear();
    m_groupBids.clear();
    m_rootBid = rootBid;
    m_level = 0;
    m_changed = false;
    m_totalSize = 0;
    m_changedGroups.clear();
    if (rootBid == 0) return;
    if (!(rootBid & kBidInternalFlag)) {
        m_leaves.push_back(Leaf{rootBid, static_cast<uint32_t>(db.BlockSize(rootBid))});
        m_totalSize = m_leaves[0].size;
        return;
    }
    XBlock root = DecodeXBlock(db.ReadBlock(rootBid), rootBid);
    m_level = root.level;
    auto loadXBlock = [&](const XBlock& x, uint64_t bid) {
        if (x.level != 1) Fail("damaged PST: data tree block " + std::to_string(bid) + " is at the wrong depth");
        uint64_t remaining = x.totalSize;
        for (size_t i = 0; i < x.bids.size(); ++i) {
            if (x.bids[i] & kBidInternalFlag)
                Fail("damaged PST: data tree block " + std::to_string(bid) + " lists an index block as data");
            // Every leaf but the last of a stream holds exactly kMaxBlockData bytes.
            uint32_t size =
                static_cast<uint32_t>(remaining > kMaxBlockData && i + 1 < x.bids.size() ? kMaxBlockData : remaining);
            remaining -= size;
            m_totalSize += size;
            m_leaves.push_back(Leaf{x.bids[i], size});
        }
    };
    if (m_level == 1) {
        loadXBlock(root, rootBid);
    } else {
        for (size_t g = 0; g < root.bids.size(); ++g) {
            uint64_t xbid = root.bids[g];
            if (!(xbid & kBidInternalFlag))
                Fail("damaged PST: XXBLOCK " + std::to_string(rootBid) + " lists a data block");
            XBlock group = DecodeXBlock(db.ReadBlock(xbid), xbid);
            // Groups before the last are full, so leaf i is always in group i / 1021.
            if (g + 1 < root.bids.size() && group.bids.size() != kMaxXBlockEntries)
                Fail("damaged PST: data tree group " + std::to_string(xbid) + " is not full");
            m_groupBids.push_back(xbid);
            loadXBlock(group, xbid);
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
    size_t group = i / kMaxXBlockEntries;
    if (group < m_groupBids.size() && m_groupBids[group] != 0) {
        db.FreeBlock(m_groupBids[group]);
        m_groupBids[group] = 0;
    }
    m_changedGroups.push_back(group);
    m_changed = true;
}

uint64_t DataTree::WriteIndex(Database& db, const std::vector<uint64_t>& bids, uint8_t level, uint64_t total) {
    Bytes b = EncodeXBlock(level, bids.data(), bids.size(), total);
    return db.WriteBlock(b.data(), b.size(), true);
}

uint64_t DataTree::Commit(Database& db) {
    if (!m_changed) return m_rootBid;
    m_changed = false;
    int level = m_leaves.size() <= 1 ? 0 : (m_leaves.size() <= kMaxXBlockEntries ? 1 : 2);
    if (m_level > 0) db.FreeBlock(m_rootBid);
    if (level < 2) {
        for (uint64_t g : m_groupBids)
            if (g) db.FreeBlock(g);
        m_groupBids.clear();
        m_changedGroups.clear();
    }
    m_level = level;
    if (level == 0) {
        m_rootBid = m_leaves.empty() ? 0 : m_leaves[0].bid;
        return m_rootBid;
    }
    if (level == 1) {
        std::vector<uint64_t> bids;
        for (const auto& l : m_leaves) bids.push_back(l.bid);
        m_rootBid = WriteIndex(db, bids, 1, TotalSize());
        return m_rootBid;
    }
    size_t groups = (m_leaves.size() + kMaxXBlockEntries - 1) / kMaxXBlockEntries;
    if (groups > kMaxXBlockEntries) Fail("table too large for one PST data tree");
    if (m_groupBids.size() != groups) {
        // Becoming a two-level tree (or growing a group): every group without an XBLOCK is written.
        for (size_t g = m_groupBids.size(); g < groups; ++g) m_changedGroups.push_back(g);
        for (size_t g = 0; g < m_groupBids.size(); ++g)
            if (m_groupBids[g] == 0) m_changedGroups.push_back(g);
        m_groupBids.resize(groups, 0);
    }
    std::vector<size_t> changed;
    changed.swap(m_changedGroups);
    for (size_t g : changed) {
        if (g >= groups || m_groupBids[g] != 0) continue;
        std::vector<uint64_t> bids;
        uint64_t total = 0;
        for (size_t i = g * kMaxXBlockEntries; i < m_leaves.size() && i < (g + 1) * kMaxXBlockEntries; ++i) {
            bids.push_back(m_leaves[i].bid);
            total += m_leaves[i].size;
        }
        m_groupBids[g] = WriteIndex(db, bids, 1, total);
    }
    m_rootBid = WriteIndex(db, m_groupBids, 2, TotalSize());
    return m_rootBid;
}

}  // namespace pst
