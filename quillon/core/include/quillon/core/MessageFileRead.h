#pragma once
// Reads the temporary message file the caller hands over with each message.
// Paths are UTF-8.

#include <string>

namespace quillon {

// The whole file; empty when it cannot be read (the builder then uses the
// message text). The caller may hold the file open, with delete access, while
// it is read: it is opened sharing read, write and delete.
std::string ReadMessageFile(const std::string& path);

}  // namespace quillon
