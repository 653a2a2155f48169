#pragma once
// The temporary message file the component reads each message from, and the
// folder of the run's own that holds it.
//
// GUARANTEES
//  - Every file is written inside a folder this run created itself under the
//    system's temporary folder, never directly in the shared temporary
//    folder: another program's "1.eml" is never opened, truncated or removed.
//  - Removal touches only the file this run wrote, and the folder only when
//    the run made it and it is empty.
//  - One message file exists at a time. It is one file kept open for the whole
//    run and renamed to each message's name: under wine every file creation
//    and deletion is several round trips to the server, which cost more than
//    storing the message. On Windows it is opened delete-on-close, so even a
//    killed run leaves no message file; elsewhere a killed run leaves at most
//    the last one, inside its own folder.
//  - The component must open the file sharing read, write and delete, as the
//    run holds it open (with delete access) while the component reads it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace convert {

// The bytes of the file for a message text taken from the source: "From:" and
// "To:" with the sender text, the seven characters "Subject", then the text,
// every line feed stored as a carriage return and a line feed.
std::string MessageFileBytes(const uint8_t* messageText, size_t size);

class TempMessageFolder {
public:
    // Creates a new folder under `parent` (the system's temporary folder when
    // empty); null with a reason when it cannot.
    static std::unique_ptr<TempMessageFolder> Create(std::wstring& error, const std::filesystem::path& parent = {});
    ~TempMessageFolder();
    TempMessageFolder(const TempMessageFolder&) = delete;
    TempMessageFolder& operator=(const TempMessageFolder&) = delete;

    const std::filesystem::path& Folder() const { return m_folder; }
    // Puts `bytes` in the run's message file under the name "<number>.eml" (the
    // previous message's name goes) and returns its full path; empty with a
    // reason on failure (the file is then removed).
    std::wstring Write(uint64_t number, const std::string& bytes, std::wstring& error);
    // Removes the message file now; the next Write makes a new one.
    void Remove() { Close(); }

private:
    explicit TempMessageFolder(std::filesystem::path folder);
    enum class Outcome { kWritten, kNotCreated, kNotWritten };
    Outcome Put(const std::wstring& path, const std::string& bytes);
    void Close();

    std::filesystem::path m_folder;
    // The folder's path with its separator, in the form the file calls take:
    // each message's path is this plus the name, with no path machinery per
    // message (under wine every status call is a round trip to the server).
    std::wstring m_prefix;
    std::wstring m_current;  // the message file's name while it is open
    uint64_t m_size = 0;     // the bytes in it
#ifdef _WIN32
    void* m_file = nullptr;  // HANDLE; null when closed
#else
    std::string SystemPath(const std::wstring& path) const;  // a message path in the file calls' form
    std::string m_systemPrefix;
    int m_file = -1;
#endif
};

}  // namespace convert
