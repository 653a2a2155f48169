#include "transfer/MessageFile.h"

#include "transfer/SystemPath.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <optional>
#include <cstring>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
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

constexpr char kRunFolderPrefix[] = "korvane-";

#ifdef _WIN32
unsigned long CurrentProcessId() { return ::GetCurrentProcessId(); }

bool ProcessIsGone(unsigned long id) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // denied: someone's, alive
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}
#else
unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

bool ProcessIsGone(unsigned long id) {
    return id > 0 && id <= 0x7FFFFFFF && ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}
#endif

// The process id in a name of the run folders' form "korvane-<id>-<random>";
// none for any other name.
std::optional<unsigned long> RunFolderProcess(const std::string& name) {
    const size_t prefix = sizeof kRunFolderPrefix - 1;
    const size_t dash = name.find('-', prefix);
    if (name.compare(0, prefix, kRunFolderPrefix) != 0 || dash == std::string::npos || dash == prefix ||
        dash - prefix > 8 || dash + 1 == name.size() || name.size() - dash - 1 > 16)
        return std::nullopt;
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (!std::all_of(name.begin() + prefix, name.begin() + dash, hex) || !std::all_of(name.begin() + dash + 1, name.end(), hex))
        return std::nullopt;
    return std::stoul(name.substr(prefix, dash - prefix), nullptr, 16);
}

bool IsMessageFileName(const std::string& name) {
    const size_t dot = name.size() >= 5 ? name.size() - 4 : 0;
    return dot > 0 && name.compare(dot, 4, ".eml") == 0 &&
           std::all_of(name.begin(), name.begin() + dot, [](char c) { return c >= '0' && c <= '9'; });
}

// A killed run leaves its folder, natively with the message being handed over
// in it. Only message files are removed, and the folder only once empty.
void RemoveStaleRunFolders(const std::filesystem::path& base) {
    std::error_code code;
    for (std::filesystem::directory_iterator it(base, code), end; !code && it != end; it.increment(code)) {
        const std::optional<unsigned long> owner = RunFolderProcess(it->path().filename().string());
        if (!owner || *owner == CurrentProcessId() || !ProcessIsGone(*owner)) continue;
        std::error_code ignored;
        if (!it->is_directory(ignored) || it->is_symlink(ignored)) continue;
        for (std::filesystem::directory_iterator file(it->path(), ignored), last; !ignored && file != last;
             file.increment(ignored))
            if (IsMessageFileName(file->path().filename().string())) std::filesystem::remove(file->path(), ignored);
        std::filesystem::remove(it->path(), ignored);  // only when empty
    }
}

}  // namespace

std::string MessageFileBytes(const uint8_t* messageText, size_t size) {
    std::string head = std::string("From:") + kSenderText + "To:" + kSenderText + "Subject";
    std::string bytes;
    bytes.reserve(head.size() + size + size / 32);
    bytes += head;
    const char* text = reinterpret_cast<const char*>(messageText);
    for (size_t i = 0; i < size;) {
        const void* found = std::memchr(text + i, '\n', size - i);
        const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - text) : size;
        bytes.append(text + i, end - i);
        if (end == size) break;
        bytes += "\r\n";
        i = end + 1;
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
    RemoveStaleRunFolders(base);
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           reinterpret_cast<uintptr_t>(&error));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "%s%lx-%08lx", kRunFolderPrefix, CurrentProcessId(),
                      static_cast<unsigned long>(random() & 0xFFFFFFFF));
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

void TempMessageFolder::MessageDone() {}
#else
std::string TempMessageFolder::SystemPath(const std::wstring& path) const {
    const std::wstring name = path.substr(m_prefix.size());  // digits and ".eml"
    return m_systemPrefix + std::string(name.begin(), name.end());
}

// A new file per message, whose name goes when the component is done with
// it: natively a creation and a deletion cost next to nothing, and a killed
// run leaves at most the message being handed over, which the next start
// removes with the run's folder.
TempMessageFolder::Outcome TempMessageFolder::Put(const std::wstring& path, const std::string& bytes) {
    Close();
    int file = ::open(SystemPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return Outcome::kNotCreated;
    m_current = path;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t count = ::pwrite(file, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        ok = count > 0;
        if (ok) done += static_cast<size_t>(count);
    }
    if (::close(file) != 0) ok = false;
    return ok ? Outcome::kWritten : Outcome::kNotWritten;
}

void TempMessageFolder::Close() {
    if (!m_current.empty()) ::unlink(SystemPath(m_current).c_str());
    m_current.clear();
}

void TempMessageFolder::MessageDone() { Close(); }
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
