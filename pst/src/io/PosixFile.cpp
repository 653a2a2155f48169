// POSIX implementation of the file interface (native build).

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pst/File.h"

namespace pst {
namespace {

std::string ErrnoText(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

class PosixFile : public File {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }

    Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
        uint8_t* p = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            ssize_t n = ::pread(m_fd, p, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Status::Failure(ErrnoText("reading the file failed", errno));
            if (n == 0) return Status::Failure("reading the file failed: unexpected end of file");
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return Status::Ok();
    }

    Status WriteAt(uint64_t offset, const void* data, size_t size) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            ssize_t n = ::pwrite(m_fd, p, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Status::Failure(ErrnoText("writing the file failed", n < 0 ? errno : ENOSPC));
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return Status::Ok();
    }

    Status Flush() override {
        if (::fdatasync(m_fd) != 0) return Status::Failure(ErrnoText("flushing the file failed", errno));
        return Status::Ok();
    }

    Status Size(uint64_t& size) override {
        struct stat st;
        if (::fstat(m_fd, &st) != 0) return Status::Failure(ErrnoText("reading the file size failed", errno));
        size = static_cast<uint64_t>(st.st_size);
        return Status::Ok();
    }

private:
    int m_fd;
};

// One writer per file: a second process appending at the same time would
// overwrite the first one's commits. The lock goes with the descriptor.
Status LockForWriting(int fd, const std::string& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return Status::Ok();
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Status::Failure("cannot open " + path + ": another program is writing to it");
    return Status::Failure(ErrnoText(("cannot lock " + path).c_str(), err));
}

// An unnamed file (O_TMPFILE) vanishes with the last descriptor, so with the
// process. It is published by linking the descriptor's file under its name;
// linkat never replaces an existing name. The link goes through /proc, which
// needs no privilege (AT_EMPTY_PATH does).
class PosixProvisionalFile : public ProvisionalFile {
public:
    explicit PosixProvisionalFile(int fd) : m_fd(fd) {}
    ~PosixProvisionalFile() override { ::close(m_fd); }

    Status OpenForWriting(std::unique_ptr<File>& file) override {
        // Nobody else can reach a file without a name, so it needs no lock.
        int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) return Status::Failure(ErrnoText("cannot open the new file", errno));
        file.reset(new PosixFile(fd));
        return Status::Ok();
    }

    Status Publish(const std::string& path) override {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return Status::Failure(ErrnoText(("cannot create " + path).c_str(), errno));
        return Status::Ok();
    }

private:
    int m_fd;
};

}  // namespace

Status CreateProvisionalFile(const std::string& workingName, std::unique_ptr<ProvisionalFile>& file) {
#ifdef O_TMPFILE
    size_t slash = workingName.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : workingName.substr(0, slash);
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0) return Status::Failure(ErrnoText(("cannot create an unnamed file in " + dir).c_str(), errno));
    file.reset(new PosixProvisionalFile(fd));
    return Status::Ok();
#else
    return Status::Failure("cannot create " + workingName + ": this system has no unnamed files");
#endif
}

Status CreateNewFile(const std::string& path, std::unique_ptr<File>& file) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return Status::Failure(ErrnoText(("cannot create " + path).c_str(), errno));
    Status locked = LockForWriting(fd, path);
    if (!locked) return locked;
    file.reset(new PosixFile(fd));
    return Status::Ok();
}

Status OpenExistingFile(const std::string& path, std::unique_ptr<File>& file) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Status::Failure("cannot open " + path + ": not a regular file");
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return Status::Failure(ErrnoText(("cannot open " + path).c_str(), errno));
    Status locked = LockForWriting(fd, path);
    if (!locked) return locked;
    file.reset(new PosixFile(fd));
    return Status::Ok();
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

Status RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return Status::Failure(ErrnoText(("cannot remove " + path).c_str(), errno));
    return Status::Ok();
}

Status RenameWithoutReplacing(const std::string& from, const std::string& to) {
    // A hard link fails when `to` exists; the old name goes once the new one stands.
    // A left-over old name is only litter beside a complete store.
    if (::link(from.c_str(), to.c_str()) != 0) return Status::Failure(ErrnoText(("cannot create " + to).c_str(), errno));
    ::unlink(from.c_str());
    return Status::Ok();
}

Status CreateParentDirectories(const std::string& path) {
    size_t pos = 0;
    while ((pos = path.find('/', pos + 1)) != std::string::npos) {
        std::string dir = path.substr(0, pos);
        if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
            return Status::Failure(ErrnoText(("cannot create directory " + dir).c_str(), errno));
    }
    return Status::Ok();
}

}  // namespace pst
