#pragma once
// The file header ([MS-PST] 2.2.2.6, Unicode): the single commit point.

#include <cstdint>
#include <string>

#include "ndb/Format.h"
#include "util/Bytes.h"

namespace pst {

struct Header {
    uint64_t bidNextPage = 0;
    uint64_t bidNextBlock = 0;
    uint32_t unique = 0;
    uint32_t nidCounters[32] = {};
    uint64_t fileEof = 0;
    uint64_t lastAMapOffset = 0;
    uint64_t amapFreeBytes = 0;
    BlockRef nodeTreeRoot;
    BlockRef blockTreeRoot;
    uint8_t amapValid = 0;  // kAMapValid when the maps cover everything the header reaches
    uint8_t cryptMethod = 0;

    // The counters of a new file ([MS-PST] 2.2.2.6, rgnid).
    void InitCounters();
    Bytes Serialize() const;
    // Fails with the reason when the bytes are not a Unicode PST header with valid CRCs.
    static bool Parse(const uint8_t* raw, size_t size, Header& out, std::string& why);
};

}  // namespace pst
