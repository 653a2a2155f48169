#pragma once
// Property context ([MS-PST] 2.3.3): a property bag stored as a heap whose
// user root is a BTree-on-heap of (id, type, value-or-HNID) records.

#include <vector>

#include "ltp/Property.h"
#include "ndb/Database.h"

namespace pst {

// What a node (or subnode) entry points to.
struct NodeContent {
    uint64_t bidData = 0;
    uint64_t bidSub = 0;
};

// A property value written straight from the caller's bytes: attachment
// data can be as large as the message, and a copy would double its memory.
struct BorrowedValue {
    uint32_t tag = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class PropertyContext {
public:
    // Writes a new property context. Values larger than a heap allocation go to
    // subnodes, listed together with `extraSubnodes` (tables, attachments).
    // When `sizeTag` names an Int32 property, it is set to the object's stored
    // size (see StoredObjectSize) and the value is returned in `storedSize`.
    // `borrowed`, when given, is one more property, its tag not among `properties`.
    static NodeContent Write(Database& db, const std::vector<Property>& properties,
                             std::vector<SubnodeEntry> extraSubnodes = {}, uint32_t sizeTag = 0,
                             uint32_t* storedSize = nullptr, const BorrowedValue* borrowed = nullptr);
    static std::vector<Property> Read(Database& db, uint64_t bidData, uint64_t bidSub);
};

}  // namespace pst
