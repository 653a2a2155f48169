// Any bytes as a compressed column value: DecompressValue must return without
// reading outside them, and its answer must hold together: a value only when
// Ok, of the size its scheme allows; a reason whenever it is not Ok.

#include <cstddef>
#include <cstdint>

#include "ese/Compression.h"

using korvane::ese::DecompressedValue;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DecompressedValue value = korvane::ese::DecompressValue(data, size);
    if (value.status != DecompressedValue::Status::Ok) {
        if (value.error.empty() || !value.bytes.empty()) __builtin_trap();
        if (value.status == DecompressedValue::Status::Unsupported && value.scheme >= 1 && value.scheme <= 3)
            __builtin_trap();
        return 0;
    }
    if (!value.error.empty() || size == 0) __builtin_trap();
    switch (value.scheme) {
    case 1:  // one character per 7 bits after the header byte
        if (value.bytes.size() * 7 > (size - 1) * 8) __builtin_trap();
        break;
    case 2:
        if (value.bytes.size() % 2 != 0 || value.bytes.size() / 2 * 7 > (size - 1) * 8) __builtin_trap();
        break;
    case 3:  // exactly the declared size
        if (size < 3 || value.bytes.size() != (static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8))
            __builtin_trap();
        break;
    default:
        __builtin_trap();
    }
    return 0;
}
