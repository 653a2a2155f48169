#pragma once
// The temporary message file the component reads each message from, and the
// folder of the run's own that holds it.
//
// GUARANTEES
//  - Every file is written inside a folder this run created itself under the
//    system's temporary folder, never directly in the shared temporary
//    folder: another program's "1.eml" is never opened, truncated or removed.
//  - Removal touches only files this run wrote, and the folder only when the
//    run made it and it is empty.
//  - One message file exists at a time in the normal course; a run that is
//    killed leaves at most the one being handed over, inside its own folder.
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
    // Writes "<number>.eml" and returns its full path; empty with a reason on failure
    // (the partial file is removed).
    std::wstring Write(uint64_t number, const std::string& bytes, std::wstring& error);
    void Remove(const std::wstring& path);

private:
    explicit TempMessageFolder(std::filesystem::path folder);
    std::filesystem::path m_folder;
    // The folder's path with its separator, in the form the file calls take:
    // each message's path is this plus the name, with no path machinery per
    // message (under wine every status call is a round trip to the server).
    std::wstring m_prefix;
#ifndef _WIN32
    std::string m_systemPrefix;
#endif
};

}  // namespace convert
