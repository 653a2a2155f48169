#pragma once
// The [MS-PST] 5.3 CRC: reflected CRC-32 (polynomial 0xEDB88320) that starts at
// 0 and is not inverted at the end, so it differs from zlib's crc32().

#include <cstddef>
#include <cstdint>

namespace pst {

uint32_t PstCrc(const void* data, size_t size, uint32_t crc = 0);

}  // namespace pst
