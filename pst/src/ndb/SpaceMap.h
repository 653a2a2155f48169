#pragma once
// The allocation map of the file: one bit per 64-byte slot, the in-memory
// mirror of the AMap pages ([MS-PST] 2.2.2.7.2). It costs one byte per 512
// bytes of file. Space released by a commit becomes allocatable only after
// that commit's header is written, so a new commit never overwrites anything
// the committed header can reach.

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "ndb/Format.h"
#include "util/Bytes.h"

namespace pst {

class SpaceMap {
 public:
  // A fresh map of `intervals` AMap intervals with only the map pages in use.
  void Reset(uint64_t intervals);
  // Loads the 496 bitmap bytes of interval k (after Reset).
  void LoadInterval(uint64_t k, const uint8_t* bitmap);

  uint64_t IntervalCount() const { return m_intervals; }
  uint64_t FileEof() const { return kFirstAMapOffset + m_intervals * kAMapIntervalBytes; }
  uint64_t LastAMapOffset() const { return IntervalBase(m_intervals - 1); }
  uint64_t FreeBytes() const { return m_freeUnits * kAllocationUnit; }
  static uint64_t IntervalBase(uint64_t k) { return kFirstAMapOffset + k * kAMapIntervalBytes; }

  // Returns the offset of `bytes` (a multiple of 64) free bytes, 512-aligned
  // for pages; grows the file by whole intervals when nothing fits.
  uint64_t Allocate(uint64_t bytes, bool pageAligned);
  void MarkUsed(uint64_t offset, uint64_t bytes);
  void ReleaseAfterCommit(uint64_t offset, uint64_t bytes);
  // Called once the header that no longer references the released space is written.
  void ApplyReleases();

  // Intervals added since the last call; their map pages must be written.
  std::vector<uint64_t> TakeNewIntervals();
  // The map pages (AMap, PMap, FMap, FPMap) of interval k with their offsets.
  std::vector<std::pair<uint64_t, Bytes>> MapPages(uint64_t k) const;
  bool IsUsed(uint64_t offset) const { return UnitUsed(UnitOf(offset)); }
  // True when any slot of the range is in use (the range must lie in the map).
  bool AnyUsed(uint64_t offset, uint64_t bytes) const;

 private:
  static uint64_t UnitOf(uint64_t offset) { return (offset - kFirstAMapOffset) / kAllocationUnit; }
  bool UnitUsed(uint64_t u) const { return (m_bits[u >> 3] & (0x80u >> (u & 7))) != 0; }
  void SetUnits(uint64_t u, uint64_t n, bool used);
  void AddInterval();
  static uint64_t MapUnitsOfInterval(uint64_t k);
  // Free extents, derived from the bitmap, for best-fit allocation.
  void RebuildExtents();
  void InsertExtent(uint64_t start, uint64_t length);
  void EraseExtent(std::map<uint64_t, uint64_t>::iterator it);
  void ReleaseExtent(uint64_t start, uint64_t length);
  // The shortest free extent of at least `minimum` slots (lowest start among equals).
  bool FindExtent(uint64_t minimum, uint64_t& start, uint64_t& length) const;

  std::vector<uint8_t> m_bits;
  uint64_t m_intervals = 0;
  uint64_t m_freeUnits = 0;
  bool m_extentsStale = true;
  std::map<uint64_t, uint64_t> m_extents;  // start unit -> length
  // By length, for best fit: short extents in one bucket per length (with a
  // bit per non-empty bucket), long ones in one ordered set.
  static constexpr uint64_t kShortExtents = 256;
  std::vector<std::set<uint64_t>> m_shortByLength = std::vector<std::set<uint64_t>>(kShortExtents);
  uint64_t m_nonEmptyShort[kShortExtents / 64] = {};
  std::set<std::pair<uint64_t, uint64_t>> m_longBySize;  // (length, start)
  std::vector<std::pair<uint64_t, uint64_t>> m_pendingReleases;
  std::vector<uint64_t> m_newIntervals;
};

}  // namespace pst
