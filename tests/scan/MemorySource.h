#pragma once
// A source file in memory for the scanner tests, which can fail its reads from
// a given offset on.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "scan/SourceFile.h"

namespace scantest {

class MemorySource final : public mailbox::SourceFile {
public:
    explicit MemorySource(std::string bytes, uint64_t failFrom = UINT64_MAX, bool zerosAreHoles = false)
        : m_bytes(std::move(bytes)), m_failFrom(failFrom), m_zerosAreHoles(zerosAreHoles) {}

    // Every run of zeros counts as a hole, as a sparse file may report it.
    uint64_t DataFrom(uint64_t offset) override {
        if (!m_zerosAreHoles) return offset;
        size_t data = m_bytes.find_first_not_of(std::string(1, '\0'), offset);
        return data == std::string::npos ? m_bytes.size() : data;
    }

    uint64_t Length() const override { return m_bytes.size(); }
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size, size_t& bytesRead, mailbox::ScanError& error) override {
        ++reads;
        if (offset + size > m_failFrom) {
            error = {mailbox::ScanError::Kind::ReadFailed, L"memory.edb", L"injected failure"};
            return false;
        }
        bytesRead = offset >= m_bytes.size() ? 0 : std::min<size_t>(size, m_bytes.size() - offset);
        std::memcpy(buffer, m_bytes.data() + offset, bytesRead);
        return true;
    }

    int reads = 0;

private:
    std::string m_bytes;
    uint64_t m_failFrom;
    bool m_zerosAreHoles;
};

// A file image: zeros of the given length with byte strings placed at offsets.
struct Placed {
    uint64_t offset;
    std::string bytes;
};
inline std::string FileImage(size_t length, const std::vector<Placed>& parts) {
    std::string image(length, '\0');
    for (const Placed& part : parts) image.replace(part.offset, part.bytes.size(), part.bytes);
    return image;
}

const std::string kMarker("N67b9\xB0\xB4", 7);
const std::string kZero(1, '\0');

}  // namespace scantest
