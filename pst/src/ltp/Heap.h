#pragma once
// Heap-on-node ([MS-PST] 2.3.1): a node's data stream cut into blocks of at
// most 8176 bytes, each with its own page map, holding allocations addressed
// by HID = (block << 16) | (index << 5). Blocks are loaded when touched, and
// Commit() writes only the blocks that changed, so appending to a large table
// costs one or two blocks. Non-final blocks are padded to 8176 bytes, as
// readers locate heap blocks by that size.

#include <cstdint>
#include <vector>

#include "ndb/DataTree.h"
#include "util/Bytes.h"

namespace pst {

enum HeapClient : uint8_t {
    kHeapTableContext = 0x7C,
    kHeapBTree = 0xB5,
    kHeapPropertyContext = 0xBC,
};

constexpr size_t kMaxHeapAllocation = 3580;

class Heap {
public:
    // A new heap, held in memory until Commit().
    explicit Heap(uint8_t clientSignature);
    // The heap stored in an existing node stream; blocks are read on demand.
    Heap(Database& db, uint64_t bidData);

    uint8_t ClientSignature() const { return m_clientSignature; }
    uint32_t UserRoot() const { return m_userRoot; }
    void SetUserRoot(uint32_t hid);

    Bytes Read(uint32_t hid);
    size_t SizeOf(uint32_t hid);
    uint32_t Allocate(const Bytes& data) { return Allocate(data.data(), data.size()); }
    uint32_t Allocate(const uint8_t* data, size_t size);
    // Overwrites an allocation with data of the same size.
    void Write(uint32_t hid, const Bytes& data);
    // Replaces an allocation with data of any size; returns its (possibly new) HID.
    uint32_t Reallocate(uint32_t hid, const Bytes& data);
    void Free(uint32_t hid);

    // The bytes Commit() will store for a heap held wholly in memory: its
    // blocks as written plus the XBLOCK listing them when there are several.
    size_t StoredSize() const;
    // Writes the changed blocks; returns the root BID of the node's stream.
    uint64_t Commit(Database& db);
    // Drops clean blocks not used since the previous call: appends keep
    // touching the same few blocks (the tail, the right edge of the row index).
    void TrimCache();

private:
    struct Block {
        bool loaded = false;
        bool dirty = false;
        bool touched = false;
        // The allocations back to back, as the block stores them, and where
        // each ends (index 0 is HID index 1; a freed one is empty): one buffer
        // per block instead of one per allocation.
        Bytes bytes;
        std::vector<uint32_t> ends;
        size_t Count() const { return ends.size(); }
        size_t Begin(size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
        size_t Size(size_t i) const { return ends[i] - Begin(i); }
        // Gives allocation i `size` bytes (keeping none of its old ones) and returns them.
        uint8_t* Resize(size_t i, size_t size);
    };

    Block& Load(size_t index);
    static size_t HeaderSize(size_t index);
    size_t UsedBytes(size_t index, const Block& b) const;
    bool Fits(size_t index, const Block& b, size_t extraBytes, size_t extraAllocations) const;
    // Replaces `out` with block `index` as stored.
    void Serialize(size_t index, bool pad, Bytes& out) const;
    uint8_t FillLevel(size_t index) const;
    // The block and index within it of an allocation in use.
    Block& Slot(uint32_t hid, size_t& blockIndex, size_t& allocIndex);
    void MarkDirty(size_t index);

    Database* m_db = nullptr;  // not owned; null for a heap not yet stored
    DataTree m_tree;
    std::vector<Block> m_blocks;
    // Blocks to write at the next Commit() and blocks held in memory, so that
    // neither Commit() nor TrimCache() walks every block of a large heap.
    std::vector<size_t> m_dirtyBlocks;
    std::vector<size_t> m_loadedBlocks;
    uint8_t m_clientSignature;
    uint32_t m_userRoot = 0;
};

}  // namespace pst
