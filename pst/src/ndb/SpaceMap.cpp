#include "ndb/SpaceMap.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "util/Crc.h"
#include "util/EngineError.h"

namespace pst {
namespace {

constexpr uint64_t kUnitsPerPage = kPageSize / kAllocationUnit;

bool HasPMap(uint64_t k) { return k % 8 == 0; }
bool HasFMap(uint64_t k) { return k >= 128 && (k - 128) % 496 == 0; }
bool HasFPMap(uint64_t k) { return k >= 8192 && (k - 8192) % 31744 == 0; }
// The header's rgbFM stands for the first 128 intervals; each FMap page after
// it stands for the 496 intervals starting with its own.
constexpr uint64_t kIntervalsBeforeFMaps = 128;
constexpr uint64_t kIntervalsPerFMap = 496;
uint64_t FMapOwner(uint64_t k) {
    return kIntervalsBeforeFMaps + (k - kIntervalsBeforeFMaps) / kIntervalsPerFMap * kIntervalsPerFMap;
}

Bytes MapPage(uint64_t offset, uint8_t ptype, const uint8_t* body, uint8_t fill) {
    Bytes page(kPageSize, fill);
    if (body) std::memcpy(page.data(), body, 496);
    page[496] = ptype;
    page[497] = ptype;
    Put16(&page[498], 0);
    Put32(&page[500], PstCrc(page.data(), 496));
    Put64(&page[504], offset);
    return page;
}

}  // namespace

uint64_t SpaceMap::MapUnitsOfInterval(uint64_t k) {
    uint64_t units = kUnitsPerPage;  // AMap
    if (HasPMap(k)) units += kUnitsPerPage;
    if (HasFMap(k) || HasFPMap(k)) units = 3 * kUnitsPerPage;
    return units;
}

void SpaceMap::Reset(uint64_t intervals) {
    m_bits.clear();
    m_cursor = 0;
    m_intervals = 0;
    m_freeUnits = 0;
    m_extentsStale = true;
    m_pendingReleases.clear();
    m_held.clear();
    m_heldUnits = 0;
    m_fresh.clear();
    m_newIntervals.clear();
    m_changed.clear();
    m_changedList.clear();
    m_longestRun.clear();
    m_longestRunKnown.clear();
    m_fmapsOnDisk.clear();
    for (uint64_t k = 0; k < intervals; ++k) AddInterval();
    m_newIntervals.clear();
    ClearChanged();
}

void SpaceMap::AddInterval() {
    uint64_t k = m_intervals++;
    m_bits.resize(static_cast<size_t>(m_intervals * (kUnitsPerInterval / 8)), 0);
    if (m_holdDurable) m_fresh.resize(m_bits.size(), 0);
    m_freeUnits += kUnitsPerInterval;
    m_changed.push_back(0);
    m_longestRun.push_back(0);
    m_longestRunKnown.push_back(0);
    SetUnits(k * kUnitsPerInterval, MapUnitsOfInterval(k), true);
    m_newIntervals.push_back(k);
    m_fixedPagesDue.push_back(k);
}

void SpaceMap::MarkChanged(uint64_t firstUnit, uint64_t units) {
    if (units == 0) return;
    for (uint64_t k = firstUnit / kUnitsPerInterval; k <= (firstUnit + units - 1) / kUnitsPerInterval; ++k) {
        m_longestRunKnown[static_cast<size_t>(k)] = 0;
        if (!m_changed[static_cast<size_t>(k)]) {
            m_changed[static_cast<size_t>(k)] = 1;
            m_changedList.push_back(k);
        }
    }
}

void SpaceMap::MarkAllChanged() {
    m_fmapsOnDisk.clear();
    for (uint64_t k = 0; k < m_intervals; ++k) MarkChanged(k * kUnitsPerInterval, 1);
    m_fixedPagesDue.clear();
    for (uint64_t k = 0; k < m_intervals; ++k)
        if (HasPMap(k) || HasFPMap(k)) m_fixedPagesDue.push_back(k);
}

void SpaceMap::ClearChanged() {
    for (uint64_t k : m_changedList) m_changed[static_cast<size_t>(k)] = 0;
    m_changedList.clear();
    m_fixedPagesDue.clear();
}

bool SpaceMap::MatchesAMapPage(uint64_t k, const uint8_t* page) const {
    Bytes expected = AMapPage(k);
    return std::memcmp(expected.data(), page, kPageSize) == 0;
}

bool SpaceMap::HoldsFMap(uint64_t k) { return HasFMap(k); }

bool SpaceMap::MatchesFMapPage(uint64_t k, const uint8_t* page) {
    Bytes expected = FMapPage(k);
    if (std::memcmp(expected.data(), page, kPageSize) != 0) return false;
    m_fmapsOnDisk[k] = std::move(expected);
    return true;
}

bool SpaceMap::AnyUsed(uint64_t offset, uint64_t bytes) const {
    for (uint64_t u = UnitOf(offset), end = UnitOf(offset + bytes + kAllocationUnit - 1); u < end; ++u)
        if (UnitUsed(u)) return true;
    return false;
}

void SpaceMap::SetUnits(uint64_t u, uint64_t n, bool used) {
    MarkChanged(u, n);
    uint64_t end = u + n;
    while (u < end) {
        uint8_t& byte = m_bits[static_cast<size_t>(u >> 3)];
        if ((u & 7) == 0 && end - u >= 8) {
            // A whole byte at once: blocks span up to 128 slots.
            int set = __builtin_popcount(byte);
            if (used) {
                m_freeUnits -= static_cast<uint64_t>(8 - set);
                byte = 0xFF;
            } else {
                m_freeUnits += static_cast<uint64_t>(set);
                byte = 0;
            }
            u += 8;
            continue;
        }
        uint8_t mask = static_cast<uint8_t>(0x80u >> (u & 7));
        bool was = (byte & mask) != 0;
        if (was != used) {
            if (used) {
                byte |= mask;
                --m_freeUnits;
            } else {
                byte &= static_cast<uint8_t>(~mask);
                ++m_freeUnits;
            }
        }
        ++u;
    }
}

void SpaceMap::HoldDurableSpace(bool hold) {
    m_holdDurable = hold;
    // The fresh bits are kept only while space is held: a byte per 512 bytes of file.
    if (hold)
        m_fresh.resize(m_bits.size(), 0);
    else
        std::vector<uint8_t>().swap(m_fresh);
}

void SpaceMap::ForgetShortHoles() {
    const uint64_t cursorInterval = m_cursor / kUnitsPerInterval;
    for (auto it = m_extents.begin(); it != m_extents.end() && m_shortHoles > kMaxShortHoles / 4 * 3;) {
        auto next = std::next(it);
        if (it->second < kNewRegionUnits && it->first / kUnitsPerInterval != cursorInterval) EraseExtent(it);
        it = next;
    }
}

void SpaceMap::IndexExtent(uint64_t start, uint64_t length) {
    if (length < kShortExtents) {
        m_shortByLength[length].insert(start);
        m_nonEmptyShort[length / 64] |= uint64_t(1) << (length % 64);
    } else {
        m_longBySize.emplace(length, start);
    }
}

void SpaceMap::UnindexExtent(uint64_t start, uint64_t length) {
    if (length < kShortExtents) {
        auto& bucket = m_shortByLength[length];
        bucket.erase(start);
        if (bucket.empty()) m_nonEmptyShort[length / 64] &= ~(uint64_t(1) << (length % 64));
    } else {
        m_longBySize.erase(std::make_pair(length, start));
    }
}

void SpaceMap::InsertExtent(uint64_t start, uint64_t length) {
    m_extents[start] = length;
    IndexExtent(start, length);
    if (length < kNewRegionUnits && ++m_shortHoles > kMaxShortHoles) ForgetShortHoles();
}

void SpaceMap::EraseExtent(std::map<uint64_t, uint64_t>::iterator it) {
    uint64_t length = it->second;
    if (length < kNewRegionUnits) --m_shortHoles;
    UnindexExtent(it->first, length);
    m_extents.erase(it);
}

void SpaceMap::MoveExtent(std::map<uint64_t, uint64_t>::iterator it, uint64_t start, uint64_t length) {
    const uint64_t oldStart = it->first;
    const uint64_t oldLength = it->second;
    auto node = m_extents.extract(it);
    if (oldLength < kNewRegionUnits) --m_shortHoles;
    if (oldLength < kShortExtents && length < kShortExtents) {
        auto& bucket = m_shortByLength[oldLength];
        auto entry = bucket.extract(oldStart);
        if (bucket.empty()) m_nonEmptyShort[oldLength / 64] &= ~(uint64_t(1) << (oldLength % 64));
        entry.value() = start;
        m_shortByLength[length].insert(std::move(entry));
        m_nonEmptyShort[length / 64] |= uint64_t(1) << (length % 64);
    } else if (oldLength >= kShortExtents && length >= kShortExtents) {
        auto entry = m_longBySize.extract(std::make_pair(oldLength, oldStart));
        entry.value() = std::make_pair(length, start);
        m_longBySize.insert(std::move(entry));
    } else {
        UnindexExtent(oldStart, oldLength);
        IndexExtent(start, length);
    }
    node.key() = start;
    node.mapped() = length;
    m_extents.insert(std::move(node));
    if (length < kNewRegionUnits && ++m_shortHoles > kMaxShortHoles) ForgetShortHoles();
}

bool SpaceMap::FindExtent(uint64_t minimum, uint64_t& start, uint64_t& length) const {
    for (uint64_t word = minimum / 64; minimum < kShortExtents && word < kShortExtents / 64; ++word) {
        uint64_t bits = m_nonEmptyShort[word];
        if (word == minimum / 64) bits &= ~uint64_t(0) << (minimum % 64);
        if (bits) {
            length = word * 64 + static_cast<uint64_t>(__builtin_ctzll(bits));
            start = *m_shortByLength[length].begin();
            return true;
        }
    }
    auto it = m_longBySize.lower_bound(std::make_pair(std::max(minimum, kShortExtents), uint64_t(0)));
    if (it == m_longBySize.end()) return false;
    length = it->first;
    start = it->second;
    return true;
}

bool SpaceMap::FindNear(uint64_t units, uint64_t align, uint64_t& start, uint64_t& length) const {
    if (m_cursor == 0) return false;
    const uint64_t first = m_cursor / kUnitsPerInterval * kUnitsPerInterval;
    const uint64_t end = first + kUnitsPerInterval;
    // Best fit among the interval's first extents.
    bool found = false;
    int probe = 0;
    for (auto it = m_extents.lower_bound(first); probe < kNearProbes && it != m_extents.end() && it->first < end;
         ++probe, ++it) {
        // A page fits a hole a page long when the hole is aligned (pages freed leave such holes).
        uint64_t at = (it->first + align - 1) / align * align;
        if (at + units <= it->first + it->second && (!found || it->second < length)) {
            found = true;
            start = it->first;
            length = it->second;
            if (length == units) break;
        }
    }
    return found;
}

void SpaceMap::RebuildExtents() {
    m_extents.clear();
    m_shortHoles = 0;
    for (auto& bucket : m_shortByLength) bucket.clear();
    for (auto& word : m_nonEmptyShort) word = 0;
    m_longBySize.clear();
    uint64_t total = m_intervals * kUnitsPerInterval;
    uint64_t u = 0;
    while (u < total) {
        if ((u & 7) == 0 && m_bits[static_cast<size_t>(u >> 3)] == 0xFF) {
            u += 8;
            continue;
        }
        if (UnitUsed(u)) {
            ++u;
            continue;
        }
        uint64_t start = u;
        while (u < total && !UnitUsed(u)) ++u;
        InsertExtent(start, u - start);
    }
    m_extentsStale = false;
}

void SpaceMap::ReleaseExtent(uint64_t start, uint64_t length) {
    auto next = m_extents.lower_bound(start);
    const bool joinsNext = next != m_extents.end() && next->first == start + length;
    auto prev = next == m_extents.begin() ? m_extents.end() : std::prev(next);
    const bool joinsPrev = prev != m_extents.end() && prev->first + prev->second == start;
    if (joinsNext) length += next->second;
    if (joinsPrev) {
        if (joinsNext) EraseExtent(next);
        MoveExtent(prev, prev->first, prev->second + length);
    } else if (joinsNext) {
        MoveExtent(next, start, length);
    } else {
        InsertExtent(start, length);
    }
}

uint64_t SpaceMap::Allocate(uint64_t bytes, bool pageAligned) {
    if (m_extentsStale) RebuildExtents();
    uint64_t n = bytes / kAllocationUnit;
    uint64_t align = pageAligned ? kUnitsPerPage : 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Near the last allocation first, so that a commit changes the map pages
        // of few intervals; else best fit among extents long enough to hold
        // several more. An extent of n + align - 1 units always holds an aligned run.
        uint64_t start = 0;
        uint64_t length = 0;
        if (FindNear(n, align, start, length) || FindExtent(std::max(n + align - 1, kNewRegionUnits), start, length) ||
            FindExtent(n + align - 1, start, length)) {
            uint64_t at = (start + align - 1) / align * align;
            auto extent = m_extents.find(start);
            if (at + n < start + length) {
                MoveExtent(extent, at + n, start + length - at - n);
                if (at > start) InsertExtent(start, at - start);
            } else if (at > start) {
                MoveExtent(extent, start, at - start);
            } else {
                EraseExtent(extent);
            }
            SetUnits(at, n, true);
            if (m_holdDurable) m_fresh[static_cast<size_t>(at >> 3)] |= static_cast<uint8_t>(0x80u >> (at & 7));
            m_cursor = at + n;
            return kFirstAMapOffset + at * kAllocationUnit;
        }
        // Nothing fits: grow by one interval, where any block or page fits.
        uint64_t k = m_intervals;
        AddInterval();
        uint64_t first = k * kUnitsPerInterval + MapUnitsOfInterval(k);
        ReleaseExtent(first, (k + 1) * kUnitsPerInterval - first);
    }
    Fail("allocation of " + std::to_string(bytes) + " bytes cannot fit an interval");
}

