#pragma once
// Page checksums. Two formats: the old one, a 32-bit XOR of the page with the
// page number beside it; the new one (page flag 0x2000), per block an XOR
// folded with the page number plus an error-correcting code that locates a
// single flipped bit. Pages over 8 KiB hold four blocks, each with its own
// checksum (the first in the page header, the others in the extended header).
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::ese {

// The database header's checksum: XOR of the 32-bit words of the first 4 KiB
// after the checksum itself, seeded 0x89ABCDEF.
uint32_t HeaderChecksum(const uint8_t* header4k);

struct PageVerdict {
    enum class Kind { Sound, Corrected, Damaged, Uninitialised };
    Kind kind = Kind::Sound;
    std::string detail;  // why damaged, or which bit was corrected
};

// Verifies a database page in place; a single flipped bit that the error
// code locates is flipped back in `page`.
PageVerdict VerifyPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber);

// Writes the new-format checksums of a page (tests and the benchmark's database builder).
void SealPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber);
// Writes the header checksum of a header page.
void SealHeader(uint8_t* header4k);

}  // namespace korvane::ese
