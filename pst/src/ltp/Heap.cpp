#include "ltp/Heap.h"

#include <algorithm>
#include <cstring>

#include "util/EngineError.h"

namespace pst {
namespace {

constexpr size_t kMaxAllocationsPerBlock = 2047;  // 11 bits of the HID
// A message's property context holds a few dozen allocations.
constexpr size_t kFreshBlockAllocations = 64;

bool IsBitmapBlock(size_t index) { return index >= 8 && (index - 8) % 128 == 0; }

}  // namespace

Heap::Heap(uint8_t clientSignature) : m_clientSignature(clientSignature) {
    Block first;
    first.loaded = true;
    first.bytes.reserve(kMaxBlockData);
    first.ends.reserve(kFreshBlockAllocations);
    m_blocks.push_back(std::move(first));
    m_loadedBlocks.push_back(0);
    MarkDirty(0);
}

void Heap::MarkDirty(size_t index) {
    Block& b = m_blocks[index];
    if (!b.dirty) m_dirtyBlocks.push_back(index);
    b.dirty = true;
}

Heap::Heap(Database& db, uint64_t bidData) : m_db(&db) {
    m_tree.Load(db, bidData);
    if (m_tree.LeafCount() == 0) Fail("damaged PST: empty heap");
    m_blocks.resize(m_tree.LeafCount());
    Bytes first = m_tree.ReadLeaf(db, 0);
    if (first.size() < 12 || first[2] != 0xEC) Fail("damaged PST: heap signature missing");
    m_clientSignature = first[3];
    m_userRoot = Get32(&first[4]);
}

size_t Heap::HeaderSize(size_t index) {
    if (index == 0) return 12;
    return IsBitmapBlock(index) ? 66 : 2;
}

Heap::Block& Heap::Load(size_t index) {
    if (index >= m_blocks.size()) Fail("damaged PST: HID points past the heap");
    Block& b = m_blocks[index];
    b.touched = true;
    if (b.loaded) return b;
    Bytes raw = m_tree.ReadLeaf(*m_db, index);
    if (raw.size() < 2) Fail("damaged PST: heap block too short");
    size_t ibHnpm = Get16(&raw[0]);
    if (ibHnpm + 4 > raw.size()) Fail("damaged PST: heap page map out of range");
    size_t count = Get16(&raw[ibHnpm]);
    if (ibHnpm + 4 + 2 * (count + 1) > raw.size()) Fail("damaged PST: heap page map truncated");
    b.bytes.clear();
    b.ends.clear();
    b.ends.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        size_t from = Get16(&raw[ibHnpm + 4 + 2 * i]);
        size_t to = Get16(&raw[ibHnpm + 4 + 2 * (i + 1)]);
        if (to < from || to > ibHnpm) Fail("damaged PST: heap allocation out of range");
        b.bytes.insert(b.bytes.end(), raw.begin() + static_cast<std::ptrdiff_t>(from),
                       raw.begin() + static_cast<std::ptrdiff_t>(to));
        b.ends.push_back(static_cast<uint32_t>(b.bytes.size()));
    }
    b.loaded = true;
    m_loadedBlocks.push_back(index);
    return b;
}

size_t Heap::UsedBytes(size_t index, const Block& b) const {
    size_t used = HeaderSize(index) + b.bytes.size();
    used += used & 1;
    return used + 4 + 2 * (b.Count() + 1);
}

bool Heap::Fits(size_t index, const Block& b, size_t extraBytes, size_t extraAllocations) const {
    if (b.Count() + extraAllocations > kMaxAllocationsPerBlock) return false;
    return UsedBytes(index, b) + extraBytes + 2 * extraAllocations + 1 <= kMaxBlockData;
}

