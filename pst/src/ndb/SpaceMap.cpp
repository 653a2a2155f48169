#include "ndb/SpaceMap.h"

#include <cstring>

#include "util/Crc.h"
#include "util/EngineError.h"

namespace pst {
namespace {

constexpr uint64_t kUnitsPerPage = kPageSize / kAllocationUnit;
// After a full scan found no run of some size, do not scan for that size again
// until this much space has been released; otherwise a fragmented file would
// cost a scan of the whole map per allocation.
constexpr uint64_t kRescanAfterReleasedUnits = (1u << 20) / kAllocationUnit;

bool HasPMap(uint64_t k) { return k % 8 == 0; }
bool HasFMap(uint64_t k) { return k >= 128 && (k - 128) % 496 == 0; }
bool HasFPMap(uint64_t k) { return k >= 8192 && (k - 8192) % 31744 == 0; }

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
  m_intervals = 0;
  m_freeUnits = 0;
  m_cursor = 0;
  m_pendingReleases.clear();
  m_newIntervals.clear();
  for (uint64_t k = 0; k < intervals; ++k) AddInterval();
  m_newIntervals.clear();
}

void SpaceMap::AddInterval() {
  uint64_t k = m_intervals++;
  m_bits.resize(static_cast<size_t>(m_intervals * (kUnitsPerInterval / 8)), 0);
  m_freeUnits += kUnitsPerInterval;
  SetUnits(k * kUnitsPerInterval, MapUnitsOfInterval(k), true);
  m_newIntervals.push_back(k);
}

void SpaceMap::LoadInterval(uint64_t k, const uint8_t* bitmap) {
  uint64_t base = k * kUnitsPerInterval;
  for (uint64_t i = 0; i < kUnitsPerInterval; ++i) {
    bool used = (bitmap[i >> 3] & (0x80u >> (i & 7))) != 0;
    if (used && !UnitUsed(base + i)) SetUnits(base + i, 1, true);
  }
}

void SpaceMap::SetUnits(uint64_t u, uint64_t n, bool used) {
  for (uint64_t i = u; i < u + n; ++i) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (i & 7));
    uint8_t& byte = m_bits[static_cast<size_t>(i >> 3)];
    bool was = (byte & mask) != 0;
    if (was == used) continue;
    if (used) {
      byte |= mask;
      --m_freeUnits;
    } else {
      byte &= static_cast<uint8_t>(~mask);
      ++m_freeUnits;
    }
  }
}

bool SpaceMap::FindRun(uint64_t from, uint64_t to, uint64_t n, uint64_t align, uint64_t& found) const {
  uint64_t u = (from + align - 1) / align * align;
  while (u + n <= to) {
    if ((u & 63) == 0 && u + 64 <= to) {
      uint64_t word;
      std::memcpy(&word, &m_bits[static_cast<size_t>(u >> 3)], 8);
      if (word == UINT64_MAX) {
        u += 64;
        continue;
      }
    }
    if ((u & 7) == 0 && m_bits[static_cast<size_t>(u >> 3)] == 0xFF) {
      u += 8;
      continue;
    }
    if (UnitUsed(u)) {
      u = (u + align) / align * align;
      continue;
    }
    uint64_t k = 1;
    while (k < n && !UnitUsed(u + k)) ++k;
    if (k == n) {
      found = u;
      return true;
    }
    u = (u + k + 1 + align - 1) / align * align;
  }
  return false;
}

uint64_t SpaceMap::Allocate(uint64_t bytes, bool pageAligned) {
  uint64_t n = bytes / kAllocationUnit;
  uint64_t align = pageAligned ? kUnitsPerPage : 1;
  uint64_t total = m_intervals * kUnitsPerInterval;
  uint64_t found = 0;
  bool ok = FindRun(m_cursor, total, n, align, found);
  if (!ok && m_freeUnits >= n && (n < m_failedRun || m_releasedSinceFailure >= kRescanAfterReleasedUnits)) {
    ok = FindRun(0, m_cursor + n < total ? m_cursor + n : total, n, align, found);
    if (!ok) {
      m_failedRun = n;
      m_releasedSinceFailure = 0;
    }
  }
  if (!ok) {
    // Nothing fits: continue in a fresh interval, where a block always fits.
    AddInterval();
    total = m_intervals * kUnitsPerInterval;
    if (!FindRun((m_intervals - 1) * kUnitsPerInterval, total, n, align, found))
      Fail("allocation of " + std::to_string(bytes) + " bytes cannot fit an interval");
  }
  SetUnits(found, n, true);
  m_cursor = found + n;
  return kFirstAMapOffset + found * kAllocationUnit;
}

void SpaceMap::MarkUsed(uint64_t offset, uint64_t bytes) {
  uint64_t u = UnitOf(offset);
  uint64_t n = (bytes + kAllocationUnit - 1) / kAllocationUnit;
  while (u + n > m_intervals * kUnitsPerInterval) AddInterval();
  SetUnits(u, n, true);
}

void SpaceMap::ReleaseAfterCommit(uint64_t offset, uint64_t bytes) {
  m_pendingReleases.emplace_back(UnitOf(offset), (bytes + kAllocationUnit - 1) / kAllocationUnit);
}

void SpaceMap::ApplyReleases() {
  for (const auto& r : m_pendingReleases) {
    SetUnits(r.first, r.second, false);
    m_releasedSinceFailure += r.second;
  }
  if (m_releasedSinceFailure >= kRescanAfterReleasedUnits) m_failedRun = UINT64_MAX;
  m_pendingReleases.clear();
}

std::vector<uint64_t> SpaceMap::TakeNewIntervals() {
  std::vector<uint64_t> out;
  out.swap(m_newIntervals);
  return out;
}

std::vector<std::pair<uint64_t, Bytes>> SpaceMap::MapPages(uint64_t k) const {
  std::vector<std::pair<uint64_t, Bytes>> pages;
  uint64_t base = IntervalBase(k);
  pages.emplace_back(base, MapPage(base, kPageAMap, &m_bits[static_cast<size_t>(k * (kUnitsPerInterval / 8))], 0));
  // Deprecated maps: present with valid trailers, contents saying "no hint".
  if (HasPMap(k)) pages.emplace_back(base + 512, MapPage(base + 512, kPagePMap, nullptr, 0xFF));
  if (HasFMap(k)) pages.emplace_back(base + 1024, MapPage(base + 1024, kPageFMap, nullptr, 0x00));
  if (HasFPMap(k)) pages.emplace_back(base + 1024, MapPage(base + 1024, kPageFPMap, nullptr, 0xFF));
  return pages;
}

}  // namespace pst
