// Plain LZ77 as [MS-XCA] describes it: a 32-bit little-endian flag word,
// read from its most significant bit, says for each of the next 32 items
// whether it is a literal byte (0) or a match (1). A match is 16 bits: the
// distance back less one in the high 13, the length less 3 in the low 3; a
// length field of 7 continues in a half byte (two matches share one byte, the
// first taking its low half), then a byte, then 16 and finally 32 bits.
//
// Every read is checked against the end of the stream, every write against
// the declared size, every distance against what has been written: damaged
// input ends in an error, never outside either buffer, and the loop ends
// after at most `expectedSize` bytes of output or the end of the input.

#include "Decoders.h"

#include <cstring>

namespace korvane::ese::detail {

namespace {

std::uint32_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Read32(const std::uint8_t* p) { return Read16(p) | (Read16(p + 2) << 16); }

}  // namespace

bool DecodePlainLz77(const std::uint8_t* stream, std::size_t size, std::size_t expectedSize,
                     std::vector<std::uint8_t>& out, std::string& error) {
    out.resize(expectedSize);
    std::uint8_t* const begin = out.data();
    std::uint8_t* const end = begin + expectedSize;
    std::uint8_t* target = begin;
    const std::uint8_t* in = stream;
    const std::uint8_t* const inEnd = stream + size;
    const std::uint8_t* sharedHalfByte = nullptr;  // the byte whose high half the next long match takes

    auto truncated = [&]() {
        error = "XPRESS stream ends after " + std::to_string(target - begin) + " of " + std::to_string(expectedSize) +
                " bytes";
        return false;
    };

    std::uint32_t flags = 0;
    int flagsLeft = 0;
    while (target != end) {
        if (flagsLeft == 0) {
            if (inEnd - in < 4) return truncated();
            flags = Read32(in);
            in += 4;
            flagsLeft = 32;
        }
        --flagsLeft;
        if ((flags & (1u << flagsLeft)) == 0) {
            if (in == inEnd) return truncated();
            *target++ = *in++;
            continue;
        }

        if (inEnd - in < 2) return truncated();
        const std::uint32_t match = Read16(in);
        in += 2;
        const std::size_t distance = (match >> 3) + 1;
        std::uint64_t length = match & 7;  // 64 bits: the 32-bit form plus 3 must not wrap on 32-bit builds
        if (length == 7) {
            std::uint32_t half;
            if (sharedHalfByte == nullptr) {
                if (in == inEnd) return truncated();
                sharedHalfByte = in++;
                half = *sharedHalfByte & 0xF;
            } else {
                half = *sharedHalfByte >> 4;
                sharedHalfByte = nullptr;
            }
            length += half;
            if (half == 15) {
                if (in == inEnd) return truncated();
                const std::uint32_t extra = *in++;
                length += extra;
                if (extra == 255) {
                    if (inEnd - in < 2) return truncated();
                    std::uint64_t full = Read16(in);
                    in += 2;
                    if (full == 0) {
                        if (inEnd - in < 4) return truncated();
                        full = Read32(in);
                        in += 4;
                    }
                    // The wide forms carry the whole length less 3, which cannot be below
                    // what the shorter forms already reach.
                    if (full < 15 + 7) {
                        error = "XPRESS match length " + std::to_string(full + 3) + " in its long form is too short";
                        return false;
                    }
                    length = full;
                }
            }
        }
        length += 3;

        const std::size_t written = static_cast<std::size_t>(target - begin);
        if (distance > written) {
            error = "XPRESS match at output byte " + std::to_string(written) + " refers " + std::to_string(distance) +
                    " bytes back, before the start";
            return false;
        }
        if (length > static_cast<std::uint64_t>(end - target)) {
            error = "XPRESS match of " + std::to_string(length) + " bytes at output byte " + std::to_string(written) +
                    " runs past the declared size of " + std::to_string(expectedSize) + " bytes";
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(length);
        const std::uint8_t* source = target - distance;
        if (distance >= count) {
            std::memcpy(target, source, count);
        } else if (distance == 1) {
            std::memset(target, *source, count);
        } else {
            // Overlapping: each byte may be one this match has just written.
            for (std::size_t i = 0; i < count; ++i) target[i] = source[i];
        }
        target += count;
    }
    return true;
}

}  // namespace korvane::ese::detail
