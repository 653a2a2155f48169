#include "Checksum.h"

#include "Bytes.h"

namespace korvane::ese {
namespace {

constexpr uint32_t kXorSeed = 0x89ABCDEF;
constexpr uint32_t kNewChecksumFormatFlag = 0x2000;

inline uint32_t Parity(uint32_t v) {
    v ^= v >> 16;
    v ^= v >> 8;
    v ^= v >> 4;
    v ^= v >> 2;
    v ^= v >> 1;
    return v & 1;
}

struct BlockSums {
    uint32_t xorSum = 0;
    uint32_t ecc = 0;
};

// The error code is, over every set bit of the block at bit index b (byte*8 +
// bit), the XOR of b in the low half and of the complement of b (within the
// block's bit count) in the high half. A single flipped bit then changes the
// low half by exactly b and the high half by its complement. Bit indexes split
// into word index and bit-in-word, so the sum needs only each word's parity
// and the column parity of all words.
BlockSums SumBlock(const uint8_t* block, uint32_t size, bool skipChecksum) {
    BlockSums sums;
    uint32_t columns = 0, wordPart = 0;
    const uint32_t words = size / 4;
    for (uint32_t w = skipChecksum ? 2 : 0; w < words; ++w) {
        uint32_t value = Le32(block + 4 * w);
        columns ^= value;
        if (Parity(value)) wordPart ^= w * 32;
    }
    uint32_t low = wordPart;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if (columns & (1u << bit)) low ^= bit;
    const uint32_t mask = size * 8 - 1;
    uint32_t high = low ^ (Parity(columns) ? mask : 0);
    sums.xorSum = columns;
    sums.ecc = (low & mask) | ((high & mask) << 16);
    return sums;
}

int BitsSet(uint32_t v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

}  // namespace

uint32_t HeaderChecksum(const uint8_t* header4k) {
    uint32_t sum = kXorSeed;
    for (uint32_t offset = 4; offset < 4096; offset += 4) sum ^= Le32(header4k + offset);
    return sum;
}

PageVerdict VerifyPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber) {
    PageVerdict verdict;
    bool allZero = true;
    for (uint32_t i = 0; i < pageSize && allZero; i += 8) allZero = Le64(page + i) == 0;
    if (allZero) {
        verdict.kind = PageVerdict::Kind::Uninitialised;
        verdict.detail = "the page was never written (all zero)";
        return verdict;
    }
    const uint32_t flags = Le32(page + 36);
    if (!(flags & kNewChecksumFormatFlag)) {
        uint32_t sum = kXorSeed;
        for (uint32_t offset = 4; offset < pageSize; offset += 4) sum ^= Le32(page + offset);
        if (sum != Le32(page) || Le32(page + 4) != pageNumber) {
            verdict.kind = PageVerdict::Kind::Damaged;
            verdict.detail = Le32(page + 4) != pageNumber ? "the page names itself page " + std::to_string(Le32(page + 4))
                                                          : "checksum mismatch";
        }
        return verdict;
    }
    const uint32_t blocks = pageSize > 8192 ? 4 : 1;
    const uint32_t blockSize = pageSize / blocks;
    for (uint32_t b = 0; b < blocks; ++b) {
        uint8_t* block = page + b * blockSize;
        const uint8_t* stored = b == 0 ? page : page + 40 + 8 * (b - 1);
        BlockSums sums = SumBlock(block, blockSize, b == 0);
        uint32_t storedXor = Le32(stored), storedEcc = Le32(stored + 4);
        uint32_t xorDiff = storedXor ^ sums.xorSum ^ pageNumber;
        uint32_t eccDiff = storedEcc ^ sums.ecc;
        if (!xorDiff && !eccDiff) continue;
        const uint32_t mask = blockSize * 8 - 1;
        std::string where = blocks > 1 ? " in block " + std::to_string(b) : std::string();
        if (eccDiff && BitsSet(xorDiff) == 1 && (((eccDiff >> 16) ^ eccDiff) & mask) == mask) {
            uint32_t bit = eccDiff & 0xFFFF;
            // The block's stored checksum itself is not covered; a flip there is not a data bit.
            if (bit / 8 < blockSize && !(b == 0 && bit / 8 < 8)) {
                block[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
                BlockSums again = SumBlock(block, blockSize, b == 0);
                if ((again.xorSum ^ pageNumber) == storedXor && again.ecc == storedEcc) {
                    verdict.kind = PageVerdict::Kind::Corrected;
                    verdict.detail = "corrected a flipped bit at byte " + std::to_string(b * blockSize + bit / 8) +
                                     ", bit " + std::to_string(bit % 8);
                    continue;
                }
                block[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
            }
        }
        // One flipped bit in the stored code while the data agree with the XOR and the page number.
        if (!xorDiff && BitsSet(eccDiff) == 1) {
            verdict.kind = PageVerdict::Kind::Corrected;
            verdict.detail = "a flipped bit in the stored checksum" + where + "; the data agree with the rest of it";
            continue;
        }
        verdict.kind = PageVerdict::Kind::Damaged;
        if (!eccDiff && (storedXor ^ sums.xorSum) != pageNumber && BitsSet(xorDiff) != 1) {
            verdict.detail = "the page holds page " + std::to_string(storedXor ^ sums.xorSum) + "'s data" + where;
        } else {
            verdict.detail = "checksum mismatch" + where;
        }
        return verdict;
    }
    return verdict;
}

void SealPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber) {
    const uint32_t blocks = pageSize > 8192 ? 4 : 1;
    const uint32_t blockSize = pageSize / blocks;
    auto put = [](uint8_t* at, uint32_t v) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
    };
    // The later blocks first: block 0's sums cover their stored checksums.
    for (uint32_t b = blocks; b-- > 0;) {
        BlockSums sums = SumBlock(page + b * blockSize, blockSize, b == 0);
        uint8_t* stored = b == 0 ? page : page + 40 + 8 * (b - 1);
        put(stored, sums.xorSum ^ pageNumber);
        put(stored + 4, sums.ecc);
    }
}

void SealHeader(uint8_t* header4k) {
    uint32_t sum = HeaderChecksum(header4k);
    for (int i = 0; i < 4; ++i) header4k[i] = static_cast<uint8_t>(sum >> (8 * i));
}

}  // namespace korvane::ese
