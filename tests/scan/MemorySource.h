#pragma once
// A source file in memory for the scanner tests, which can fail its reads from
// a given offset on.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "scan/SourceFile.h"
#include "tests/common/SourceImage.h"

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

// The image builders of every source test.
using namespace source_image;

}  // namespace scantest
