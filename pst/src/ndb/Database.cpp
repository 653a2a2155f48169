#include "ndb/Database.h"

#include <algorithm>
#include <cstring>

#include "ndb/Trailer.h"
#include "ndb/XBlock.h"
#include "util/Crc.h"
#include "util/EngineError.h"

namespace pst {
namespace {

constexpr uint64_t kFirstBlockBid = 4;
constexpr uint64_t kFirstPageBid = 1;
constexpr size_t kMaxMergedWrite = 4u << 20;
// Under a flush interval, the most space held back from reuse (see
// SpaceMap::HoldDurableSpace); reaching it makes the next commit durable early,
// which bounds how much a store grows beyond what it holds.
constexpr uint64_t kMaxHeldReleaseBytes = 16u << 20;

}  // namespace

Database::Database(std::unique_ptr<File> file, const StoreOptions& options)
    : m_file(std::move(file)), m_flushEachCommit(options.flushEachCommit), m_flushInterval(options.flushInterval),
      m_lastDurable(std::chrono::steady_clock::now()), m_nodeTree(true, *this), m_blockTree(false, *this) {
    m_space.HoldDurableSpace(m_flushInterval.count() > 0);
}

std::unique_ptr<Database> Database::CreateNew(std::unique_ptr<File> file, const StoreOptions& options) {
    std::unique_ptr<Database> db(new Database(std::move(file), options));
    uint64_t size = 0;
    Status st = db->m_file->Size(size);
    if (!st) Fail(st.Message());
    if (size != 0 && !IsUnfinished(*db->m_file))
        Fail("the file to create the store in is not empty; it is left untouched");
    db->m_header.InitCounters();
    db->m_header.bidNextBlock = kFirstBlockBid;
    db->m_header.bidNextPage = kFirstPageBid;
    // Adds interval 0, whose map pages the first commit writes.
    db->m_space.Reset(0);
    db->m_space.MarkUsed(kFirstAMapOffset, kPageSize);
    // First of all a header naming no trees, in one write within one page: until
    // the first commit replaces it, a killed creation leaves a file recognisably
    // unfinished (see IsUnfinished) rather than anonymous bytes.
    db->WriteHeader();
    db->m_nodeTree.InitEmpty();
    db->m_blockTree.InitEmpty();
    return db;
}

std::unique_ptr<Database> Database::OpenExisting(std::unique_ptr<File> file, const StoreOptions& options) {
    std::unique_ptr<Database> db(new Database(std::move(file), options));
    uint64_t size = 0;
    Status st = db->m_file->Size(size);
    if (!st) Fail(st.Message());
    if (size < kFirstAMapOffset + kPageSize) Fail("not a PST file (too short)");
    uint8_t raw[kHeaderSize];
    db->ReadRaw(0, raw, kHeaderSize);
    std::string why;
    if (!Header::Parse(raw, kHeaderSize, db->m_header, why)) Fail(why);
    db->m_onDisk = db->m_header;
    if (db->m_header.nodeTreeRoot.bid == 0 && db->m_header.blockTreeRoot.bid == 0)
        Fail("the store's creation was interrupted before it held anything");
    if (db->m_header.cryptMethod != 0)
        Fail("the PST file uses an encoding this engine does not write; it is left untouched");
    const Header& h = db->m_header;
    if (h.fileEof < kFirstAMapOffset + kAMapIntervalBytes || (h.fileEof - kFirstAMapOffset) % kAMapIntervalBytes != 0 ||
        h.lastAMapOffset + kAMapIntervalBytes != h.fileEof)
        Fail("the PST header describes a file layout this engine does not write");
    // Every commit makes the file as long as its header says before writing it.
    if (h.fileEof > size) Fail("damaged PST: the file is shorter than its header states (truncated)");
    db->m_nodeTree.SetRoot(h.nodeTreeRoot);
    db->m_blockTree.SetRoot(h.blockTreeRoot);
    db->m_space.Reset((h.fileEof - kFirstAMapOffset) / kAMapIntervalBytes);
    db->RebuildSpaceMap();
    db->MarkStaleMapPages(h.amapValid == kAMapValid);
    // The state found is the first durable one: what a session killed before
    // its last flush left may still sit in the system's cache.
    if (db->m_flushInterval.count() > 0) db->MarkDurable();
    return db;
}

bool Database::IsUnfinished(File& file) {
    uint64_t size = 0;
    if (!file.Size(size)) return false;
    if (size == 0) return true;
    uint8_t raw[kHeaderSize];
    Header header;
    std::string why;
    if (size < kHeaderSize || !file.ReadAt(0, raw, kHeaderSize) || !Header::Parse(raw, kHeaderSize, header, why))
        return false;
    return header.nodeTreeRoot.bid == 0 && header.blockTreeRoot.bid == 0;
}

// The trees say exactly what is in use; the maps on disk may also mark what a
// session that ended without Close() released last, or, after a power cut,
// be torn. Every AMap page that differs from the rebuilt map is rewritten by
// the next commit, so leaks do not outlive the session that finds them.
void Database::MarkStaleMapPages(bool diskMapsValid) {
    if (!diskMapsValid) {
        m_space.MarkAllChanged();
        return;
    }
    uint8_t page[kPageSize];
    for (uint64_t k = 0; k < m_space.IntervalCount(); ++k) {
        uint64_t base = SpaceMap::IntervalBase(k);
        ReadRaw(base, page, kPageSize);
        bool same = m_space.MatchesAMapPage(k, page);
        if (same && SpaceMap::HoldsFMap(k)) {
            ReadRaw(base + 2 * kPageSize, page, kPageSize);
            same = m_space.MatchesFMapPage(k, page);
        }
        if (!same) m_space.MarkIntervalChanged(k);
    }
}

void Database::RebuildSpaceMap() {
    m_space.Reset(m_space.IntervalCount());
    auto markPage = [this](uint64_t ib) {
        if (m_space.AnyUsed(ib, kPageSize))
            Fail("damaged PST: B-tree page at offset " + std::to_string(ib) + " is used twice");
        m_space.MarkUsed(ib, kPageSize);
    };
    // A counter behind the nodes the tree holds (a damaged or crafted header)
    // would hand out the id of a node in use, and the new node would replace it.
    m_nodeTree.Walk(markPage, [this](const BtRecord& r) {
        uint32_t nid = static_cast<uint32_t>(r.key);
        RaiseNidCounter(NidType(nid), NidIndex(nid));
    });
    m_blockTree.Walk(markPage, [this](const BtRecord& r) {
        CheckBlockPlace(r);
        uint64_t disk = BlockDiskSize(static_cast<size_t>(r.v2));
        if (m_space.AnyUsed(r.v1, disk)) Fail("damaged PST: block " + std::to_string(r.key) + " overlaps other data");
        m_space.MarkUsed(r.v1, disk);
    });
    m_space.ClearChanged();
}

// Within the file as the allocator knows it: the committed end of file when a
// store is opened, further once an operation in progress grows it, so that
// the operation can read back what it staged.
void Database::CheckBlockPlace(const BtRecord& r) const {
    uint64_t ib = r.v1;
    if (r.v2 > kMaxBlockData || ib % kAllocationUnit != 0 || ib < kFirstAMapOffset ||
        ib + BlockDiskSize(static_cast<size_t>(r.v2)) > m_space.FileEof())
        Fail("damaged PST: block " + std::to_string(r.key) + " lies outside the file");
}

uint8_t* Database::StagePending(uint64_t offset, size_t size) {
    size_t at = m_arena.size();
    m_arena.resize(at + size);
    m_pending[offset] = PendingWrite{at, size};
    return &m_arena[at];
}

void Database::ReadRaw(uint64_t offset, uint8_t* buffer, size_t size) {
    auto it = m_pending.find(offset);
    if (it != m_pending.end() && it->second.size >= size) {
        std::memcpy(buffer, &m_arena[it->second.at], size);
        return;
    }
    Status st = m_file->ReadAt(offset, buffer, size);
    if (!st) Fail(st.Message());
}

void Database::WriteRaw(uint64_t offset, const uint8_t* data, size_t size) {
    Status st = m_file->WriteAt(offset, data, size);
    if (!st) Fail(st.Message());
}

void Database::FlushFile() {
    Status st = m_file->Flush();
    if (!st) Fail(st.Message());
}

void Database::ReadPage(uint64_t ib, uint8_t* page) {
    if (ib % kPageSize != 0 || ib < kFirstAMapOffset || ib + kPageSize > m_space.FileEof())
        Fail("damaged PST: a B-tree page lies outside the file (offset " + std::to_string(ib) + ")");
    ReadRaw(ib, page, kPageSize);
}

BlockRef Database::AllocatePage() {
    BlockRef ref;
    ref.bid = m_header.bidNextPage++;
    ref.ib = m_space.Allocate(kPageSize, true);
    return ref;
}

void Database::WritePage(uint64_t ib, Bytes page) {
    if (page.size() != kPageSize)
        m_counts.other += page.size();
    else if (page[496] == kPageNbt)
        m_counts.nodeTreePages += kPageSize;
    else if (page[496] == kPageBbt)
        m_counts.blockTreePages += kPageSize;
    else
        m_counts.mapPages += kPageSize;
    std::memcpy(StagePending(ib, page.size()), page.data(), page.size());
}

void Database::ReleasePage(uint64_t ib) { m_space.ReleaseAfterCommit(ib, kPageSize); }

uint64_t Database::WriteBlock(const uint8_t* data, size_t size, bool internal) {
    if (size > kMaxBlockData) Fail("internal error: block of " + std::to_string(size) + " bytes");
    uint64_t bid = m_header.bidNextBlock | (internal ? kBidInternalFlag : 0);
    m_header.bidNextBlock += 4;
    size_t disk = BlockDiskSize(size);
    switch (m_blockKind) {
        case BlockKind::PropertyContext: m_counts.propertyContextBlocks += disk; break;
        case BlockKind::Table: m_counts.tableBlocks += disk; break;
        case BlockKind::Subnodes: m_counts.subnodeBlocks += disk; break;
        case BlockKind::LargeValue: m_counts.largeValueBlocks += disk; break;
    }
    uint64_t ib = m_space.Allocate(disk, false);
    uint8_t* raw = StagePending(ib, disk);
    if (size) std::memcpy(raw, data, size);
    std::memset(raw + size, 0, disk - size);
    uint8_t* trailer = raw + disk - kBlockTrailerSize;
    Put16(trailer, static_cast<uint16_t>(size));
    Put16(trailer + 2, TrailerSignature(ib, bid));
    Put32(trailer + 4, PstCrc(raw, size));
    Put64(trailer + 8, bid);
    m_blockTree.Put(BtRecord{bid, ib, size, 2});
    // A large value would otherwise be held whole until the commit. Until then
    // only data blocks are staged, all in space the committed header does not
    // reach, so they can go to the file early (invariant 2).
    if (m_arena.size() >= kMaxMergedWrite) WritePending();
    return bid;
}

bool Database::FindBlock(uint64_t bid, BtRecord& out) { return m_blockTree.Find(bid & ~uint64_t(1), out); }

Bytes Database::ReadBlock(uint64_t bid) {
    BtRecord r;
    if (!FindBlock(bid, r)) Fail("damaged PST: block " + std::to_string(bid) + " is missing");
    CheckBlockPlace(r);
    size_t size = static_cast<size_t>(r.v2);
    Bytes data(BlockDiskSize(size));
    ReadRaw(r.v1, data.data(), data.size());
    const uint8_t* trailer = data.data() + data.size() - kBlockTrailerSize;
    if (Get16(trailer) != size || Get64(trailer + 8) != r.key || Get16(trailer + 2) != TrailerSignature(r.v1, r.key))
        Fail("damaged PST: block " + std::to_string(bid) + " is not where the block tree says");
    if (!ChecksumMatches(Get32(trailer + 4), PstCrc(data.data(), size)))
        Fail("damaged PST: block " + std::to_string(bid) + " fails its checksum");
    data.resize(size);
    return data;
}

size_t Database::BlockSize(uint64_t bid) {
    BtRecord r;
    if (!FindBlock(bid, r)) Fail("damaged PST: block " + std::to_string(bid) + " is missing");
    CheckBlockPlace(r);
    return static_cast<size_t>(r.v2);
}

void Database::FreeBlock(uint64_t bid) {
    BtRecord r;
    if (!m_blockTree.Erase(bid, &r)) Fail("internal error: freeing unknown block " + std::to_string(bid));
    auto it = m_pending.find(r.v1);
    if (it != m_pending.end()) m_pending.erase(it);
    m_space.ReleaseAfterCommit(r.v1, BlockDiskSize(static_cast<size_t>(r.v2)));
}

uint64_t Database::WriteStream(const uint8_t* data, size_t size) {
    BlockKindScope kind(*this, BlockKind::LargeValue);
    if (size <= kMaxBlockData) return WriteBlock(data, size, false);
    std::vector<uint64_t> leaves;
    for (size_t at = 0; at < size; at += kMaxBlockData)
        leaves.push_back(WriteBlock(data + at, std::min(kMaxBlockData, size - at), false));
    auto xblock = [this](const uint64_t* bids, size_t count, uint8_t level, uint64_t total) {
        Bytes b = EncodeXBlock(level, bids, count, total);
        return WriteBlock(b.data(), b.size(), true);
    };
    if (leaves.size() <= kMaxXBlockEntries) return xblock(leaves.data(), leaves.size(), 1, size);
    std::vector<uint64_t> groups;
    const uint64_t perGroup = static_cast<uint64_t>(kMaxXBlockEntries) * kMaxBlockData;
    for (size_t g = 0; g < leaves.size(); g += kMaxXBlockEntries) {
        size_t count = std::min(kMaxXBlockEntries, leaves.size() - g);
        uint64_t groupBytes = std::min<uint64_t>(perGroup, size - (g / kMaxXBlockEntries) * perGroup);
        groups.push_back(xblock(&leaves[g], count, 1, groupBytes));
    }
    if (groups.size() > kMaxXBlockEntries) Fail("value too large for one PST data tree");
    return xblock(groups.data(), groups.size(), 2, size);
}

Bytes Database::ReadStream(uint64_t bid) {
    Bytes out;
    AppendStream(bid, 0, out);
    return out;
}

void Database::AppendStream(uint64_t bid, int parentLevel, Bytes& out) {
    if (!(bid & kBidInternalFlag)) {
        if (parentLevel == 2) Fail("damaged PST: XXBLOCK " + std::to_string(bid) + " lists a data block");
        Bytes block = ReadBlock(bid);
        out.insert(out.end(), block.begin(), block.end());
        return;
    }
    // A data tree is a leaf, an XBLOCK over leaves or an XXBLOCK over XBLOCKs:
    // each step goes down one level, so no damage can make this recurse deeper.
    XBlock x = DecodeXBlock(ReadBlock(bid), bid);
    if (parentLevel != 0 && x.level + 1 != parentLevel)
        Fail("damaged PST: data tree block " + std::to_string(bid) + " is at the wrong depth");
    size_t start = out.size();
    // The stated size is not yet proven by the blocks below: reserve only what a
    // damaged size can cost without harm.
    if (parentLevel == 0) out.reserve(std::min<size_t>(x.totalSize, 16u << 20));
    for (uint64_t child : x.bids) AppendStream(child, x.level, out);
    if (out.size() - start != x.totalSize)
        Fail("damaged PST: data tree " + std::to_string(bid) + " holds a different size than it states");
}

void Database::FreeStream(uint64_t bid) {
    if (bid == 0) return;
    if (bid & kBidInternalFlag)
        for (uint64_t child : DecodeXBlock(ReadBlock(bid), bid).bids) FreeStream(child);
    FreeBlock(bid);
}

uint64_t Database::WriteSubnodes(std::vector<SubnodeEntry> entries) {
    if (entries.empty()) return 0;
    BlockKindScope kind(*this, BlockKind::Subnodes);
    std::sort(entries.begin(), entries.end(),
              [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
    auto leaf = [this](const SubnodeEntry* e, size_t count) {
        Bytes b(8 + 24 * count, 0);
        b[0] = 0x02;
        b[1] = 0x00;
        Put16(&b[2], static_cast<uint16_t>(count));
        for (size_t i = 0; i < count; ++i) {
            Put64(&b[8 + 24 * i], e[i].nid);
            Put64(&b[16 + 24 * i], e[i].bidData);
            Put64(&b[24 + 24 * i], e[i].bidSub);
        }
        return WriteBlock(b.data(), b.size(), true);
    };
    if (entries.size() <= kMaxSlEntries) return leaf(entries.data(), entries.size());
    Bytes index(8, 0);
    index[0] = 0x02;
    index[1] = 0x01;
    size_t groups = 0;
    for (size_t g = 0; g < entries.size(); g += kMaxSlEntries, ++groups) {
        size_t count = std::min(kMaxSlEntries, entries.size() - g);
        uint64_t bid = leaf(&entries[g], count);
        Append64(index, entries[g].nid);
        Append64(index, bid);
    }
    if (groups > kMaxSiEntries) Fail("too many subnodes in one node");
    Put16(&index[2], static_cast<uint16_t>(groups));
    return WriteBlock(index.data(), index.size(), true);
}

Bytes Database::ReadSubnodeBlock(uint64_t bid, bool leafOnly) {
    Bytes b = ReadBlock(bid);
    bool valid = (bid & kBidInternalFlag) && b.size() >= 8 && b[0] == 0x02 && (b[1] == 0 || (b[1] == 1 && !leafOnly));
    if (!valid || 8 + (b[1] == 0 ? 24u : 16u) * Get16(&b[2]) > b.size())
        Fail("damaged PST: bad subnode block " + std::to_string(bid));
    return b;
}

std::vector<SubnodeEntry> Database::ReadSubnodes(uint64_t bid) {
    std::vector<SubnodeEntry> out;
    if (bid == 0) return out;
    auto readLeaf = [&out](const Bytes& leaf) {
        for (size_t k = 0, n = Get16(&leaf[2]); k < n; ++k) {
            SubnodeEntry e;
            e.nid = Get32(&leaf[8 + 24 * k]);
            e.bidData = Get64(&leaf[16 + 24 * k]);
            e.bidSub = Get64(&leaf[24 + 24 * k]);
            out.push_back(e);
        }
    };
    Bytes b = ReadSubnodeBlock(bid, false);
    if (b[1] == 0) {
        readLeaf(b);
    } else {
        // An SIBLOCK lists SLBLOCKs only: the structure is at most two levels deep.
        for (size_t i = 0, n = Get16(&b[2]); i < n; ++i) readLeaf(ReadSubnodeBlock(Get64(&b[16 + 16 * i]), true));
    }
    return out;
}

void Database::FreeSubnodeBlocks(uint64_t bid) {
    if (bid == 0) return;
    Bytes b = ReadSubnodeBlock(bid, false);
    if (b[1] == 1) {
        size_t count = Get16(&b[2]);
        for (size_t i = 0; i < count; ++i) FreeBlock(Get64(&b[16 + 16 * i]));
    }
    FreeBlock(bid);
}

void Database::FreeSubnodeTree(uint64_t bid) {
    if (bid == 0) return;
    for (const auto& e : ReadSubnodes(bid)) {
        FreeStream(e.bidData);
        FreeSubnodeTree(e.bidSub);
    }
    FreeSubnodeBlocks(bid);
}

uint64_t Database::StreamBytes(uint64_t bid) {
    if (bid == 0) return 0;
    if (!(bid & kBidInternalFlag)) {
        BtRecord r;
        if (!FindBlock(bid, r)) Fail("damaged PST: block " + std::to_string(bid) + " is missing");
        return r.v2;
    }
    Bytes block = ReadBlock(bid);
    uint64_t total = block.size();
    size_t count = Get16(&block[2]);
    for (size_t i = 0; i < count; ++i) total += StreamBytes(Get64(&block[8 + 8 * i]));
    return total;
}

uint64_t Database::SubnodeTreeBytes(uint64_t bid) {
    if (bid == 0) return 0;
    Bytes b = ReadBlock(bid);
    uint64_t total = b.size();
    size_t count = Get16(&b[2]);
    if (b[1] == 0) {
        for (size_t i = 0; i < count; ++i)
            total += StreamBytes(Get64(&b[16 + 24 * i])) + SubnodeTreeBytes(Get64(&b[24 + 24 * i]));
    } else {
        for (size_t i = 0; i < count; ++i) total += SubnodeTreeBytes(Get64(&b[16 + 16 * i]));
    }
    return total;
}

bool Database::FindNode(uint32_t nid, NodeEntry& out) {
    BtRecord r;
    if (!m_nodeTree.Find(nid, r)) return false;
    out.nid = nid;
    out.bidData = r.v1;
    out.bidSub = r.v2;
    out.nidParent = static_cast<uint32_t>(r.v3);
    return true;
}

NodeEntry Database::GetNode(uint32_t nid) {
    NodeEntry n;
    if (!FindNode(nid, n)) Fail("damaged PST: node " + std::to_string(nid) + " is missing");
    return n;
}

void Database::PutNode(const NodeEntry& node) {
    m_nodeTree.Put(BtRecord{node.nid, node.bidData, node.bidSub, node.nidParent});
}

uint32_t Database::AllocateNid(uint32_t type) {
    NodeEntry existing;
    for (;;) {
        uint32_t index = ++m_header.nidCounters[type];
        if (index >= (1u << 27)) Fail("the PST has run out of node ids");
        uint32_t nid = MakeNid(type, index);
        if (!FindNode(nid, existing)) return nid;
    }
}

void Database::RaiseNidCounter(uint32_t type, uint32_t index) {
    if (m_header.nidCounters[type] < index) m_header.nidCounters[type] = index;
}

void Database::WritePending() {
    Bytes& merged = m_mergeBuffer;
    merged.clear();
    uint64_t mergedAt = 0;
    auto flushMerged = [&]() {
        if (!merged.empty()) WriteRaw(mergedAt, merged.data(), merged.size());
        merged.clear();
    };
    for (const auto& w : m_pending) {
        const uint8_t* bytes = &m_arena[w.second.at];
        if (merged.empty() || w.first != mergedAt + merged.size() || merged.size() + w.second.size > kMaxMergedWrite) {
            flushMerged();
            mergedAt = w.first;
        }
        merged.insert(merged.end(), bytes, bytes + w.second.size);
    }
    flushMerged();
    m_pending.clear();
    m_arena.clear();
}

// Map pages have fixed places and are rewritten in place, so they cannot
// change in one write with the header that states their free total. Before
// the first one that the header on disk counts changes, that header is
// written again saying the maps are not valid: at every instant a reader
// finds valid maps that agree with the header's figures, or maps declared
// invalid (which it rebuilds). Pages of intervals past the header's end of
// file are not counted by it and go down with the data. The data goes first,
// flushed when the commit is durable, so that a power cut tearing that extra
// header costs no more than one tearing the commit's own header; the map
// pages are then flushed with the commit's header, as the rest of a durable
// commit is (a power cut may leave them stale, as it may tear them; Open()
// rewrites maps that differ from the trees). Returns true when it flushed.
bool Database::WriteDataAndMaps(bool durable) {
    auto pages = m_space.TakeChangedMapPages();
    bool counted = false;
    for (const auto& page : pages) counted = counted || page.first < m_onDisk.fileEof;
    if (counted && m_onDisk.amapValid == kAMapValid) {
        WritePending();
        if (durable) FlushFile();
        Header invalid = m_onDisk;
        invalid.amapValid = 0;
        Bytes h = invalid.Serialize();
        WriteRaw(0, h.data(), h.size());
        m_counts.headers += h.size();
        m_onDisk = invalid;
        for (auto& page : pages) WritePage(page.first, std::move(page.second));
        WritePending();
        return durable;
    }
    for (auto& page : pages) WritePage(page.first, std::move(page.second));
    WritePending();
    return false;
}

void Database::WriteHeader() {
    m_header.unique++;
    m_header.fileEof = m_space.FileEof();
    m_header.lastAMapOffset = m_space.LastAMapOffset();
    m_header.amapFreeBytes = m_space.FreeBytes();
    Bytes h = m_header.Serialize();
    WriteRaw(0, h.data(), h.size());
    m_counts.headers += h.size();
    m_onDisk = m_header;
}

void Database::Commit() {
    ++m_counts.commits;
    m_header.nodeTreeRoot = m_nodeTree.Commit();
    m_header.blockTreeRoot = m_blockTree.Commit();
    for (uint64_t k : m_space.TakeNewIntervals()) {
        // Make the file as long as the header will say it is.
        uint64_t last = SpaceMap::IntervalBase(k) + kAMapIntervalBytes - kAllocationUnit;
        if (k + 1 == m_space.IntervalCount() && !m_space.IsUsed(last)) WritePage(last, Bytes(kAllocationUnit, 0));
    }
    // The maps go down with the data, before the header: they mark this
    // commit's new space and still mark what it releases.
    const bool durable = CommitIsDurable();
    if (!WriteDataAndMaps(durable) && durable) FlushFile();
    m_header.amapValid = kAMapValid;
    WriteHeader();
    if (durable) MarkDurable();
    m_space.ApplyReleases();
}

void Database::MarkDurable() {
    FlushFile();
    m_space.MarkDurable();
    m_lastDurable = std::chrono::steady_clock::now();
}

bool Database::CommitIsDurable() const {
    if (m_flushEachCommit) return true;
    if (m_flushInterval.count() == 0) return false;
    return m_space.HeldBytes() >= kMaxHeldReleaseBytes ||
           std::chrono::steady_clock::now() - m_lastDurable >= m_flushInterval;
}

void Database::WriteExactMaps() {
    // Only the space the last commits released differs from the maps on disk.
    m_space.MarkDurable();
    m_space.ApplyReleases();
    if (!WriteDataAndMaps(true)) FlushFile();
    m_header.amapValid = kAMapValid;
    WriteHeader();
    MarkDurable();
}

}  // namespace pst
