#include "transfer/MessageFile.h"

#include "transfer/SystemPath.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>
#include <vector>

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
    Close();
    std::error_code ignored;
    std::filesystem::remove(m_folder, ignored);  // only when empty
}

#ifdef _WIN32
TempMessageFolder::Outcome TempMessageFolder::Put(const std::wstring& path, const std::string& bytes) {
    if (!m_file) {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return Outcome::kNotCreated;
        m_file = file;
        m_current = path;
        m_size = 0;
    } else if (path != m_current) {
        // A rename through the open handle is one call to the server; a new
        // file and the old one's deletion are six or more.
        std::vector<unsigned char> info(sizeof(FILE_RENAME_INFO) + path.size() * sizeof(wchar_t));
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(path.size() * sizeof(wchar_t));
        std::memcpy(rename->FileName, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        if (!::SetFileInformationByHandle(m_file, FileRenameInfo, rename, static_cast<DWORD>(info.size())))
            return Outcome::kNotCreated;
        m_current = path;
    }
    LARGE_INTEGER start = {};
    DWORD written = 0;
    bool ok = bytes.size() <= MAXDWORD && ::SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) &&
              ::WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && (bytes.size() >= m_size || ::SetEndOfFile(m_file));
    m_size = bytes.size();
    return ok ? Outcome::kWritten : Outcome::kNotWritten;
}

void TempMessageFolder::Close() {
    if (m_file) ::CloseHandle(m_file);  // delete-on-close: the file goes with the handle
    m_file = nullptr;
    m_current.clear();
}
#else
std::string TempMessageFolder::SystemPath(const std::wstring& path) const {
    const std::wstring name = path.substr(m_prefix.size());  // digits and ".eml"
    return m_systemPrefix + std::string(name.begin(), name.end());
}

TempMessageFolder::Outcome TempMessageFolder::Put(const std::wstring& path, const std::string& bytes) {
    if (m_file < 0) {
        m_file = ::open(SystemPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (m_file < 0) return Outcome::kNotCreated;
        m_current = path;
        m_size = 0;
    } else if (path != m_current) {
        if (::rename(SystemPath(m_current).c_str(), SystemPath(path).c_str()) != 0) return Outcome::kNotCreated;
        m_current = path;
    }
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t count = ::pwrite(m_file, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        ok = count > 0;
        if (ok) done += static_cast<size_t>(count);
    }
    if (ok && bytes.size() < m_size) ok = ::ftruncate(m_file, static_cast<off_t>(bytes.size())) == 0;
    m_size = bytes.size();
    return ok ? Outcome::kWritten : Outcome::kNotWritten;
}

void TempMessageFolder::Close() {
    if (m_file >= 0) {
        ::close(m_file);
        ::unlink(SystemPath(m_current).c_str());
    }
    m_file = -1;
    m_current.clear();
}
#endif

std::wstring TempMessageFolder::Write(uint64_t number, const std::string& bytes, std::wstring& error) {
    std::wstring path = m_prefix + std::to_wstring(number) + L".eml";
    Outcome outcome = Put(path, bytes);
    if (outcome == Outcome::kWritten) return path;
    Close();
    error = outcome == Outcome::kNotCreated ? L"cannot create the message file \"" + path + L"\""
                                            : L"cannot write the message file \"" + path + L"\" (disk full?)";
    return {};
}

}  // namespace convert
