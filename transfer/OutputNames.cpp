#include "transfer/OutputNames.h"

#include <algorithm>
#include <ctime>

namespace convert {

LocalTime CurrentLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

std::wstring DateText(const LocalTime& time) {
    return std::to_wstring(time.day) + L"-" + std::to_wstring(time.month) + L"-" + std::to_wstring(time.year) + L" " +
           std::to_wstring(time.hour) + L"-" + std::to_wstring(time.minute);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    wchar_t last = folder.back();
    if (last == kPathSeparator || last == L'/' || last == L'\\') return folder + name;
    return folder + kPathSeparator + name;
}

std::wstring SaveAllRunFolder(const std::wstring& destination, const std::wstring& dateText) {
    return JoinPath(destination, kSaveAllRunFolderPrefix + dateText);
}

std::wstring SaveCurrentRunFolder(const std::wstring& destination, const std::wstring& dateText) {
    return JoinPath(destination, kSaveCurrentRunFolderPrefix + dateText) + kPathSeparator;
}

std::wstring SkipAnalysisMailboxFolder(const std::wstring& destination, const std::wstring& sourceFileName,
                                       const std::wstring& dateText, const std::wstring& safeMailboxName) {
    return JoinPath(JoinPath(destination, kSkipAnalysisFolderPrefix + sourceFileName + dateText), safeMailboxName);
}

std::wstring PstDisplayName(const std::wstring& safeMailboxName, const std::wstring& dateText) {
    return kPstNamePrefix + safeMailboxName + dateText;
}

std::wstring PstFilePath(const std::wstring& folder, const std::wstring& displayName) {
    return JoinPath(folder, displayName + kPstExtension);
}

std::wstring PathComponent(const std::wstring& path, size_t n) {
    size_t start = 0;
    for (size_t k = 0; k < n; ++k) {
        size_t slash = path.find(L'\\', start);
        if (slash == std::wstring::npos) return {};
        start = slash + 1;
    }
    size_t end = path.find(L'\\', start);
    return path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

size_t CountBackslashes(const std::wstring& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), L'\\'));
}

std::wstring FileNamePart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace convert
