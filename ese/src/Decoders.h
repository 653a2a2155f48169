#pragma once
// The decoders behind DecompressValue, each over the bytes that follow the
// scheme's own header. Each writes into `out` (resized once, to the final
// size) and returns false with the reason in `error` when the bytes cannot be
// the value the engine stored.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::ese::detail {

// `packed` holds 7-bit characters, least significant bit first; only
// `finalBits` (1 to 8) bits of its last byte are used. `wide` widens each
// character to a UTF-16LE code unit.
bool UnpackSevenBit(const std::uint8_t* packed, std::size_t size, int finalBits, bool wide,
                    std::vector<std::uint8_t>& out, std::string& error);

// A plain LZ77 stream ([MS-XCA] 2.3/2.4) that must produce exactly
// `expectedSize` bytes. Input after the last byte of output is ignored, as
// the engine's own decoder stops there too.
bool DecodePlainLz77(const std::uint8_t* stream, std::size_t size, std::size_t expectedSize,
                     std::vector<std::uint8_t>& out, std::string& error);

}  // namespace korvane::ese::detail
