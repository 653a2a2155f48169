#pragma once
// The reader's only way to the bytes of a database: reads at 64-bit offsets,
// so a file of any size works on 32-bit builds too. The platform edge (one
// file per system) only opens the file; everything else is portable.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace korvane::ese {

class File {
public:
    virtual ~File() = default;
    // Reads exactly `size` bytes at `offset`; false (with the reason in
    // `error`) for an I/O failure or a range past the end of the file.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size, std::string& error) = 0;
    virtual uint64_t Size() const = 0;
};

// Opens an existing regular file for reading only; null with the reason.
std::unique_ptr<File> OpenFile(const std::filesystem::path& path, std::string& error);

// A file held in memory: tests, the fuzzer, and damaged copies made on the fly.
std::unique_ptr<File> MemoryFile(std::string bytes);

}  // namespace korvane::ese
