#include "ltp/BTreeOnHeap.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "util/EngineError.h"

namespace pst {
namespace {

// Nodes filled by appends hold at most this many records. The rightmost node
// of every level grows with each append and so travels with the heap's last
// block, which every commit rewrites: short nodes keep that block short (about
// 256 bytes a level on average instead of 1,790 for a leaf of 3,580 bytes).
constexpr size_t kMaxAppendedNodeRecords = 64;

uint64_t KeyOf(const uint8_t* p, size_t size) {
    uint64_t k = 0;
    for (size_t i = 0; i < size && i < 8; ++i) k |= static_cast<uint64_t>(p[i]) << (8 * i);
    return k;
}

}  // namespace

uint32_t BTreeOnHeap::Create(Heap& heap, uint8_t keySize, uint8_t dataSize) {
    Bytes h(8, 0);
    h[0] = kHeapBTree;
    h[1] = keySize;
    h[2] = dataSize;
    return heap.Allocate(h);
}

BTreeOnHeap::Shape BTreeOnHeap::ReadShape(Heap& heap, uint32_t headerHid) {
    Bytes h = heap.Read(headerHid);
    if (h.size() < 8 || h[0] != kHeapBTree) Fail("damaged PST: BTree-on-heap header missing");
    Shape s{h[1], h[2], h[3], Get32(&h[4])};
    // Key sizes of the format; records of at most one allocation; and far more
    // levels than the 65536 blocks of one heap can hold.
    bool keyOk = s.keySize == 2 || s.keySize == 4 || s.keySize == 8 || s.keySize == 16;
    if (!keyOk || s.dataSize == 0 || s.dataSize > 32 || s.levels > 8)
        Fail("damaged PST: BTree-on-heap header has an impossible shape");
    return s;
}

void BTreeOnHeap::CheckShape(Heap& heap, uint32_t headerHid, uint8_t keySize, uint8_t dataSize) {
    Shape s = ReadShape(heap, headerHid);
    if (s.keySize != keySize || s.dataSize != dataSize)
        Fail("damaged PST: BTree-on-heap records of an unexpected size");
}

void BTreeOnHeap::WriteShape(Heap& heap, uint32_t headerHid, const Shape& s) {
    Bytes h(8, 0);
    h[0] = kHeapBTree;
    h[1] = s.keySize;
    h[2] = s.dataSize;
    h[3] = s.levels;
    Put32(&h[4], s.root);
    heap.Write(headerHid, h);
}

void BTreeOnHeap::SetSingleLeaf(Heap& heap, uint32_t headerHid, const Bytes& records) {
    Shape s = ReadShape(heap, headerHid);
    if (records.size() > kMaxHeapAllocation) Fail("internal error: BTree-on-heap leaf too large");
    s.levels = 0;
    s.root = records.empty() ? 0 : heap.Allocate(records);
    WriteShape(heap, headerHid, s);
}

BTreeOnHeap::Grown BTreeOnHeap::AppendAt(Heap& heap, const Shape& s, uint32_t hid, int level, const uint8_t* record) {
    Bytes node = heap.Read(hid);
    Grown out;
    out.hid = hid;
    size_t recordSize = level == 0 ? size_t(s.keySize) + s.dataSize : size_t(s.keySize) + 4;
    size_t capacity = std::min<size_t>(kMaxAppendedNodeRecords, kMaxHeapAllocation / recordSize);
    if (level == 0) {
        if (node.size() / recordSize < capacity) {
            node.insert(node.end(), record, record + recordSize);
            out.hid = heap.Reallocate(hid, node);
            return out;
        }
        out.split = true;
        out.splitKey = KeyOf(record, s.keySize);
        out.splitHid = heap.Allocate(Bytes(record, record + recordSize));
        return out;
    }
    if (node.size() < recordSize || node.size() % recordSize != 0)
        Fail("damaged PST: BTree-on-heap index node " + std::to_string(hid) + " has a bad size");
    size_t lastAt = node.size() - recordSize;
    uint32_t child = Get32(&node[lastAt + s.keySize]);
    Grown below = AppendAt(heap, s, child, level - 1, record);
    if (below.hid != child) {
        Put32(&node[lastAt + s.keySize], below.hid);
        heap.Write(hid, node);
    }
    if (!below.split) return out;
    Bytes entry(recordSize, 0);
    for (size_t i = 0; i < s.keySize; ++i) entry[i] = static_cast<uint8_t>(below.splitKey >> (8 * i));
    Put32(&entry[s.keySize], below.splitHid);
    if (node.size() / recordSize < capacity) {
        node.insert(node.end(), entry.begin(), entry.end());
        out.hid = heap.Reallocate(hid, node);
        return out;
    }
    out.split = true;
    out.splitKey = below.splitKey;
    out.splitHid = heap.Allocate(entry);
    return out;
}

void BTreeOnHeap::Append(Heap& heap, uint32_t headerHid, const uint8_t* record) {
    Shape s = ReadShape(heap, headerHid);
    size_t recordSize = size_t(s.keySize) + s.dataSize;
    if (s.root == 0) {
        s.root = heap.Allocate(Bytes(record, record + recordSize));
        s.levels = 0;
        WriteShape(heap, headerHid, s);
        return;
    }
    Grown g = AppendAt(heap, s, s.root, s.levels, record);
    if (g.split) {
        // The root overflowed: a new root above the old one and its new sibling.
        Bytes oldRoot = heap.Read(g.hid);
        Bytes top(2 * (size_t(s.keySize) + 4), 0);
        std::memcpy(&top[0], oldRoot.data(), s.keySize);
        Put32(&top[s.keySize], g.hid);
        for (size_t i = 0; i < s.keySize; ++i) top[s.keySize + 4 + i] = static_cast<uint8_t>(g.splitKey >> (8 * i));
        Put32(&top[2 * s.keySize + 4], g.splitHid);
        s.root = heap.Allocate(top);
        s.levels++;
        WriteShape(heap, headerHid, s);
    } else if (g.hid != s.root) {
        s.root = g.hid;
        WriteShape(heap, headerHid, s);
    }
}

bool BTreeOnHeap::Find(Heap& heap, uint32_t headerHid, uint32_t key, Bytes& data) {
    Shape s = ReadShape(heap, headerHid);
    if (s.root == 0) return false;
    uint32_t hid = s.root;
    for (int level = s.levels;; --level) {
        Bytes node = heap.Read(hid);
        size_t recordSize = level == 0 ? size_t(s.keySize) + s.dataSize : size_t(s.keySize) + 4;
        size_t count = node.size() / recordSize;
        // Last record whose key <= target (binary search).
        size_t lo = 0, hi = count;
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (KeyOf(&node[mid * recordSize], s.keySize) <= key)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == 0) return false;
        const uint8_t* rec = &node[(lo - 1) * recordSize];
        if (level == 0) {
            if (KeyOf(rec, s.keySize) != key) return false;
            data.assign(rec + s.keySize, rec + recordSize);
            return true;
        }
        hid = Get32(rec + s.keySize);
    }
}

void BTreeOnHeap::Visit(Heap& heap, const Shape& s, uint32_t hid, int level, std::set<uint32_t>& seen,
                        const std::function<void(const uint8_t*)>& visit) {
    // A node named twice would be visited twice, or without end through a cycle.
    if (!seen.insert(hid).second) Fail("damaged PST: BTree-on-heap node " + std::to_string(hid) + " is named twice");
    Bytes node = heap.Read(hid);
    size_t recordSize = level == 0 ? size_t(s.keySize) + s.dataSize : size_t(s.keySize) + 4;
    for (size_t at = 0; at + recordSize <= node.size(); at += recordSize) {
        if (level == 0)
            visit(&node[at]);
        else
            Visit(heap, s, Get32(&node[at + s.keySize]), level - 1, seen, visit);
    }
}

void BTreeOnHeap::ForEach(Heap& heap, uint32_t headerHid, const std::function<void(const uint8_t*)>& visit) {
    Shape s = ReadShape(heap, headerHid);
    std::set<uint32_t> seen;
    if (s.root != 0) Visit(heap, s, s.root, s.levels, seen, visit);
}

}  // namespace pst
