#include "paths/Path.h"

#include <algorithm>
#include <ctime>

#include "text/Calendar.h"
#include "text/FileTime.h"

namespace search {
namespace {

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

CPath::CPath(const std::wstring& text) : m_text(text) {
    std::wstring path = text;
    // The shell's rule: a path wholly enclosed in double quotes loses them.
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    if (path.empty()) return;

    size_t rest = 0;
    if (path.size() >= 2 && path[1] == L':') {
        m_drive = path.substr(0, 2);
        rest = 2;
    }
    size_t lastSlash = std::wstring::npos;
    for (size_t i = rest; i < path.size(); ++i)
        if (IsSlash(path[i])) lastSlash = i;
    size_t nameStart = rest;
    if (lastSlash != std::wstring::npos) {
        m_directory = path.substr(rest, lastSlash + 1 - rest);
        nameStart = lastSlash + 1;
    }
    std::wstring name = path.substr(nameStart);
    size_t dot = name.rfind(L'.');
    std::wstring extension;
    if (dot == std::wstring::npos) {
        m_title = name;
    } else {
        m_title = name.substr(0, dot);
        extension = name.substr(dot);
    }
    std::replace(m_directory.begin(), m_directory.end(), L'/', L'\\');
    m_relative = !m_directory.empty() && m_directory[0] != L'\\';
    if (!m_title.empty()) {
        extension.erase(std::remove(extension.begin(), extension.end(), L'.'), extension.end());
        m_extension = extension;
    }
}

std::wstring CPath::FileName() const { return m_extension.empty() ? m_title : m_title + L"." + m_extension; }

std::wstring CPath::Folder() const { return m_drive + m_directory; }

std::wstring CPath::FullPath() const { return Folder() + FileName(); }

const wchar_t* CPath::FullPathText() {
    m_fullPathBuffer = FullPath();
    return m_fullPathBuffer.c_str();
}

bool CPath::ReadFileData() {
    m_data = {};
    if (ReadFileDataFromSystem(FullPath(), m_data)) return true;
    m_data = {};
    return false;
}

int64_t CPath::LastWriteTime() {
    ReadFileData();
    return FileTimeToLocalCalendarTime(m_data.lastWriteTime);
}

int64_t FileTimeToLocalCalendarTime(uint64_t fileTime) {
    const int64_t utc = mailbox::UnixFromFileTime(fileTime);
    const std::time_t asTime = static_cast<std::time_t>(utc);
    if (static_cast<int64_t>(asTime) != utc) return 0;
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &asTime) != 0) return 0;
#else
    if (!localtime_r(&asTime, &local)) return 0;
#endif
    if (local.tm_year < 0) return 0;  // before 1900
    return mailbox::DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                  static_cast<unsigned>(local.tm_mday)) *
               mailbox::kSecondsPerDay +
           local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

}  // namespace search
