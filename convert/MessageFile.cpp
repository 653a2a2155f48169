#include "convert/MessageFile.h"

#include "convert/SystemPath.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <system_error>

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

TempMessageFolder::~TempMessageFolder() {
    std::error_code ignored;
    std::filesystem::remove(m_folder, ignored);  // only when empty: the files are removed one by one
}

std::wstring TempMessageFolder::Write(uint64_t number, const std::string& bytes, std::wstring& error) {
    std::filesystem::path path = m_folder / (std::to_string(number) + ".eml");
    std::FILE* file = nullptr;
#ifdef _WIN32
    file = _wfopen(path.wstring().c_str(), L"wb");
#else
    file = std::fopen(path.string().c_str(), "wb");
#endif
    if (!file) {
        error = L"cannot create the message file \"" + FromSystemPath(path) + L"\"";
        return {};
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (!written) {
        error = L"cannot write the message file \"" + FromSystemPath(path) + L"\" (disk full?)";
        Remove(FromSystemPath(path));
        return {};
    }
    return FromSystemPath(path);
}

void TempMessageFolder::Remove(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::remove(ToSystemPath(path), ignored);
}

}  // namespace convert
