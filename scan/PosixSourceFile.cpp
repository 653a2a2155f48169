#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scan/SourceFile.h"
#include "text/Utf8.h"

namespace mailbox {
namespace {

std::wstring Widen(const char* text) { return FromUtf8(text); }

class PosixSourceFile final : public SourceFile {
public:
    PosixSourceFile(int fd, uint64_t length, std::wstring path) : m_fd(fd), m_length(length), m_path(std::move(path)) {}
    ~PosixSourceFile() override { ::close(m_fd); }

    uint64_t Length() const override { return m_length; }

    uint64_t DataFrom(uint64_t offset) override {
        off_t data = ::lseek(m_fd, static_cast<off_t>(offset), SEEK_DATA);
        if (data >= 0) return static_cast<uint64_t>(data);
        return errno == ENXIO ? m_length : offset;  // ENXIO: nothing but a hole up to the end
    }

    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size, size_t& bytesRead, ScanError& error) override {
        bytesRead = 0;
        while (bytesRead < size) {
            ssize_t n = ::pread(m_fd, buffer + bytesRead, size - bytesRead, static_cast<off_t>(offset + bytesRead));
            if (n < 0) {
                if (errno == EINTR) continue;
                error = {ScanError::Kind::ReadFailed, m_path, Widen(std::strerror(errno))};
                return false;
            }
            if (n == 0) break;
            bytesRead += static_cast<size_t>(n);
        }
        return true;
    }

private:
    int m_fd;  // owned
    uint64_t m_length;
    std::wstring m_path;
};

}  // namespace

std::unique_ptr<SourceFile> OpenSourceFile(const std::filesystem::path& path, ScanError& error) {
    static_assert(sizeof(off_t) == 8, "source files past 4 GiB need 64-bit offsets");
    std::wstring shownPath = Widen(path.c_str());
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = {ScanError::Kind::CannotOpen, shownPath, Widen(std::strerror(errno))};
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = {ScanError::Kind::CannotOpen, shownPath,
                 S_ISDIR(info.st_mode) ? L"it is a directory" : L"it is not a regular file"};
        ::close(fd);
        return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixSourceFile>(fd, static_cast<uint64_t>(info.st_size), shownPath);
}

}  // namespace mailbox
