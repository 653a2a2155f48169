#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "paths/Path.h"
#include "text/FileTime.h"
#include "text/Utf8.h"

namespace search {
namespace {

uint64_t ToFileTime(const struct timespec& time) { return mailbox::FileTimeFromUnix(time.tv_sec, time.tv_nsec); }

}  // namespace

bool ReadFileDataFromSystem(const std::wstring& path, FileData& data) {
    // CPath writes every separator as a backslash; here it is a folder separator.
    std::wstring systemPath = path;
    for (wchar_t& c : systemPath)
        if (c == L'\\') c = L'/';
    int fd = ::open(mailbox::ToUtf8(systemPath).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    bool read = ::fstat(fd, &status) == 0;
    ::close(fd);
    // A folder opens here, where Windows refuses it: refused alike, it keeps the zero data.
    if (!read || S_ISDIR(status.st_mode)) return false;
    constexpr uint32_t kReadOnly = 0x1, kNormal = 0x80;
    data.attributes = (status.st_mode & S_IWUSR) ? kNormal : kReadOnly;
    data.creationTime = ToFileTime(status.st_ctim);
    data.lastAccessTime = ToFileTime(status.st_atim);
    data.lastWriteTime = ToFileTime(status.st_mtim);
    data.volumeSerialNumber = static_cast<uint32_t>(status.st_dev);
    data.sizeHigh = static_cast<uint32_t>(static_cast<uint64_t>(status.st_size) >> 32);
    data.sizeLow = static_cast<uint32_t>(status.st_size);
    data.numberOfLinks = static_cast<uint32_t>(status.st_nlink);
    data.fileIndexHigh = static_cast<uint32_t>(static_cast<uint64_t>(status.st_ino) >> 32);
    data.fileIndexLow = static_cast<uint32_t>(status.st_ino);
    return true;
}

}  // namespace search
