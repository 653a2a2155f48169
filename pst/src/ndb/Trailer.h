#pragma once
// The trailers that end every block and every page ([MS-PST] 2.2.2.7.1 and
// 2.2.2.8.1): how they are signed and checked. Every reader of a block or a
// page goes through here, so a damaged one is refused before its bytes are
// interpreted.

#include <cstdint>

#include "util/Bytes.h"

namespace pst {

// wSig: the low and high 16 bits of (ib ^ bid), folded.
inline uint16_t TrailerSignature(uint64_t ib, uint64_t bid) {
    uint64_t x = ib ^ bid;
    return static_cast<uint16_t>(static_cast<uint16_t>(x >> 16) ^ static_cast<uint16_t>(x));
}

// The fuzz build ignores checksums, so that mutated files reach the structure
// checks behind them instead of all stopping at the first CRC.
inline bool ChecksumMatches(uint32_t stored, uint32_t computed) {
#ifdef KORVANE_FUZZ_IGNORE_CHECKSUMS
    (void)stored;
    (void)computed;
    return true;
#else
    return stored == computed;
#endif
}

}  // namespace pst
