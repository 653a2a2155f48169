// 7-bit packing: the engine stores text whose characters are all below 0x80
// as a run of 7-bit fields, least significant bit first, with no padding
// between characters. The header byte gives how many bits of the last byte
// are used, so the character count is exact: (bytes - 1) * 8 + finalBits bits,
// which the engine always makes a multiple of 7.

#include "Decoders.h"

namespace korvane::ese::detail {

bool UnpackSevenBit(const std::uint8_t* packed, std::size_t size, int finalBits, bool wide,
                    std::vector<std::uint8_t>& out, std::string& error) {
    if (size == 0) {
        error = "7-bit value has no packed bytes";
        return false;
    }
    const std::size_t totalBits = (size - 1) * 8 + static_cast<std::size_t>(finalBits);
    if (totalBits % 7 != 0) {
        error = "7-bit value of " + std::to_string(totalBits) + " bits is not a whole number of characters";
        return false;
    }
    const std::size_t count = totalBits / 7;
    const std::size_t unit = wide ? 2 : 1;
    out.assign(count * unit, 0);  // the high bytes of wide characters stay zero
    std::uint8_t* target = out.data();

    // Whole input bytes go into a bit buffer; every 7 bits out make a character.
    // count * 7 <= size * 8, so the loop never reads past `packed + size`.
    std::uint32_t buffer = 0;
    int buffered = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (buffered < 7) {
            buffer |= static_cast<std::uint32_t>(packed[next++]) << buffered;
            buffered += 8;
        }
        target[i * unit] = static_cast<std::uint8_t>(buffer & 0x7F);
        buffer >>= 7;
        buffered -= 7;
    }
    return true;
}

}  // namespace korvane::ese::detail
