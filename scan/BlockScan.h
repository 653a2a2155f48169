#pragma once
// The raw scan of a source file, shared by the mailbox scan, the message header
// analysis, the inbox listing and the transfer.
//
// What every scan guarantees:
// - The file is seen as 4096-byte blocks from offset 4096; the first 4096 bytes
//   are never examined. A block is the bytes the file holds there (the last one
//   may be short or empty), and blocks are visited while their offset is not
//   past the length measured at opening, so a length that is a multiple of 4096
//   ends with one empty block.
// - A pattern is found only where it lies wholly inside one block, at every
//   such position, overlapping ones included; the text at a match runs to the
//   first zero byte or to the end of its block. Several blocks are read at a
//   time, but no result depends on that.
// - A read that would lie wholly inside a hole of a sparse file is skipped:
//   it could only bring zeros.
// - Memory is one fixed buffer whatever the file's size; offsets are 64-bit in
//   every build.
// - Pause and stop are asked for before every block (and by the scans after
//   every marker); a stopped scan ends within one block with what it found.
// - Progress is floor((next block offset - 1) * 100 / length), reported only
//   when it changes, and never computed for an empty file. The last figure may
//   exceed 100 when the length is a multiple of 4096.
// - A read that fails ends the scan: what was found before stands and the error
//   names the file and the reason.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "scan/ScanToken.h"
#include "scan/SourceFile.h"

namespace mailbox {

constexpr uint64_t kBlockSize = 4096;
constexpr uint64_t kFirstBlockOffset = 4096;

using ProgressFn = std::function<void(uint64_t percent)>;

struct ScanOutcome {
    enum class End { Completed, Stopped, EndedByVisitor, ReadFailed };
    End end = End::Completed;
    ScanError error;  // set when end is ReadFailed
};

// Sees each non-empty block in file order; returns false to end the scan.
using BlockVisitor = std::function<bool(uint64_t blockOffset, const uint8_t* block, size_t size)>;

ScanOutcome ScanBlocks(SourceFile& file, ScanToken& token, const ProgressFn& progress, const BlockVisitor& visit);

// The text at a match: from position p of the block to its first zero byte or
// the block's end.
size_t TextLengthAt(const uint8_t* block, size_t size, size_t p);

}  // namespace mailbox
