// The Windows edge: the only file of the reader that includes windows.h.
#include <windows.h>

#include "ese/File.h"

namespace korvane::ese {
namespace {

class Win32File : public File {
public:
    Win32File(HANDLE handle, uint64_t size) : m_handle(handle), m_size(size) {}
    ~Win32File() override { CloseHandle(m_handle); }

    bool ReadAt(uint64_t offset, void* buffer, size_t size, std::string& error) override {
        if (offset > m_size || size > m_size - offset) {
            error = "read past the end of the file";
            return false;
        }
        uint8_t* p = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            DWORD got = 0;
            if (!ReadFile(m_handle, p, chunk, &got, &at) || got == 0) {
                error = "reading failed (Windows error " + std::to_string(GetLastError()) + ")";
                return false;
            }
            p += got;
            size -= got;
            offset += got;
        }
        return true;
    }
    uint64_t Size() const override { return m_size; }

private:
    HANDLE m_handle;  // owned
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<File> OpenFile(const std::filesystem::path& path, std::string& error) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = "cannot open (Windows error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    LARGE_INTEGER size;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) ||
        (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "not a regular file";
        CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<Win32File>(handle, static_cast<uint64_t>(size.QuadPart));
}

}  // namespace korvane::ese