Heap::Block& Heap::Slot(uint32_t hid, size_t& blockIndex, size_t& allocIndex) {
    if ((hid & 0x1F) != 0 || hid == 0) Fail("damaged PST: invalid HID " + std::to_string(hid));
    blockIndex = hid >> 16;
    allocIndex = (hid >> 5) & 0x7FF;
    Block& b = Load(blockIndex);
    if (allocIndex == 0 || allocIndex > b.Count()) Fail("damaged PST: HID " + std::to_string(hid) + " is not allocated");
    --allocIndex;
    return b;
}

uint8_t* Heap::Block::Resize(size_t i, size_t size) {
    const size_t begin = Begin(i);
    const size_t old = Size(i);
    if (size > old)
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(begin + old), size - old, 0);
    else if (size < old)
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(begin + size),
                    bytes.begin() + static_cast<std::ptrdiff_t>(begin + old));
    for (size_t j = i; j < ends.size(); ++j) ends[j] = static_cast<uint32_t>(ends[j] + size - old);
    return bytes.data() + begin;
}

Bytes Heap::Read(uint32_t hid) {
    size_t block, index;
    const Block& b = Slot(hid, block, index);
    const uint8_t* at = b.bytes.data() + b.Begin(index);
    return Bytes(at, at + b.Size(index));
}

size_t Heap::SizeOf(uint32_t hid) {
    size_t block, index;
    return Slot(hid, block, index).Size(index);
}

void Heap::SetUserRoot(uint32_t hid) {
    m_userRoot = hid;
    Load(0);
    MarkDirty(0);
}

uint32_t Heap::Allocate(const uint8_t* data, size_t size) {
    if (size > kMaxHeapAllocation) Fail("internal error: heap allocation of " + std::to_string(size));
    size_t last = m_blocks.size() - 1;
    if (!Fits(last, Load(last), size, 1)) {
        // HIDs carry the block index in 16 bits.
        if (m_blocks.size() >= 0x10000) Fail("the table is full: a heap cannot grow beyond 65536 blocks");
        // The old last block becomes a padded middle block.
        Load(last);
        MarkDirty(last);
        Block fresh;
        fresh.loaded = true;
        fresh.bytes.reserve(kMaxBlockData);
        fresh.ends.reserve(kFreshBlockAllocations);
        m_blocks.push_back(std::move(fresh));
        last = m_blocks.size() - 1;
        m_loadedBlocks.push_back(last);
    }
    Block& b = m_blocks[last];
    b.bytes.insert(b.bytes.end(), data, data + size);
    b.ends.push_back(static_cast<uint32_t>(b.bytes.size()));
    MarkDirty(last);
    return static_cast<uint32_t>((last << 16) | (b.Count() << 5));
}

void Heap::Write(uint32_t hid, const Bytes& data) {
    size_t block, index;
    Block& b = Slot(hid, block, index);
    if (b.Size(index) != data.size()) Fail("internal error: heap write changes size");
    if (!data.empty()) std::memcpy(b.bytes.data() + b.Begin(index), data.data(), data.size());
    MarkDirty(block);
}

uint32_t Heap::Reallocate(uint32_t hid, const Bytes& data) {
    size_t block, index;
    Block& b = Slot(hid, block, index);
    const size_t old = b.Size(index);
    if (data.size() <= old || Fits(block, b, data.size() - old, 0)) {
        uint8_t* at = b.Resize(index, data.size());
        if (!data.empty()) std::memcpy(at, data.data(), data.size());
        MarkDirty(block);
        return hid;
    }
    Free(hid);
    return Allocate(data);
}

void Heap::Free(uint32_t hid) {
    size_t block, index;
    Slot(hid, block, index).Resize(index, 0);
    MarkDirty(block);
}

uint8_t Heap::FillLevel(size_t index) const {
    const Block& b = m_blocks[index];
    if (!b.loaded) return 0xF;  // unknown: claim full so nobody looks for room there
    size_t used = UsedBytes(index, b);
    size_t free = used >= kMaxBlockData ? 0 : kMaxBlockData - used;
    static const size_t kLimits[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768, 512, 256, 128, 64, 32, 16, 8};
    for (uint8_t level = 0; level < 15; ++level)
        if (free >= kLimits[level]) return level;
    return 0xF;
}

