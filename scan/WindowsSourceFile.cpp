#include <windows.h>

#include <algorithm>

#include "scan/SourceFile.h"

namespace mailbox {
namespace {

std::wstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(code);
    if (text) LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message;
}

class WindowsSourceFile final : public SourceFile {
public:
    WindowsSourceFile(HANDLE file, uint64_t length, std::wstring path)
        : m_file(file), m_length(length), m_path(std::move(path)) {}
    ~WindowsSourceFile() override { CloseHandle(m_file); }

    uint64_t Length() const override { return m_length; }

    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t size, size_t& bytesRead, ScanError& error) override {
        bytesRead = 0;
        while (bytesRead < size) {
            uint64_t at = offset + bytesRead;
            OVERLAPPED position{};
            position.Offset = static_cast<DWORD>(at);
            position.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - bytesRead, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(m_file, buffer + bytesRead, chunk, &got, &position)) {
                DWORD code = GetLastError();
                if (code == ERROR_HANDLE_EOF) break;
                error = {ScanError::Kind::ReadFailed, m_path, SystemMessage(code)};
                return false;
            }
            if (got == 0) break;
            bytesRead += got;
        }
        return true;
    }

private:
    HANDLE m_file;  // owned
    uint64_t m_length;
    std::wstring m_path;
};

}  // namespace

std::unique_ptr<SourceFile> OpenSourceFile(const std::filesystem::path& path, ScanError& error) {
    const std::wstring& name = path.native();
    // Others may keep the database open, even for writing: we only read.
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        error = {ScanError::Kind::CannotOpen, name,
                 code == ERROR_ACCESS_DENIED && (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES &&
                                                 (GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
                     ? std::wstring(L"it is a directory")
                     : SystemMessage(code)};
        return nullptr;
    }
    LARGE_INTEGER length{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        error = {ScanError::Kind::CannotOpen, name, L"it is not a regular file"};
        return nullptr;
    }
    return std::make_unique<WindowsSourceFile>(file, static_cast<uint64_t>(length.QuadPart), name);
}

}  // namespace mailbox
