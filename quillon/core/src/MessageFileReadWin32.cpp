#include <windows.h>

#include "quillon/core/MessageFileRead.h"
#include "text/Utf8.h"

namespace quillon {

std::string ReadMessageFile(const std::string& path) {
    HANDLE file = ::CreateFileW(mailbox::FromUtf8(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    LARGE_INTEGER size = {};
    // A message file is small; one larger than a read call can take is no message.
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD done = 0;
        if (!::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr)) done = 0;
        bytes.resize(done);
    }
    ::CloseHandle(file);
    return bytes;
}

}  // namespace quillon
