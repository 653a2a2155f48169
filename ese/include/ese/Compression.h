#pragma once
// Column compression: values the record or long-value flags mark compressed
// carry the scheme in their first byte.
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

// A stored value that its record or long-value flags mark compressed; its first byte names the scheme.
DecompressedValue DecompressValue(const std::uint8_t* data, std::size_t size);

}  // namespace korvane::ese
