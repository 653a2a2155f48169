// Win32 implementation of the file interface: the only file of the engine that
// includes windows.h. Paths arrive as UTF-8 and are converted to UTF-16.

#include <windows.h>

#include "pst/File.h"

namespace pst {
namespace {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

std::string LastErrorText(const std::string& what) {
    DWORD err = GetLastError();
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   err, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = what + " (Windows error " + std::to_string(err) + ")";
    if (buffer) {
        int n = WideCharToMultiByte(CP_UTF8, 0, buffer, -1, nullptr, 0, nullptr, nullptr);
        std::string message(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, buffer, -1, &message[0], n, nullptr, nullptr);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
        text = what + ": " + message;
        LocalFree(buffer);
    }
    return text;
}

class Win32File : public File {
public:
    explicit Win32File(HANDLE handle) : m_handle(handle) {}
    ~Win32File() override { CloseHandle(m_handle); }

    Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
        uint8_t* p = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
            DWORD done = 0;
            if (!Seek(offset) || !ReadFile(m_handle, p, chunk, &done, nullptr))
                return Status::Failure(LastErrorText("reading the file failed"));
            if (done == 0) return Status::Failure("reading the file failed: unexpected end of file");
            p += done;
            size -= done;
            offset += done;
        }
        return Status::Ok();
    }

    Status WriteAt(uint64_t offset, const void* data, size_t size) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
            DWORD done = 0;
            if (!Seek(offset) || !WriteFile(m_handle, p, chunk, &done, nullptr) || done == 0)
                return Status::Failure(LastErrorText("writing the file failed"));
            p += done;
            size -= done;
            offset += done;
        }
        return Status::Ok();
    }

    Status Flush() override {
        if (!FlushFileBuffers(m_handle)) return Status::Failure(LastErrorText("flushing the file failed"));
        return Status::Ok();
    }

    Status Size(uint64_t& size) override {
        LARGE_INTEGER li;
        if (!GetFileSizeEx(m_handle, &li)) return Status::Failure(LastErrorText("reading the file size failed"));
        size = static_cast<uint64_t>(li.QuadPart);
        return Status::Ok();
    }

private:
    // The file pointer, not an OVERLAPPED offset, positions each call: given an
    // OVERLAPPED, wine posts a completion notice to its server after every read
    // and write (a round trip between processes, several per message), while
    // moving the pointer stays inside the process. A File serves one thread at
    // a time, so nothing else moves the pointer between the seek and the call.
    bool Seek(uint64_t offset) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) != 0;
    }

    HANDLE m_handle;  // owned
};

Status OpenHandle(const std::string& path, DWORD disposition, std::unique_ptr<File>& file,
                  DWORD sharing = FILE_SHARE_READ) {
    // No sharing for writers: a second process appending to the same store would
    // corrupt it, so the file is locked while open.
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Status::Failure(LastErrorText((disposition == CREATE_NEW ? "cannot create " : "cannot open ") + path));
    file.reset(new Win32File(h));
    return Status::Ok();
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A delete-on-close handle holds the working name: when the process ends, the
// system closes it and deletes that name. Publishing adds a hard link, which
// that deletion leaves standing. (A rename would not do: the deletion would
// follow the file to its new name.)
class Win32ProvisionalFile : public ProvisionalFile {
public:
    Win32ProvisionalFile(HANDLE keeper, std::string name) : m_keeper(keeper), m_name(std::move(name)) {}
    ~Win32ProvisionalFile() override { CloseHandle(m_keeper); }

    Status OpenForWriting(std::unique_ptr<File>& file) override {
        // The keeper holds delete access, so the writer must share delete;
        // write stays unshared, keeping a second writer out.
        return OpenHandle(m_name, OPEN_EXISTING, file, FILE_SHARE_READ | FILE_SHARE_DELETE);
    }

    Status Publish(const std::string& path) override {
        // Fails when anything exists at `path`: nothing is ever replaced.
        if (!CreateHardLinkW(Widen(path).c_str(), Widen(m_name).c_str(), nullptr))
            return Status::Failure(LastErrorText("cannot give " + m_name + " the name " + path));
        return Status::Ok();
    }

private:
    HANDLE m_keeper;  // owned
    std::string m_name;
};

}  // namespace

Status CreateProvisionalFile(const std::string& workingName, std::unique_ptr<ProvisionalFile>& file) {
    // Delete access only: the writer's own handle, opened next, does the writing.
    HANDLE h = CreateFileW(Widen(workingName).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Status::Failure(LastErrorText("cannot create " + workingName));
    file.reset(new Win32ProvisionalFile(h, workingName));
    return Status::Ok();
}

Status CreateNewFile(const std::string& path, std::unique_ptr<File>& file) {
    return OpenHandle(path, CREATE_NEW, file);
}

Status OpenExistingFile(const std::string& path, std::unique_ptr<File>& file) {
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Status::Failure("cannot open " + path + ": it is a directory");
    return OpenHandle(path, OPEN_EXISTING, file);
}

bool PathExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

Status RemoveFile(const std::string& path) {
    if (!DeleteFileW(Widen(path).c_str())) return Status::Failure(LastErrorText("cannot remove " + path));
    return Status::Ok();
}

Status RenameWithoutReplacing(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    if (!MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), 0))
        return Status::Failure(LastErrorText("cannot give " + from + " the name " + to));
    return Status::Ok();
}

Status CreateParentDirectories(const std::string& path) {
    // Start after a drive ("C:\") or UNC prefix ("\\server\share\"), which cannot be created.
    size_t start = 0;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t server = path.find_first_of("\\/", 2);
        start = server == std::string::npos ? path.size() : path.find_first_of("\\/", server + 1);
        if (start == std::string::npos) start = path.size();
    } else if (path.size() >= 2 && path[1] == ':') {
        start = 2;
    }
    for (size_t i = start + 1; i < path.size(); ++i) {
        if (!IsSeparator(path[i])) continue;
        std::string dir = path.substr(0, i);
        if (!CreateDirectoryW(Widen(dir).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return Status::Failure(LastErrorText("cannot create directory " + dir));
    }
    return Status::Ok();
}

}  // namespace pst
