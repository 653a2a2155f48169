#include "convert/MessageFile.h"

#include "convert/SystemPath.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace convert {
namespace {

const char kSenderText[] = "Administrator <administrator@korvane.local>\r";

std::wstring Describe(const std::error_code& code) {
    std::string message = code.message();
    return std::wstring(message.begin(), message.end());
}

}  // namespace

std::string MessageFileBytes(const uint8_t* messageText, size_t size) {
    std::string head = std::string("From:") + kSenderText + "To:" + kSenderText + "Subject";
    std::string bytes;
    bytes.reserve(head.size() + size + size / 32);
    bytes += head;
    for (size_t i = 0; i < size; ++i) {
        if (messageText[i] == '\n') bytes += '\r';
        bytes += static_cast<char>(messageText[i]);
    }
    return bytes;
}

std::unique_ptr<TempMessageFolder> TempMessageFolder::Create(std::wstring& error, const std::filesystem::path& parent) {
    std::error_code code;
    std::filesystem::path base = parent.empty() ? std::filesystem::temp_directory_path(code) : parent;
    if (code) {
        error = L"no temporary folder: " + Describe(code);
        return nullptr;
    }
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           reinterpret_cast<uintptr_t>(&error));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "korvane-%016llx", static_cast<unsigned long long>(random()));
        std::filesystem::path folder = base / name;
        // create_directory answers false when the name exists: someone else's, try another.
        if (std::filesystem::create_directory(folder, code))
            return std::unique_ptr<TempMessageFolder>(new TempMessageFolder(folder));
        if (code) {
            error = L"cannot create a folder in \"" + FromSystemPath(base) + L"\": " + Describe(code);
            return nullptr;
        }
    }
    error = L"cannot find a free folder name in \"" + FromSystemPath(base) + L"\"";
    return nullptr;
}

TempMessageFolder::TempMessageFolder(std::filesystem::path folder) : m_folder(std::move(folder)) {
    m_prefix = FromSystemPath(m_folder);
#ifdef _WIN32
    m_prefix += L'\\';
#else
    m_prefix += L'/';
    m_systemPrefix = m_folder.string() + '/';
#endif
}

TempMessageFolder::~TempMessageFolder() {
    std::error_code ignored;
    std::filesystem::remove(m_folder, ignored);  // only when empty: the files are removed one by one
}

namespace {

enum class WriteOutcome { kWritten, kNotCreated, kNotWritten };

#ifdef _WIN32
WriteOutcome WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) return WriteOutcome::kNotCreated;
    DWORD written = 0;
    bool ok = bytes.size() <= MAXDWORD &&
              ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = ::CloseHandle(file) && ok;
    return ok ? WriteOutcome::kWritten : WriteOutcome::kNotWritten;
}
#else
WriteOutcome WriteWhole(const std::string& path, const std::string& bytes) {
    int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return WriteOutcome::kNotCreated;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t count = ::write(file, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        ok = count > 0;
        if (ok) done += static_cast<size_t>(count);
    }
    ok = ::close(file) == 0 && ok;
    return ok ? WriteOutcome::kWritten : WriteOutcome::kNotWritten;
}
#endif

}  // namespace

std::wstring TempMessageFolder::Write(uint64_t number, const std::string& bytes, std::wstring& error) {
    std::wstring path = m_prefix + std::to_wstring(number) + L".eml";
#ifdef _WIN32
    WriteOutcome outcome = WriteWhole(path, bytes);
#else
    WriteOutcome outcome = WriteWhole(m_systemPrefix + std::to_string(number) + ".eml", bytes);
#endif
    if (outcome == WriteOutcome::kNotCreated) {
        error = L"cannot create the message file \"" + path + L"\"";
        return {};
    }
    if (outcome == WriteOutcome::kNotWritten) {
        error = L"cannot write the message file \"" + path + L"\" (disk full?)";
        Remove(path);
        return {};
    }
    return path;
}

void TempMessageFolder::Remove(const std::wstring& path) {
#ifdef _WIN32
    ::DeleteFileW(path.c_str());
#else
    std::error_code ignored;
    std::filesystem::remove(ToSystemPath(path), ignored);
#endif
}

}  // namespace convert
