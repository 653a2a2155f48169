// Stand-in until the decompressors land: every compressed value is reported
// unsupported, never returned as stored.
#include "ese/Compression.h"

namespace korvane::ese {

DecompressedValue DecompressValue(const std::uint8_t* data, std::size_t size) {
    DecompressedValue value;
    value.status = DecompressedValue::Status::Unsupported;
    value.scheme = size ? data[0] >> 3 : 0;
    value.error = "compressed with scheme " + std::to_string(value.scheme) + ", not supported";
    return value;
}

}  // namespace korvane::ese