void SpaceMap::MarkUsed(uint64_t offset, uint64_t bytes) {
    uint64_t u = UnitOf(offset);
    uint64_t n = (bytes + kAllocationUnit - 1) / kAllocationUnit;
    while (u + n > m_intervals * kUnitsPerInterval) AddInterval();
    SetUnits(u, n, true);
    m_extentsStale = true;
}

void SpaceMap::ReleaseAfterCommit(uint64_t offset, uint64_t bytes) {
    uint64_t u = UnitOf(offset);
    uint64_t n = (bytes + kAllocationUnit - 1) / kAllocationUnit;
    if (m_holdDurable) {
        uint8_t& byte = m_fresh[static_cast<size_t>(u >> 3)];
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (u & 7));
        if (!(byte & bit)) {
            m_held.emplace_back(u, n);
            m_heldUnits += n;
            return;
        }
        byte &= static_cast<uint8_t>(~bit);
    }
    m_pendingReleases.emplace_back(u, n);
}

void SpaceMap::MarkDurable() {
    m_pendingReleases.insert(m_pendingReleases.end(), m_held.begin(), m_held.end());
    m_held.clear();
    m_heldUnits = 0;
    if (m_holdDurable) std::fill(m_fresh.begin(), m_fresh.end(), 0);
}

