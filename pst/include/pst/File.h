#pragma once
// The only way the engine touches storage. Production code uses the platform
// implementation (PosixFile / Win32File); tests substitute files that record
// writes or fail at the Nth one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pst/Status.h"

namespace pst {

class File {
public:
    virtual ~File() = default;

    // Reads exactly `size` bytes; reading past the end of the file is an error.
    virtual Status ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
    // Writes all `size` bytes or fails; a failed write may have written a prefix.
    virtual Status WriteAt(uint64_t offset, const void* data, size_t size) = 0;
    // Returns once everything written so far is on the disk itself.
    virtual Status Flush() = 0;
    virtual Status Size(uint64_t& size) = 0;
};

// Creates a new file; fails if anything already exists at `path`, so an
// existing file is never truncated. Paths are UTF-8.
Status CreateNewFile(const std::string& path, std::unique_ptr<File>& file);
// Opens an existing file for reading and writing.
Status OpenExistingFile(const std::string& path, std::unique_ptr<File>& file);
// Creates every missing directory leading to `path` (not `path` itself).
Status CreateParentDirectories(const std::string& path);
bool PathExists(const std::string& path);
// Removes a file this engine created itself and could not complete.
Status RemoveFile(const std::string& path);

}  // namespace pst
