#include "ndb/DataTree.h"

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
  auto leafOf = [&db](uint64_t bid) {
    Leaf leaf;
    leaf.bid = bid;
    leaf.size = static_cast<uint32_t>(db.ReadBlock(bid).size());
    return leaf;
  };
  if (!(rootBid & kBidInternalFlag)) {
    m_leaves.push_back(leafOf(rootBid));
    m_totalSize = m_leaves[0].size;
    return;
  }
  Bytes root = db.ReadBlock(rootBid);
  m_level = root[1];
  size_t count = Get16(&root[2]);
  auto loadXBlock = [&](const Bytes& x) {
    size_t n = Get16(&x[2]);
    uint64_t remaining = Get32(&x[4]);
    for (size_t i = 0; i < n; ++i) {
      Leaf leaf;
      leaf.bid = Get64(&x[8 + 8 * i]);
      // Every leaf but the last of a stream holds exactly kMaxBlockData bytes.
      leaf.size = static_cast<uint32_t>(remaining > kMaxBlockData && i + 1 < n ? kMaxBlockData : remaining);
      remaining -= leaf.size;
      m_totalSize += leaf.size;
      m_leaves.push_back(leaf);
    }
  };
  if (m_level == 1) {
    loadXBlock(root);
  } else if (m_level == 2) {
    for (size_t g = 0; g < count; ++g) {
      uint64_t xbid = Get64(&root[8 + 8 * g]);
      m_groupBids.push_back(xbid);
      loadXBlock(db.ReadBlock(xbid));
    }
  } else {
    Fail("damaged PST: data tree of unknown depth");
  }
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
  Bytes b(8 + 8 * bids.size());
  b[0] = 0x01;
  b[1] = level;
  Put16(&b[2], static_cast<uint16_t>(bids.size()));
  Put32(&b[4], static_cast<uint32_t>(total));
  for (size_t i = 0; i < bids.size(); ++i) Put64(&b[8 + 8 * i], bids[i]);
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
