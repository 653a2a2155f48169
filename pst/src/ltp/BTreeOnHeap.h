#pragma once
// BTree-on-heap ([MS-PST] 2.3.2): sorted fixed-size records in heap
// allocations, one node per allocation, keys compared as unsigned integers.

#include <cstdint>
#include <functional>
#include <set>

#include "ltp/Heap.h"

namespace pst {

class BTreeOnHeap {
public:
    // Allocates an empty tree's header; returns its HID.
    static uint32_t Create(Heap& heap, uint8_t keySize, uint8_t dataSize);
    // Replaces the contents with `records` (sorted, key then data, each
    // keySize + dataSize bytes); they must fit one leaf.
    static void SetSingleLeaf(Heap& heap, uint32_t headerHid, const Bytes& records);
    // Adds a record whose key is larger than every key in the tree.
    static void Append(Heap& heap, uint32_t headerHid, const uint8_t* record);
    static bool Find(Heap& heap, uint32_t headerHid, uint32_t key, Bytes& data);
    static void ForEach(Heap& heap, uint32_t headerHid, const std::function<void(const uint8_t* record)>& visit);
    // Fails unless the tree holds records of exactly these sizes.
    static void CheckShape(Heap& heap, uint32_t headerHid, uint8_t keySize, uint8_t dataSize);

private:
    struct Shape {
        uint8_t keySize;
        uint8_t dataSize;
        uint8_t levels;
        uint32_t root;
    };
    struct Grown {
        uint32_t hid;        // the node's HID after the append (it may move)
        bool split = false;  // a new right sibling was created
        uint64_t splitKey = 0;
        uint32_t splitHid = 0;
    };
    static Shape ReadShape(Heap& heap, uint32_t headerHid);
    static void WriteShape(Heap& heap, uint32_t headerHid, const Shape& s);
    static Grown AppendAt(Heap& heap, const Shape& s, uint32_t hid, int level, const uint8_t* record);
    static void Visit(Heap& heap, const Shape& s, uint32_t hid, int level, std::set<uint32_t>& seen,
                      const std::function<void(const uint8_t*)>& visit);
};

}  // namespace pst
