#pragma once
// Fixed numbers of the Unicode NDB layer ([MS-PST] 2.2).

#include <cstddef>
#include <cstdint>

namespace pst {

constexpr size_t kHeaderSize = 564;
constexpr size_t kPageSize = 512;
constexpr size_t kBlockTrailerSize = 16;
constexpr size_t kMaxBlockData = 8176;  // 8192 minus the trailer
constexpr uint64_t kFirstAMapOffset = 0x4400;
constexpr uint64_t kAMapIntervalBytes = 0x3E000;  // 253,952 bytes covered by one AMap page
constexpr uint32_t kUnitsPerInterval = 3968;      // 64-byte slots per AMap page (496 bytes x 8 bits)
constexpr uint32_t kAllocationUnit = 64;
constexpr uint8_t kAMapValid = 2;  // fAMapValid: VALID_AMAP2

enum PageType : uint8_t {
    kPageBbt = 0x80,
    kPageNbt = 0x81,
    kPageFMap = 0x82,
    kPagePMap = 0x83,
    kPageAMap = 0x84,
    kPageFPMap = 0x85,
};

// BT page entry geometry (Unicode, [MS-PST] 2.2.2.7.7).
constexpr size_t kBtEntriesBytes = 488;
constexpr size_t kIntermediateEntrySize = 24;
constexpr size_t kBbtLeafEntrySize = 24;
constexpr size_t kNbtLeafEntrySize = 32;
constexpr size_t kMaxIntermediateEntries = kBtEntriesBytes / kIntermediateEntrySize;  // 20
constexpr size_t kMaxBbtLeafEntries = kBtEntriesBytes / kBbtLeafEntrySize;            // 20
constexpr size_t kMaxNbtLeafEntries = kBtEntriesBytes / kNbtLeafEntrySize;            // 15

// XBLOCK / SLBLOCK geometry.
constexpr size_t kMaxXBlockEntries = (kMaxBlockData - 8) / 8;  // 1021
constexpr size_t kMaxSlEntries = (kMaxBlockData - 8) / 24;     // 340
constexpr size_t kMaxSiEntries = (kMaxBlockData - 8) / 16;     // 510

constexpr uint64_t kBidInternalFlag = 0x2;

inline size_t BlockDiskSize(size_t dataSize) {
    return (dataSize + kBlockTrailerSize + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit;
}

// Node ids: low five bits are the type ([MS-PST] 2.2.2.1).
enum NidType : uint32_t {
    kNidTypeInternal = 0x01,
    kNidTypeNormalFolder = 0x02,
    kNidTypeSearchFolder = 0x03,
    kNidTypeNormalMessage = 0x04,
    kNidTypeAttachment = 0x05,
    kNidTypeSearchUpdateQueue = 0x06,
    kNidTypeSearchCriteria = 0x07,
    kNidTypeAssocMessage = 0x08,
    kNidTypeHierarchyTable = 0x0D,
    kNidTypeContentsTable = 0x0E,
    kNidTypeAssocContentsTable = 0x0F,
    kNidTypeSearchContentsTable = 0x10,
    kNidTypeLtp = 0x1F,
};

inline uint32_t MakeNid(uint32_t type, uint32_t index) { return (index << 5) | type; }
inline uint32_t NidType(uint32_t nid) { return nid & 0x1F; }
inline uint32_t NidIndex(uint32_t nid) { return nid >> 5; }

struct BlockRef {
    uint64_t bid = 0;
    uint64_t ib = 0;
};

struct NodeEntry {
    uint32_t nid = 0;
    uint64_t bidData = 0;
    uint64_t bidSub = 0;
    uint32_t nidParent = 0;
};

struct SubnodeEntry {
    uint32_t nid = 0;
    uint64_t bidData = 0;
    uint64_t bidSub = 0;
};

}  // namespace pst