void Heap::Serialize(size_t index, bool pad, Bytes& out) const {
    const Block& b = m_blocks[index];
    out.clear();
    out.resize(HeaderSize(index), 0);
    if (index == 0) {
        out[2] = 0xEC;
        out[3] = m_clientSignature;
        Put32(&out[4], m_userRoot);
        for (size_t i = 0; i < 8 && i < m_blocks.size(); ++i)
            out[8 + i / 2] |= static_cast<uint8_t>(FillLevel(i) << (4 * (i % 2)));
    } else if (IsBitmapBlock(index)) {
        for (size_t i = 0; i < 128 && index + i < m_blocks.size(); ++i)
            out[2 + i / 2] |= static_cast<uint8_t>(FillLevel(index + i) << (4 * (i % 2)));
    }
    const size_t first = out.size();
    out.insert(out.end(), b.bytes.begin(), b.bytes.end());
    if (out.size() & 1) out.push_back(0);
    Put16(&out[0], static_cast<uint16_t>(out.size()));
    size_t freed = 0;
    for (size_t i = 0; i < b.Count(); ++i) freed += b.Size(i) == 0 ? 1 : 0;
    Append16(out, static_cast<uint16_t>(b.Count()));
    Append16(out, static_cast<uint16_t>(freed));
    Append16(out, static_cast<uint16_t>(first));
    for (uint32_t end : b.ends) Append16(out, static_cast<uint16_t>(first + end));
    if (out.size() > kMaxBlockData) Fail("internal error: heap block overflow");
    if (pad) out.resize(kMaxBlockData, 0);
}

size_t Heap::StoredSize() const {
    size_t total = 0;
    for (size_t i = 0; i < m_blocks.size(); ++i) {
        if (!m_blocks[i].loaded) Fail("internal error: size of a heap not held in memory");
        // What Serialize gives, without building it: a middle block is padded.
        const size_t used = UsedBytes(i, m_blocks[i]);
        if (used > kMaxBlockData) Fail("internal error: heap block overflow");
        total += i + 1 < m_blocks.size() ? kMaxBlockData : used;
    }
    if (m_blocks.size() > kMaxXBlockEntries) Fail("internal error: object too large to size");
    if (m_blocks.size() > 1) total += 8 + 8 * m_blocks.size();
    return total;
}

uint64_t Heap::Commit(Database& db) {
    m_db = &db;
    Database::BlockKindScope kind(db, m_clientSignature == kHeapPropertyContext ? Database::BlockKind::PropertyContext
                                                                                 : Database::BlockKind::Table);
    // In block order: a new block is appended to the data tree after the one before it.
    std::sort(m_dirtyBlocks.begin(), m_dirtyBlocks.end());
    // Every message commits a heap of its own, and its block is copied into
    // the commit's staging arena at once: one buffer per thread serves them all
    // instead of a fresh 8 KB allocation each.
    thread_local Bytes block;
    block.reserve(kMaxBlockData);
    for (size_t i : m_dirtyBlocks) {
        Serialize(i, i + 1 < m_blocks.size(), block);
        m_tree.SetLeaf(db, i, block);
        m_blocks[i].dirty = false;
    }
    m_dirtyBlocks.clear();
    return m_tree.Commit(db);
}

void Heap::TrimCache() {
    std::vector<size_t> kept;
    for (size_t i : m_loadedBlocks) {
        Block& b = m_blocks[i];
        if (i != 0 && !b.dirty && !b.touched) {
            b.loaded = false;
            Bytes().swap(b.bytes);
            std::vector<uint32_t>().swap(b.ends);
        } else {
            kept.push_back(i);
        }
        b.touched = false;
    }
    m_loadedBlocks.swap(kept);
}

}  // namespace pst
