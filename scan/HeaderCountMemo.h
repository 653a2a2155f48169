#pragma once
// The number of header markers of a source whose whole scan has run, kept for
// the life of the process, so that a later run over the same unchanged file
// need not read it all again just to count (a source can be tens of
// gigabytes). A file whose size or last-write time has changed since is
// counted again.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace mailbox {

void RememberHeaderCount(const std::filesystem::path& source, uint64_t count);
std::optional<uint64_t> RememberedHeaderCount(const std::filesystem::path& source);

}  // namespace mailbox
