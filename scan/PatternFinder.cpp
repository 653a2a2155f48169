#include "scan/PatternFinder.h"

#include <cstring>

// The vector test needs SSE2: always there on x86-64; on 32-bit x86 it is
// compiled for SSE2 and used when the processor has it. Processors with AVX2
// test twice as many positions per step.
#if defined(__SSE2__) || defined(__i386__)
#include <immintrin.h>
#define KORVANE_VECTOR_SEARCH 1
#if defined(__SSE2__)
#define KORVANE_SSE2_FUNCTION
#else
#define KORVANE_SSE2_FUNCTION __attribute__((target("sse2")))
#endif
#endif

namespace mailbox {
namespace {

// How common a byte is in database pages and mail text; lower is rarer. A
// guess that only decides which bytes filter candidates, never the results.
int Commonness(uint8_t b) {
    if (b == 0x00) return 255;
    if (b == ' ') return 250;
    if (std::strchr("etaoinshrdlcu", b) && b) return 240;
    if (b >= 'a' && b <= 'z') return 200;
    if (b == 0xFF || b == '\r' || b == '\n') return 190;
    if (b >= '0' && b <= '9') return 150;
    if (b >= 'A' && b <= 'Z') return 140;
    if (std::strchr(".,-:;/=\"'()<>_", b) && b) return 130;
    if (b < 0x20) return 80;
    if (b < 0x80) return 100;
    return 40;
}

#if defined(KORVANE_VECTOR_SEARCH)
// Tests 32 start positions per step on two of the pattern's bytes and confirms
// each candidate in full. Returns the first match, or kNotFound with p at the
// first start position it has not tested.
KORVANE_SSE2_FUNCTION size_t FindCandidates(const uint8_t* data, size_t last, const uint8_t* pattern, size_t length,
                                            size_t rareIndex, size_t otherIndex, size_t& p) {
    const __m128i rare = _mm_set1_epi8(static_cast<char>(pattern[rareIndex]));
    const __m128i other = _mm_set1_epi8(static_cast<char>(pattern[otherIndex]));
    // Every load stays inside the data because p + 31 <= last.
    while (last >= 31 && p <= last - 31) {
        const uint8_t* at = data + p;
        __m128i a0 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + rareIndex)), rare);
        __m128i b0 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + otherIndex)), other);
        __m128i a1 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 + rareIndex)), rare);
        __m128i b1 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 + otherIndex)), other);
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(a0, b0))) |
                        (static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(a1, b1))) << 16);
        while (mask) {
            unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(at + bit, pattern, length) == 0) return p + bit;
            mask &= mask - 1;
        }
        p += 32;
    }
    return PatternFinder::kNotFound;
}

__attribute__((target("avx2"))) size_t FindCandidatesAvx2(const uint8_t* data, size_t last, const uint8_t* pattern,
                                                          size_t length, size_t rareIndex, size_t otherIndex,
                                                          size_t& p) {
    const __m256i rare = _mm256_set1_epi8(static_cast<char>(pattern[rareIndex]));
    const __m256i other = _mm256_set1_epi8(static_cast<char>(pattern[otherIndex]));
    // Every load stays inside the data because p + 63 <= last.
    while (last >= 63 && p <= last - 63) {
        const uint8_t* at = data + p;
        __m256i a0 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + rareIndex)), rare);
        __m256i b0 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + otherIndex)), other);
        __m256i a1 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 + rareIndex)), rare);
        __m256i b1 =
            _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 + otherIndex)), other);
        uint64_t mask =
            static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(a0, b0))) |
            (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(a1, b1)))) << 32);
        while (mask) {
            unsigned bit = static_cast<unsigned>(__builtin_ctzll(mask));
            if (std::memcmp(at + bit, pattern, length) == 0) return p + bit;
            mask &= mask - 1;
        }
        p += 64;
    }
    return PatternFinder::kNotFound;
}

bool ProcessorHasAvx2() { return __builtin_cpu_supports("avx2"); }

bool ProcessorHasSse2() {
#if defined(__SSE2__)
    return true;
#else
    return __builtin_cpu_supports("sse2");
#endif
}
#endif

}  // namespace

PatternFinder::PatternFinder(std::string pattern, Search search) : m_pattern(std::move(pattern)) {
    m_rareIndex = 0;
    for (size_t i = 1; i < m_pattern.size(); ++i)
        if (Commonness(static_cast<uint8_t>(m_pattern[i])) < Commonness(static_cast<uint8_t>(m_pattern[m_rareIndex])))
            m_rareIndex = i;
#if defined(KORVANE_VECTOR_SEARCH)
    if (search != Search::Scalar && ProcessorHasSse2()) m_vectorWidth = 16;
    if (search == Search::Widest && ProcessorHasAvx2()) m_vectorWidth = 32;
#endif
    m_otherIndex = m_rareIndex;
    for (size_t i = 0; i < m_pattern.size(); ++i) {
        if (i == m_rareIndex) continue;
        if (m_otherIndex == m_rareIndex ||
            Commonness(static_cast<uint8_t>(m_pattern[i])) < Commonness(static_cast<uint8_t>(m_pattern[m_otherIndex])))
            m_otherIndex = i;
    }
}

size_t PatternFinder::Find(const uint8_t* data, size_t size, size_t from) const {
    const size_t length = m_pattern.size();
    if (size < length || from > size - length) return kNotFound;
    const size_t last = size - length;  // last start position that fits
    const uint8_t* pattern = reinterpret_cast<const uint8_t*>(m_pattern.data());
    size_t p = from;
#if defined(KORVANE_VECTOR_SEARCH)
    if (m_vectorWidth == 32) {
        size_t found = FindCandidatesAvx2(data, last, pattern, length, m_rareIndex, m_otherIndex, p);
        if (found != kNotFound) return found;
    }
    if (m_vectorWidth >= 16) {
        size_t found = FindCandidates(data, last, pattern, length, m_rareIndex, m_otherIndex, p);
        if (found != kNotFound) return found;
    }
#endif
    while (p <= last) {
        const void* hit = std::memchr(data + p + m_rareIndex, pattern[m_rareIndex], last - p + 1);
        if (!hit) return kNotFound;
        p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data) - m_rareIndex;
        if (std::memcmp(data + p, pattern, length) == 0) return p;
        ++p;
    }
    return kNotFound;
}

}  // namespace mailbox
