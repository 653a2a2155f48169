#pragma once
// XBLOCK and XXBLOCK ([MS-PST] 2.2.2.8.3.2): the index blocks of a data tree
// that lists its data blocks (level 1) or its XBLOCKs (level 2).

#include <cstdint>
#include <vector>

#include "util/Bytes.h"

namespace pst {

struct XBlock {
    uint8_t level = 1;
    uint32_t totalSize = 0;  // bytes of data below this block
    std::vector<uint64_t> bids;
};

Bytes EncodeXBlock(uint8_t level, const uint64_t* bids, size_t count, uint64_t totalSize);
// Fails naming `bid` when the bytes are not an XBLOCK or XXBLOCK whose counts
// fit the block and whose size fits its entries.
XBlock DecodeXBlock(const Bytes& raw, uint64_t bid);

}  // namespace pst
