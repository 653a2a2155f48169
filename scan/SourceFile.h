#pragma once
// The source database, read only, as the scans see it: a length measured when
// it is opened and positioned reads with 64-bit offsets. Windows reads through
// CreateFileW/ReadFile, other systems through open/pread; tests substitute
// files in memory.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace mailbox {

struct ScanError {
    enum class Kind {
        None,
        CannotOpen,  // missing, unreadable, or not a regular file: nothing was scanned
        ReadFailed,  // a read failed part way: what came before stands
    };
    Kind kind = Kind::None;
    std::wstring path;
    std::wstring reason;  // the system's words

    explicit operator bool() const { return kind != Kind::None; }
    // "cannot open "PATH": REASON" / "cannot read "PATH": REASON"
    std::wstring Message() const;
};

class SourceFile {
public:
    virtual ~SourceFile() = default;
    // Length when opened; the scans read blocks up to it and no further.
    virtual uint64_t Length() const = 0;
    // Reads up to size bytes at offset into buffer and returns how many were
    // read: fewer than asked only at the end of the file. False on a failed
    // read, with the reason in error.
    virtual bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size, size_t& bytesRead, ScanError& error) = 0;
    // Where the next bytes that may be non-zero begin, at or after offset: the
    // end of a hole in a sparse file. Reading a hole gives zeros, in which no
    // marker can lie, so the scans may skip it. Files that cannot tell say offset.
    virtual uint64_t DataFrom(uint64_t offset) { return offset; }
};

// Opens a regular file for reading; on failure returns null and fills error.
std::unique_ptr<SourceFile> OpenSourceFile(const std::filesystem::path& path, ScanError& error);

}  // namespace mailbox