void SpaceMap::ApplyReleases() {
    for (const auto& r : m_pendingReleases) {
        SetUnits(r.first, r.second, false);
        if (!m_extentsStale) ReleaseExtent(r.first, r.second);
    }
    m_pendingReleases.clear();
}

std::vector<uint64_t> SpaceMap::TakeNewIntervals() {
    std::vector<uint64_t> out;
    out.swap(m_newIntervals);
    return out;
}

uint64_t SpaceMap::LongestFreeRun(uint64_t k) const {
    // Per byte (most significant bit first): the free bits it starts with, the
    // longest free run inside it and the free bits it ends with.
    struct ByteRuns {
        uint8_t lead[256], inner[256], trail[256];
        ByteRuns() {
            for (int b = 0; b < 256; ++b) {
                int run = 0, best = 0, first = -1;
                for (int i = 0; i < 8; ++i) {
                    if (b & (0x80 >> i)) {
                        if (first < 0) first = run;
                        run = 0;
                    } else {
                        best = std::max(best, ++run);
                    }
                }
                lead[b] = static_cast<uint8_t>(first < 0 ? 8 : first);
                inner[b] = static_cast<uint8_t>(best);
                trail[b] = static_cast<uint8_t>(run);
            }
        }
    };
    static const ByteRuns runs;
    uint64_t longest = 0, run = 0;
    const uint8_t* bits = &m_bits[static_cast<size_t>(k * (kUnitsPerInterval / 8))];
    for (size_t i = 0; i < kUnitsPerInterval / 8; ++i) {
        uint8_t byte = bits[i];
        if (byte == 0) {
            run += 8;
            continue;
        }
        longest = std::max({longest, run + runs.lead[byte], static_cast<uint64_t>(runs.inner[byte])});
        run = runs.trail[byte];
    }
    return std::max(longest, run);
}

