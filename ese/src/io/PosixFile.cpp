// The POSIX edge: open, pread, fstat. 64-bit offsets on 32-bit systems too.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ese/File.h"

namespace korvane::ese {
namespace {

class PosixFile : public File {
public:
    PosixFile(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~PosixFile() override { ::close(m_fd); }

    bool ReadAt(uint64_t offset, void* buffer, size_t size, std::string& error) override {
        if (offset > m_size || size > m_size - offset) {
            error = "read past the end of the file";
            return false;
        }
        uint8_t* p = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            ssize_t n = ::pread(m_fd, p, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error = n < 0 ? std::string("reading failed: ") + std::strerror(errno) : "unexpected end of file";
                return false;
            }
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return true;
    }
    uint64_t Size() const override { return m_size; }

private:
    int m_fd;
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<File> OpenFile(const std::filesystem::path& path, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd, static_cast<uint64_t>(st.st_size));
}

}  // namespace korvane::ese
