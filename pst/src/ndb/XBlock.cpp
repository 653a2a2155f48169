#include "ndb/XBlock.h"

#include <string>

#include "ndb/Format.h"
#include "util/EngineError.h"

namespace pst {

Bytes EncodeXBlock(uint8_t level, const uint64_t* bids, size_t count, uint64_t totalSize) {
    Bytes b(8 + 8 * count);
    b[0] = 0x01;
    b[1] = level;
    Put16(&b[2], static_cast<uint16_t>(count));
    Put32(&b[4], static_cast<uint32_t>(totalSize));
    for (size_t i = 0; i < count; ++i) Put64(&b[8 + 8 * i], bids[i]);
    return b;
}

XBlock DecodeXBlock(const Bytes& raw, uint64_t bid) {
    auto damaged = [bid](const char* why) { Fail("damaged PST: data tree block " + std::to_string(bid) + " " + why); };
    if (raw.size() < 8 || raw[0] != 0x01) damaged("is not an XBLOCK");
    XBlock x;
    x.level = raw[1];
    if (x.level != 1 && x.level != 2) damaged("has an unknown depth");
    size_t count = Get16(&raw[2]);
    if (count == 0 || count > kMaxXBlockEntries || 8 + 8 * count > raw.size()) damaged("has a bad entry count");
    x.totalSize = Get32(&raw[4]);
    // An XXBLOCK's XBLOCKs need not be full (appended trees keep them short),
    // but each holds at least one full block before the last.
    uint64_t perEntry = x.level == 1 ? kMaxBlockData : uint64_t(kMaxBlockData) * kMaxXBlockEntries;
    if (x.totalSize > count * perEntry || x.totalSize <= (count - 1) * kMaxBlockData)
        damaged("has a size its entries cannot hold");
    x.bids.resize(count);
    for (size_t i = 0; i < count; ++i) x.bids[i] = Get64(&raw[8 + 8 * i]);
    return x;
}

}  // namespace pst
