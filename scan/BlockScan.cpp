#include "scan/BlockScan.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mailbox {
namespace {

// Reads of 32 blocks keep the system calls few and the bytes just read in the
// processor's cache while they are searched (1 MiB reads measured slower); a
// multiple of the block size, so every read starts on a block.
constexpr size_t kReadSize = 1u << 17;
static_assert(kReadSize % kBlockSize == 0, "reads must cover whole blocks");

}  // namespace

ScanOutcome ScanBlocks(SourceFile& file, ScanToken& token, const ProgressFn& progress, const BlockVisitor& visit) {
    const uint64_t length = file.Length();
    // Small files need no more than their own size.
    const size_t readSize = static_cast<size_t>(std::min<uint64_t>(
        kReadSize, length > kFirstBlockOffset ? (length - kFirstBlockOffset + kBlockSize - 1) / kBlockSize * kBlockSize
                                              : kBlockSize));
    std::vector<uint8_t> buffer(readSize);
    uint64_t lastPercent = 0;
    uint64_t offset = kFirstBlockOffset;
    ScanOutcome outcome;
    for (;;) {
        // One read covers the blocks from offset up to readSize bytes on.
        size_t bytesRead = 0;
        if (offset < length) {
            size_t wanted = static_cast<size_t>(std::min<uint64_t>(readSize, length - offset));
            // A read wholly inside a hole would only bring zeros.
            bool hole = file.DataFrom(offset) >= offset + wanted;
            if (hole) {
                bytesRead = 0;
            } else if (!file.ReadAt(offset, buffer.data(), wanted, bytesRead, outcome.error)) {
                outcome.end = ScanOutcome::End::ReadFailed;
                return outcome;
            }
        }
        for (size_t at = 0; at < readSize; at += kBlockSize) {
            token.WaitWhilePaused();
            if (token.StopRequested()) {
                outcome.end = ScanOutcome::End::Stopped;
                return outcome;
            }
            size_t blockSize = at < bytesRead ? std::min<size_t>(kBlockSize, bytesRead - at) : 0;
            if (blockSize && !visit(offset, buffer.data() + at, blockSize)) {
                outcome.end = ScanOutcome::End::EndedByVisitor;
                return outcome;
            }
            offset += kBlockSize;
            if (length != 0) {
                uint64_t percent = (offset - 1) * 100 / length;
                if (percent != lastPercent && progress) progress(percent);
                lastPercent = percent;
            }
            if (offset > length) return outcome;
        }
    }
}

size_t TextLengthAt(const uint8_t* block, size_t size, size_t p) {
    const void* zero = std::memchr(block + p, 0, size - p);
    return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - block) - p : size - p;
}

}  // namespace mailbox
