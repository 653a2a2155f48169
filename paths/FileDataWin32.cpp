#include <windows.h>

#include "paths/Path.h"

namespace search {
namespace {

uint64_t ToUInt64(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

bool ReadFileDataFromSystem(const std::wstring& path, FileData& data) {
    // Files only: a folder cannot be opened like this, so a folder row keeps the zero data.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool read = GetFileInformationByHandle(file, &information) != FALSE;
    CloseHandle(file);
    if (!read) return false;
    data.attributes = information.dwFileAttributes;
    data.creationTime = ToUInt64(information.ftCreationTime);
    data.lastAccessTime = ToUInt64(information.ftLastAccessTime);
    data.lastWriteTime = ToUInt64(information.ftLastWriteTime);
    data.volumeSerialNumber = information.dwVolumeSerialNumber;
    data.sizeHigh = information.nFileSizeHigh;
    data.sizeLow = information.nFileSizeLow;
    data.numberOfLinks = information.nNumberOfLinks;
    data.fileIndexHigh = information.nFileIndexHigh;
    data.fileIndexLow = information.nFileIndexLow;
    return true;
}

}  // namespace search
