#pragma once
// Column values the engine stored compressed. A value is compressed when its
// record's tagged-column flags or its long value's flags say so; its first
// byte then names the scheme in its five high bits (the low three belong to
// the scheme: for the 7-bit packings, the number of bits used in the last
// byte, less one).
//
// Contract: DecompressValue reads only data[0, size) and writes only the
// result it returns; whatever the bytes, it returns in time linear in the
// value's declared output (at most 64 KiB), never throws for bad input and
// never returns a wrong value as Ok.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::ese {

struct DecompressedValue {
    enum class Status { Ok, Unsupported, Damaged };
    Status status = Status::Ok;
    int scheme = 0;                   // the scheme number the value's first byte names
    std::vector<std::uint8_t> bytes;  // the value as stored before compression
    std::string error;                // why, when not Ok
};

// The scheme numbers as the engine writes them. Only the first three are
// decoded; the others are named so that reports can say what a value needed.
enum class CompressionScheme : int {
    SevenBitAscii = 1,    // 7-bit characters, one byte each once unpacked
    SevenBitUnicode = 2,  // 7-bit characters, unpacked to UTF-16LE code units
    Xpress = 3,           // a 16-bit uncompressed size, then a plain LZ77 stream
    Scrub = 4,            // a value overwritten on purpose: nothing to recover
    Xpress9 = 5,
    Xpress10 = 6,
};

// A stored value that its record or long-value flags mark compressed; its first byte names the scheme.
DecompressedValue DecompressValue(const std::uint8_t* data, std::size_t size);

}  // namespace korvane::ese
