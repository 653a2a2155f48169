#include "ndb/PageBTree.h"

#include <algorithm>

#include "ndb/Trailer.h"
#include "util/Crc.h"
#include "util/EngineError.h"

namespace pst {
namespace {

// Enough for the hot paths of both trees several times over; when full the
// cache starts again from empty, which costs a few re-reads and no bookkeeping.
constexpr size_t kCachedPagesPerTree = 4096;
// Far more levels than a file of the format's maximum size needs; a deeper
// tree on disk is damage, and the bound ends any descent through a cycle.
constexpr uint8_t kMaxLevel = 8;

}  // namespace

size_t PageBTree::MaxRecords(uint8_t level) const {
    if (level > 0) return kMaxIntermediateEntries;
    return m_isNodeTree ? kMaxNbtLeafEntries : kMaxBbtLeafEntries;
}

void PageBTree::InitEmpty() {
    m_dirty.clear();
    m_root = NewDirty(Page());
}

BlockRef PageBTree::NewDirty(Page page) {
    uint64_t id = m_nextDirtyId++;
    m_dirty.emplace(id, std::move(page));
    return BlockRef{kDirtyMark, id};
}

std::shared_ptr<const PageBTree::Page> PageBTree::Load(const BlockRef& ref) {
    auto it = m_cache.find(ref.ib);
    if (it != m_cache.end() && it->second->bid == ref.bid) return it->second;
    uint8_t raw[kPageSize];
    m_device.ReadPage(ref.ib, raw);
    auto page = std::make_shared<const Page>(Parse(raw, ref));
    if (m_cache.size() >= kCachedPagesPerTree) m_cache.clear();
    m_cache[ref.ib] = page;
    return page;
}

void PageBTree::CheckLevel(const Page& page, const BlockRef& ref, int parentLevel) const {
    bool fits = parentLevel < 0 ? page.level <= kMaxLevel : page.level + 1 == parentLevel;
    if (!fits) Fail("damaged PST: B-tree page at offset " + std::to_string(ref.ib) + " is at the wrong level");
}

const PageBTree::Page& PageBTree::View(const BlockRef& ref, std::shared_ptr<const Page>& holder, int parentLevel) {
    if (IsDirty(ref)) return m_dirty.at(ref.ib);
    holder = Load(ref);
    CheckLevel(*holder, ref, parentLevel);
    return *holder;
}

PageBTree::Page& PageBTree::MakeDirty(BlockRef& ref, int parentLevel) {
    if (IsDirty(ref)) return m_dirty.at(ref.ib);
    std::shared_ptr<const Page> committed = Load(ref);
    CheckLevel(*committed, ref, parentLevel);
    m_device.ReleasePage(ref.ib);
    m_cache.erase(ref.ib);
    ref = NewDirty(*committed);
    return m_dirty.at(ref.ib);
}

bool PageBTree::Find(uint64_t key, BtRecord& out) {
    BlockRef ref = m_root;
    int parentLevel = -1;
    for (;;) {
        std::shared_ptr<const Page> holder;
        const Page& page = View(ref, holder, parentLevel);
        parentLevel = page.level;
        const auto& recs = page.records;
        auto it =
            std::upper_bound(recs.begin(), recs.end(), key, [](uint64_t k, const BtRecord& r) { return k < r.key; });
        if (page.level == 0) {
            if (it == recs.begin()) return false;
            --it;
            if (it->key != key) return false;
            out = *it;
            return true;
        }
        if (it == recs.begin()) return false;
        --it;
        ref = BlockRef{it->v1, it->v2};
    }
}

PageBTree::Change PageBTree::Modify(BlockRef ref, int parentLevel, const BtRecord& record, Op op, bool& found,
                                    BtRecord* removed) {
    Change change;
    Page* page = &MakeDirty(ref, parentLevel);
    change.ref = ref;
    bool appendedAtEnd = false;
    if (page->level == 0) {
        auto& recs = page->records;
        auto it = std::lower_bound(recs.begin(), recs.end(), record.key,
                                   [](const BtRecord& r, uint64_t k) { return r.key < k; });
        found = it != recs.end() && it->key == record.key;
        if (op == Op::Put) {
            if (found) {
                *it = record;
            } else {
                appendedAtEnd = it == recs.end();
                recs.insert(it, record);
            }
        } else if (found) {
            if (removed) *removed = *it;
            recs.erase(it);
        }
    } else {
        auto& recs = page->records;
        auto it = std::upper_bound(recs.begin(), recs.end(), record.key,
                                   [](uint64_t k, const BtRecord& r) { return k < r.key; });
        size_t idx = it == recs.begin() ? 0 : static_cast<size_t>(it - recs.begin()) - 1;
        Change child = Modify(BlockRef{recs[idx].v1, recs[idx].v2}, page->level, record, op, found, removed);
        page = &m_dirty.at(ref.ib);
        auto& recs2 = page->records;
        if (child.empty) {
            m_dirty.erase(child.ref.ib);
            recs2.erase(recs2.begin() + static_cast<std::ptrdiff_t>(idx));
        } else {
            recs2[idx].key = child.firstKey;
            recs2[idx].v1 = child.ref.bid;
            recs2[idx].v2 = child.ref.ib;
            if (child.split) {
                BtRecord entry;
                entry.key = child.splitKey;
                entry.v1 = child.splitRef.bid;
                entry.v2 = child.splitRef.ib;
                appendedAtEnd = idx + 1 == recs2.size();
                recs2.insert(recs2.begin() + static_cast<std::ptrdiff_t>(idx) + 1, entry);
            }
        }
    }
    auto& recs = page->records;
    if (recs.size() > MaxRecords(page->level)) {
        // Keys mostly arrive in ascending order (new BIDs and NIDs), so a page that
        // overflowed at its end stays full and the new page starts nearly empty.
        size_t keep = appendedAtEnd ? recs.size() - 1 : recs.size() / 2;
        Page right;
        right.level = page->level;
        right.records.assign(recs.begin() + static_cast<std::ptrdiff_t>(keep), recs.end());
        recs.resize(keep);
        change.split = true;
        change.splitKey = right.records.front().key;
        change.splitRef = NewDirty(std::move(right));
        page = &m_dirty.at(ref.ib);
    }
    change.empty = page->records.empty();
    change.firstKey = change.empty ? 0 : page->records.front().key;
    return change;
}

void PageBTree::Put(const BtRecord& record) {
    bool found = false;
    Change c = Modify(m_root, -1, record, Op::Put, found, nullptr);
    if (c.split) {
        uint8_t level = static_cast<uint8_t>(m_dirty.at(c.ref.ib).level + 1);
        Page root;
        root.level = level;
        root.records.push_back(BtRecord{c.firstKey, c.ref.bid, c.ref.ib, 0});
        root.records.push_back(BtRecord{c.splitKey, c.splitRef.bid, c.splitRef.ib, 0});
        m_root = NewDirty(std::move(root));
    } else {
        m_root = c.ref;
    }
}

bool PageBTree::Erase(uint64_t key, BtRecord* removed) {
    bool found = false;
    BtRecord probe;
    probe.key = key;
    Change c = Modify(m_root, -1, probe, Op::Erase, found, removed);
    m_root = c.ref;  // an emptied root stays as an empty page of its level
    if (c.empty) {
        Page& root = m_dirty.at(m_root.ib);
        root.level = 0;
    }
    return found;
}

BlockRef PageBTree::CommitPage(const BlockRef& ref) {
    if (!IsDirty(ref)) return ref;
    Page& page = m_dirty.at(ref.ib);
    if (page.level > 0) {
        for (auto& r : page.records) {
            BlockRef child{r.v1, r.v2};
            if (IsDirty(child)) {
                BlockRef done = CommitPage(child);
                r.v1 = done.bid;
                r.v2 = done.ib;
            }
        }
    }
    BlockRef at = m_device.AllocatePage();
    m_device.WritePage(at.ib, Serialize(page, at));
    if (m_cache.size() >= kCachedPagesPerTree) m_cache.clear();
    page.bid = at.bid;
    m_cache[at.ib] = std::make_shared<const Page>(std::move(page));
    return at;
}

BlockRef PageBTree::Commit() {
    if (IsDirty(m_root)) m_root = CommitPage(m_root);
    m_dirty.clear();
    return m_root;
}

Bytes PageBTree::Serialize(const Page& page, const BlockRef& at) const {
    Bytes raw(kPageSize, 0);
    size_t entrySize = page.level > 0 ? kIntermediateEntrySize : (m_isNodeTree ? kNbtLeafEntrySize : kBbtLeafEntrySize);
    uint8_t* p = raw.data();
    for (const auto& r : page.records) {
        Put64(p, r.key);
        if (page.level > 0) {
            Put64(p + 8, r.v1);
            Put64(p + 16, r.v2);
        } else if (m_isNodeTree) {
            Put64(p + 8, r.v1);
            Put64(p + 16, r.v2);
            Put32(p + 24, static_cast<uint32_t>(r.v3));
        } else {
            Put64(p + 8, r.v1);
            Put16(p + 16, static_cast<uint16_t>(r.v2));
            Put16(p + 18, static_cast<uint16_t>(r.v3));
        }
        p += entrySize;
    }
    raw[488] = static_cast<uint8_t>(page.records.size());
    raw[489] = static_cast<uint8_t>(MaxRecords(page.level));
    raw[490] = static_cast<uint8_t>(entrySize);
    raw[491] = page.level;
    uint8_t ptype = m_isNodeTree ? kPageNbt : kPageBbt;
    raw[496] = ptype;
    raw[497] = ptype;
    Put16(&raw[498], TrailerSignature(at.ib, at.bid));
    Put32(&raw[500], PstCrc(raw.data(), 496));
    Put64(&raw[504], at.bid);
    return raw;
}

PageBTree::Page PageBTree::Parse(const uint8_t* raw, const BlockRef& ref) const {
    auto damaged = [&ref](const char* why) {
        Fail("damaged PST: B-tree page at offset " + std::to_string(ref.ib) + " " + why);
    };
    uint8_t ptype = m_isNodeTree ? kPageNbt : kPageBbt;
    if (raw[496] != ptype || raw[497] != ptype) damaged("has the wrong page type");
    if (Get64(raw + 504) != ref.bid || Get16(raw + 498) != TrailerSignature(ref.ib, ref.bid))
        damaged("is not the page its parent names");
    if (!ChecksumMatches(Get32(raw + 500), PstCrc(raw, 496))) damaged("fails its checksum");
    Page page;
    page.bid = ref.bid;
    page.level = raw[491];
    size_t count = raw[488];
    size_t entrySize = raw[490];
    size_t expected = page.level > 0 ? kIntermediateEntrySize : (m_isNodeTree ? kNbtLeafEntrySize : kBbtLeafEntrySize);
    if (entrySize != expected || count > MaxRecords(page.level) || (page.level > 0 && count == 0))
        damaged("has a bad entry layout");
    page.records.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = raw + i * entrySize;
        BtRecord& r = page.records[i];
        r.key = Get64(p);
        if (page.level > 0) {
            r.v1 = Get64(p + 8);
            r.v2 = Get64(p + 16);
        } else if (m_isNodeTree) {
            r.key &= 0xFFFFFFFFu;
            r.v1 = Get64(p + 8);
            r.v2 = Get64(p + 16);
            r.v3 = Get32(p + 24);
        } else {
            r.v1 = Get64(p + 8);
            r.v2 = Get16(p + 16);
            r.v3 = Get16(p + 18);
        }
        if (i > 0 && r.key <= page.records[i - 1].key) damaged("has keys out of order");
    }
    return page;
}

void PageBTree::WalkPage(const BlockRef& ref, int parentLevel, const std::function<void(uint64_t)>& onPage,
                         const std::function<void(const BtRecord&)>& onRecord) {
    std::shared_ptr<const Page> holder;
    const Page& page = View(ref, holder, parentLevel);
    int level = page.level;
    if (!IsDirty(ref) && onPage) onPage(ref.ib);
    if (page.level == 0) {
        if (onRecord)
            for (const auto& r : page.records) onRecord(r);
        return;
    }
    std::vector<BlockRef> children;
    for (const auto& r : page.records) children.push_back(BlockRef{r.v1, r.v2});
    for (const auto& c : children) WalkPage(c, level, onPage, onRecord);
}

void PageBTree::Walk(const std::function<void(uint64_t)>& onPage,
                     const std::function<void(const BtRecord&)>& onRecord) {
    WalkPage(m_root, -1, onPage, onRecord);
}

}  // namespace pst
