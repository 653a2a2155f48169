#include "util/Crc.h"

namespace pst {
namespace {

// Sixteen tables let the loop consume sixteen bytes per step; the CRC runs
// over every block written, so it sits on the hot path of each commit.
struct CrcTables {
    uint32_t t[16][256];
    CrcTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0u);
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int s = 1; s < 16; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
};

const CrcTables& Tables() {
    static const CrcTables tables;
    return tables;
}

}  // namespace

uint32_t PstCrc(const void* data, size_t size, uint32_t crc) {
    const CrcTables& tb = Tables();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size >= 16) {
        uint32_t a = crc ^ (static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                            (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        crc = tb.t[15][a & 0xFF] ^ tb.t[14][(a >> 8) & 0xFF] ^ tb.t[13][(a >> 16) & 0xFF] ^ tb.t[12][a >> 24] ^
              tb.t[11][p[4]] ^ tb.t[10][p[5]] ^ tb.t[9][p[6]] ^ tb.t[8][p[7]] ^ tb.t[7][p[8]] ^ tb.t[6][p[9]] ^
              tb.t[5][p[10]] ^ tb.t[4][p[11]] ^ tb.t[3][p[12]] ^ tb.t[2][p[13]] ^ tb.t[1][p[14]] ^ tb.t[0][p[15]];
        p += 16;
        size -= 16;
    }
    while (size >= 8) {
        uint32_t lo = crc ^ (static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                             (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        crc = tb.t[7][lo & 0xFF] ^ tb.t[6][(lo >> 8) & 0xFF] ^ tb.t[5][(lo >> 16) & 0xFF] ^ tb.t[4][lo >> 24] ^
              tb.t[3][p[4]] ^ tb.t[2][p[5]] ^ tb.t[1][p[6]] ^ tb.t[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--) crc = (crc >> 8) ^ tb.t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

}  // namespace pst
