#include "ese/Compression.h"

#include "Decoders.h"

namespace korvane::ese {

namespace {

// A compressed value is either a column value inside a record or one chunk of
// a long value, and both live within one page; pages are at most 32 KiB. A
// larger input cannot have come from the file, and refusing it bounds the
// output too: 7-bit unpacking yields at most 8/7 of its input, and XPRESS
// states its size in 16 bits (at most 65,535 bytes).
constexpr std::size_t kLargestStoredValue = 32 * 1024;

constexpr std::size_t kXpressHeaderSize = 3;  // the scheme byte, then the size as 16 bits little-endian

DecompressedValue Damaged(DecompressedValue value, std::string why) {
    value.status = DecompressedValue::Status::Damaged;
    value.bytes.clear();
    value.error = std::move(why);
    return value;
}

}  // namespace

DecompressedValue DecompressValue(const std::uint8_t* data, std::size_t size) {
    DecompressedValue value;
    if (size == 0 || data == nullptr) return Damaged(std::move(value), "compressed value is empty");
    value.scheme = data[0] >> 3;
    if (size > kLargestStoredValue) {
        return Damaged(std::move(value), "compressed value of " + std::to_string(size) +
                                             " bytes is larger than the largest page (32 KiB)");
    }

    std::string error;
    bool decoded = false;
    switch (static_cast<CompressionScheme>(value.scheme)) {
    case CompressionScheme::SevenBitAscii:
    case CompressionScheme::SevenBitUnicode:
        decoded = detail::UnpackSevenBit(data + 1, size - 1, (data[0] & 0x7) + 1,
                                         value.scheme == static_cast<int>(CompressionScheme::SevenBitUnicode),
                                         value.bytes, error);
        break;
    case CompressionScheme::Xpress: {
        if (size < kXpressHeaderSize) {
            return Damaged(std::move(value),
                           "XPRESS value of " + std::to_string(size) + " bytes is too short for its size field");
        }
        const std::size_t expected = static_cast<std::size_t>(data[1]) | (static_cast<std::size_t>(data[2]) << 8);
        decoded =
            detail::DecodePlainLz77(data + kXpressHeaderSize, size - kXpressHeaderSize, expected, value.bytes, error);
        break;
    }
    default:
        value.status = DecompressedValue::Status::Unsupported;
        value.error = "compressed with scheme " + std::to_string(value.scheme) + ", not supported";
        return value;
    }
    if (!decoded) return Damaged(std::move(value), std::move(error));
    return value;
}

}  // namespace korvane::ese