uint64_t SpaceMap::CachedLongestFreeRun(uint64_t k) const {
    size_t i = static_cast<size_t>(k);
    if (!m_longestRunKnown[i]) {
        m_longestRun[i] = static_cast<uint16_t>(LongestFreeRun(k));
        m_longestRunKnown[i] = 1;
    }
    return m_longestRun[i];
}

Bytes SpaceMap::AMapPage(uint64_t k) const {
    return MapPage(IntervalBase(k), kPageAMap, &m_bits[static_cast<size_t>(k * (kUnitsPerInterval / 8))], 0);
}

Bytes SpaceMap::FMapPage(uint64_t k) const {
    // One byte per interval: its longest free run in slots, saturated at 255;
    // intervals past the end of the file have none.
    uint8_t body[496] = {};
    for (uint64_t i = 0; i < kIntervalsPerFMap && k + i < m_intervals; ++i)
        body[i] = static_cast<uint8_t>(std::min<uint64_t>(255, CachedLongestFreeRun(k + i)));
    return MapPage(IntervalBase(k) + 1024, kPageFMap, body, 0);
}

std::vector<std::pair<uint64_t, Bytes>> SpaceMap::TakeChangedMapPages() {
    std::vector<std::pair<uint64_t, Bytes>> pages;
    // Deprecated maps: present with valid trailers, contents saying "no hint".
    for (uint64_t k : m_fixedPagesDue) {
        uint64_t base = IntervalBase(k);
        if (HasPMap(k)) pages.emplace_back(base + 512, MapPage(base + 512, kPagePMap, nullptr, 0xFF));
        if (HasFPMap(k)) pages.emplace_back(base + 1024, MapPage(base + 1024, kPageFPMap, nullptr, 0xFF));
    }
    std::sort(m_changedList.begin(), m_changedList.end());
    uint64_t lastFMap = UINT64_MAX;
    for (uint64_t k : m_changedList) {
        pages.emplace_back(IntervalBase(k), AMapPage(k));
        if (k < kIntervalsBeforeFMaps) continue;
        uint64_t owner = FMapOwner(k);
        if (owner != lastFMap && owner < m_intervals) {
            lastFMap = owner;
            Bytes page = FMapPage(owner);
            Bytes& onDisk = m_fmapsOnDisk[owner];
            if (page == onDisk) continue;
            onDisk = page;
            pages.emplace_back(IntervalBase(owner) + 1024, std::move(page));
        }
    }
    ClearChanged();
    return pages;
}

}  // namespace pst
