#pragma once
// A path string taken apart into drive, directory, file title and extension,
// put together again on request, and the file's size and times read from the
// file system. Parsing is portable and never fails; only ReadFileData touches
// the file system (FileData*.cpp: the Windows and POSIX edges).
#include <cstdint>
#include <string>
#include <vector>

namespace search {

// All zero until read, or when the file could not be opened. Times are UTC
// file times: 100-nanosecond units since 1 January 1601.
struct FileData {
    uint32_t attributes = 0;
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    uint32_t volumeSerialNumber = 0;
    uint32_t sizeHigh = 0;
    uint32_t sizeLow = 0;
    uint32_t numberOfLinks = 0;
    uint32_t fileIndexHigh = 0;
    uint32_t fileIndexLow = 0;
};

// A command-line style argument; this program always leaves the list empty.
struct CArgument {
    wchar_t prefix = L'/';
    std::wstring name;
    std::wstring value;
};

class CPath {
public:
    CPath() = default;
    explicit CPath(const std::wstring& text);

    const std::wstring& Text() const { return m_text; }
    const std::wstring& Drive() const { return m_drive; }
    const std::wstring& Directory() const { return m_directory; }
    const std::wstring& Title() const { return m_title; }
    const std::wstring& Extension() const { return m_extension; }
    bool IsRelative() const { return m_relative; }

    std::wstring FileName() const;  // title, plus "." and the extension when there is one
    std::wstring Folder() const;    // drive + directory
    std::wstring FullPath() const;  // folder + file name
    // The same text, kept in this object: valid until the next call or the object's end.
    const wchar_t* FullPathText();

    // Fills FileData() from the file; false, with the record zero, when it
    // cannot be opened for reading.
    bool ReadFileData();
    const search::FileData& FileData() const { return m_data; }

    // The last-write time as local calendar time: seconds since 1970 of the
    // local wall-clock time, read as if it were UTC (so breaking it down with
    // no zone shift gives the local date and time). 0 for a time before 1900
    // and for a file that could not be read.
    int64_t LastWriteTime();

private:
    std::wstring m_text;
    std::wstring m_drive, m_directory, m_title, m_extension;
    bool m_relative = false;
    search::FileData m_data;
    std::wstring m_fullPathBuffer;
    std::vector<CArgument> m_arguments;
};

// The file system's side of ReadFileData: one implementation per system.
bool ReadFileDataFromSystem(const std::wstring& path, FileData& data);

// UTC file time to local calendar time as CPath::LastWriteTime gives it.
int64_t FileTimeToLocalCalendarTime(uint64_t fileTime);

}  // namespace search
