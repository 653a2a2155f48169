#pragma once
// The allocation map of the file: one bit per 64-byte slot, the in-memory
// mirror of the AMap pages ([MS-PST] 2.2.2.7.2). It costs one byte per 512
// bytes of file. Space released by a commit becomes allocatable only after
// that commit's header is written, so a new commit never overwrites anything
// the committed header can reach. It remembers which intervals changed since
// their map pages were last handed out, so each commit rewrites only those
// AMap pages and the FMap pages that summarise them.

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
    // True when `page` is a sound AMap page of interval k saying what memory says.
    bool MatchesAMapPage(uint64_t k, const uint8_t* page) const;
    // Interval k holds an FMap page; then `page` is compared with what it should say.
    static bool HoldsFMap(uint64_t k);
    bool MatchesFMapPage(uint64_t k, const uint8_t* page);

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

    // When set, space that was in use at the last durable commit (the last
    // header known to be on the disk itself) is held when released, until
    // MarkDurable(): a power cut then finds every block that header reaches
    // intact. Space allocated since, and released again, is reused as usual.
    void HoldDurableSpace(bool hold);
    // A commit has reached the disk: what was held goes with the next
    // ApplyReleases(), and everything in use now is durable space.
    void MarkDurable();
    uint64_t HeldBytes() const { return m_heldUnits * kAllocationUnit; }

    // Intervals added since the last call.
    std::vector<uint64_t> TakeNewIntervals();
    // The map pages that differ from what was last handed out, with their
    // offsets: the AMap of every changed interval, the FMaps summarising them,
    // and the fixed PMap/FPMap pages of new intervals.
    std::vector<std::pair<uint64_t, Bytes>> TakeChangedMapPages();
    // Every map page is rewritten at the next TakeChangedMapPages().
    void MarkAllChanged();
    void MarkIntervalChanged(uint64_t k) { MarkChanged(k * kUnitsPerInterval, 1); }
    // Forget changes: the pages on disk already say what memory says.
    void ClearChanged();
    bool IsUsed(uint64_t offset) const { return UnitUsed(UnitOf(offset)); }
    // Longest run of free slots in interval k, the value its FMap byte summarises.
    uint64_t LongestFreeRun(uint64_t k) const;
    // True when any slot of the range is in use (the range must lie in the map).
    bool AnyUsed(uint64_t offset, uint64_t bytes) const;

private:
    static uint64_t UnitOf(uint64_t offset) { return (offset - kFirstAMapOffset) / kAllocationUnit; }
    bool UnitUsed(uint64_t u) const { return (m_bits[u >> 3] & (0x80u >> (u & 7))) != 0; }
    void SetUnits(uint64_t u, uint64_t n, bool used);
    void MarkChanged(uint64_t firstUnit, uint64_t units);
    Bytes AMapPage(uint64_t k) const;
    Bytes FMapPage(uint64_t k) const;
    void AddInterval();
    static uint64_t MapUnitsOfInterval(uint64_t k);
    // Free extents, derived from the bitmap, for best-fit allocation.
    void RebuildExtents();
    void InsertExtent(uint64_t start, uint64_t length);
    void EraseExtent(std::map<uint64_t, uint64_t>::iterator it);
    // Gives the extent at `it` another start and length. Its nodes in the
    // indexes are reused: an allocation or a release moves an extent, and
    // index nodes were most of the allocator calls a message cost.
    void MoveExtent(std::map<uint64_t, uint64_t>::iterator it, uint64_t start, uint64_t length);
    // The by-length index alone.
    void IndexExtent(uint64_t start, uint64_t length);
    void UnindexExtent(uint64_t start, uint64_t length);
    void ReleaseExtent(uint64_t start, uint64_t length);
    // The shortest free extent of at least `minimum` slots (lowest start among equals).
    bool FindExtent(uint64_t minimum, uint64_t& start, uint64_t& length) const;
    // The shortest of the first extents of the cursor's interval that holds
    // `units` slots starting at a multiple of `align`.
    bool FindNear(uint64_t units, uint64_t align, uint64_t& start, uint64_t& length) const;
    // Where the last allocation ended (0: none yet); a new region is at least this long.
    uint64_t m_cursor = 0;
    static constexpr uint64_t kNewRegionUnits = 32;
    static constexpr int kNearProbes = 64;
    // Holes shorter than a new region are taken near the cursor, seldom
    // elsewhere, and a store written one message per commit leaves one behind
    // about every other commit. Past this many the index forgets those away
    // from the cursor's interval, lowest first: they stay free in the map (a
    // later session finds them), and the index stays a few MiB.
    static constexpr uint64_t kMaxShortHoles = uint64_t(1) << 16;
    uint64_t m_shortHoles = 0;  // indexed extents shorter than kNewRegionUnits
    void ForgetShortHoles();

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
    bool m_holdDurable = false;
    std::vector<std::pair<uint64_t, uint64_t>> m_held;  // (unit, units) until MarkDurable()
    uint64_t m_heldUnits = 0;
    std::vector<uint8_t> m_fresh;  // a bit per unit: first unit of an allocation since the last MarkDurable()
    std::vector<uint64_t> m_newIntervals;
    std::vector<uint64_t> m_fixedPagesDue;  // new intervals whose PMap/FPMap are not yet handed out
    std::vector<uint8_t> m_changed;         // per interval
    // FMap pages as last handed out (or found on disk), by interval: a commit
    // rewrites an FMap only when one of its bytes changed.
    std::map<uint64_t, Bytes> m_fmapsOnDisk;
    // Per interval: its longest free run, valid while the interval is unchanged.
    mutable std::vector<uint16_t> m_longestRun;
    mutable std::vector<uint8_t> m_longestRunKnown;
    uint64_t CachedLongestFreeRun(uint64_t k) const;
    std::vector<uint64_t> m_changedList;
};

}  // namespace pst
