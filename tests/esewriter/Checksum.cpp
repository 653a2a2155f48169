// Page and header checksums. Pages use the "new" format: an XOR of the words of
// a block with an ECC beside it, so that a reader can correct one flipped bit;
// pages of 16 KiB and more have four blocks, whose checksums the header block
// carries. The database header keeps the old seeded XOR.
#include "EseInternal.h"

namespace esewriter::detail {
namespace {

bool OddParity(uint32_t word) { return __builtin_parity(word) != 0; }

uint32_t Word(const uint8_t* at) { return static_cast<uint32_t>(GetLittle(at, 4)); }

}  // namespace

uint64_t BlockChecksum(const uint8_t* block, uint32_t size, bool headerBlock) {
    // The block is read as rows of four words; every row whose parity is odd
    // marks the ECC with its row number and its complement, every odd column
    // bit of the folded words with its bit number and its complement.
    uint32_t columns[4] = {0, 0, 0, 0};
    uint32_t ecc = 0;
    for (uint32_t row = 0; row < size / 16; ++row) {
        uint32_t rowXor = 0;
        for (uint32_t i = 0; i < 4; ++i) {
            uint32_t word = (headerBlock && row == 0 && i < 2) ? 0 : Word(block + row * 16 + i * 4);
            columns[i] ^= word;
            rowXor ^= word;
        }
        if (OddParity(rowXor)) {
            uint32_t index = row << 7;
            ecc ^= ((~index & 0xff80u) << 16) | (index & 0xffffu);
        }
    }
    if (OddParity(columns[0] ^ columns[1])) ecc |= 0x00400000u;
    if (OddParity(columns[2] ^ columns[3])) ecc |= 0x00000040u;
    uint32_t evenOdd0 = columns[0] ^ columns[2];
    uint32_t evenOdd1 = columns[1] ^ columns[3];
    if (OddParity(evenOdd0)) ecc |= 0x00200000u;
    if (OddParity(evenOdd1)) ecc |= 0x00000020u;
    uint32_t folded = evenOdd0 ^ evenOdd1;
    uint32_t bitMarks = 0;
    for (uint32_t bit = 0; bit < 32; ++bit) {
        if (folded & (1u << bit)) bitMarks ^= ((~bit & 0xffffu) << 16) | bit;
    }
    // Row numbers beyond the block's size never occur: their mark bits are masked off.
    uint32_t sizeMask = (size << 19) - 1u;
    uint32_t final = (ecc & 0xffe0ffe0u & sizeMask) | (bitMarks & 0x001f001fu);
    return (static_cast<uint64_t>(final) << 32) | folded;
}

void SealPage(uint8_t* page, uint32_t pageSize, uint32_t pageNumber) {
    uint32_t blockSize = pageSize;
    if (IsLargePage(pageSize)) {
        blockSize = pageSize <= 16384 ? 4096 : 8192;
        SetLittle(page + 64, pageNumber, 8);
        for (uint32_t i = 1; i < 4; ++i) {
            uint64_t sum = BlockChecksum(page + i * blockSize, blockSize, false) ^ pageNumber;
            SetLittle(page + 40 + (i - 1) * 8, sum, 8);
        }
    }
    SetLittle(page, BlockChecksum(page, blockSize, true) ^ pageNumber, 8);
}

uint32_t HeaderChecksum(const uint8_t* page, uint32_t pageSize) {
    uint32_t sum = 0x89abcdefu;
    for (uint32_t at = 4; at < pageSize; at += 4) sum ^= Word(page + at);
    return sum;
}

}  // namespace esewriter::detail
