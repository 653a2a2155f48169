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
// Renames `from` to `to` unless something exists at `to`, atomically: no
// moment exists at which a half-made file stands at `to`, and an existing one
// is never replaced.
Status RenameWithoutReplacing(const std::string& from, const std::string& to);

// A new file that the system removes when the process ends, however it ends
// (a kill included), unless Publish gave it its lasting name first: a file
// still being made then never outlives its maker.
class ProvisionalFile {
public:
    // Closes what this holds and nothing more, exactly as a kill would: the
    // file goes with it unless it was published.
    virtual ~ProvisionalFile() = default;
    // The file to write through, locked against a second writer like any other.
    virtual Status OpenForWriting(std::unique_ptr<File>& file) = 0;
    // Gives the file, complete and no longer open for writing, the name `path`;
    // fails, changing nothing, when anything exists there. It may also fail
    // where the volume cannot add a name to a file (no hard links).
    virtual Status Publish(const std::string& path) = 0;
};

// Makes a provisional file under `workingName`, or with no name at all in
// that name's directory where the system can. Fails where neither can be
// made to vanish with the process (the caller then makes the file another way).
Status CreateProvisionalFile(const std::string& workingName, std::unique_ptr<ProvisionalFile>& file);

}  // namespace pst
