#pragma once
// Wide paths to the file system's form and back without the C library's
// locale: UTF-8 bytes on POSIX systems (a process in the "C" locale could not
// convert a non-ASCII name otherwise), the wide text itself on Windows.
#include <filesystem>
#include <string>

#include "text/Utf8.h"

namespace convert {

inline std::filesystem::path ToSystemPath(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::u8path(mailbox::ToUtf8(path));
#endif
}

inline std::wstring FromSystemPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return mailbox::FromUtf8(path.string());
#endif
}

}  // namespace convert
