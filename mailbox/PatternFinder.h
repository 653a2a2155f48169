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

    // pattern: at least one byte.
    explicit PatternFinder(std::string pattern);

    size_t Size() const { return m_pattern.size(); }
    const std::string& Pattern() const { return m_pattern; }

    // First start position p >= from with p + Size() <= size at which the
    // pattern occurs, or kNotFound.
    size_t Find(const uint8_t* data, size_t size, size_t from) const;

private:
    std::string m_pattern;
    size_t m_rareIndex;    // offset in the pattern of its rarest byte
    size_t m_otherIndex;   // offset of the next rarest (equal to m_rareIndex for one byte)
    bool m_vectorised = false;
};

}  // namespace mailbox
