#include <cstring>

#include "ese/File.h"

namespace korvane::ese {
namespace {

class InMemoryFile : public File {
public:
    explicit InMemoryFile(std::string bytes) : m_bytes(std::move(bytes)) {}
    bool ReadAt(uint64_t offset, void* buffer, size_t size, std::string& error) override {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset) {
            error = "read past the end of the file";
            return false;
        }
        if (size) std::memcpy(buffer, m_bytes.data() + offset, size);
        return true;
    }
    uint64_t Size() const override { return m_bytes.size(); }

private:
    std::string m_bytes;
};

}  // namespace

std::unique_ptr<File> MemoryFile(std::string bytes) { return std::make_unique<InMemoryFile>(std::move(bytes)); }

}  // namespace korvane::ese
