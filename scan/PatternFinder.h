#pragma once
// Finds a short byte pattern fast. Every start position at which the whole
// pattern lies inside the searched bytes and equals it is found, in increasing
// order, overlapping ones included: the same positions a byte-by-byte
// comparison at every offset finds. Candidates come from a vectorised test of
// two of the pattern's rarest bytes (memchr where the processor has no SSE2) and are
// confirmed with a full comparison.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mailbox {

class PatternFinder {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    // The widest search the processor allows, or a narrower one (tests).
    enum class Search { Scalar, Sse2, Widest };

    // pattern: at least one byte.
    explicit PatternFinder(std::string pattern, Search search = Search::Widest);

    size_t Size() const { return m_pattern.size(); }
    const std::string& Pattern() const { return m_pattern; }

    // First start position p >= from with p + Size() <= size at which the
    // pattern occurs, or kNotFound.
    size_t Find(const uint8_t* data, size_t size, size_t from) const;

private:
    std::string m_pattern;
    size_t m_rareIndex;     // offset in the pattern of its rarest byte
    size_t m_otherIndex;    // offset of the next rarest (equal to m_rareIndex for one byte)
    int m_vectorWidth = 0;  // bytes per vector compare: 0 (memchr only), 16 (SSE2) or 32 (AVX2)
};

}  // namespace mailbox
