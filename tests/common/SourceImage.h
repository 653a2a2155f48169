#pragma once
// Source files whose every record lies where the test put it, for tests that
// assert offsets, counts or exact message texts. The sample generator
// (sample/) makes the realistic ones, whose contents come with their
// expectation.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace source_image {

const std::string kMarker("N67b9\xB0\xB4", 7);  // a mailbox record starts with it
const std::string kZero(1, '\0');

struct Placed {
    uint64_t offset;
    std::string bytes;
};

// `length` bytes of `filler` with each part's bytes at its offset.
inline std::string FileImage(size_t length, const std::vector<Placed>& parts, char filler = '\0') {
    std::string image(length, filler);
    for (const Placed& part : parts) image.replace(part.offset, part.bytes.size(), part.bytes);
    return image;
}

// record(0) .. record(count - 1), one every `stride` bytes from `first`.
inline std::vector<Placed> Records(int count, uint64_t first, uint64_t stride,
                                   const std::function<std::string(int)>& record) {
    std::vector<Placed> parts;
    for (int n = 0; n < count; ++n) parts.push_back({first + stride * static_cast<uint64_t>(n), record(n)});
    return parts;
}

// header(n) and a zero byte 10 bytes into each 4096-byte block after the first,
// in filler that is neither a zero nor a marker: as the scanners find them,
// one per block.
inline std::string OneHeaderPerBlock(int count, const std::function<std::string(int)>& header) {
    return FileImage(4096 * static_cast<size_t>(count + 1),
                     Records(count, 4096 + 10, 4096, [&](int n) { return header(n) + kZero; }), 'x');
}

}  // namespace source_image
