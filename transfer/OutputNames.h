#pragma once
// The names a transfer gives its output: folders, PST files and their display
// names, the date text in them, and the PST folder paths the component takes.
// File-system paths use the system's separator; PST folder paths always use
// backslashes, as the component expects.
#include <cstddef>
#include <string>

namespace convert {

#ifdef _WIN32
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr wchar_t kPathSeparator = L'/';
#endif

// The longest path the output may have: the classic Windows limit, so that
// every program that opens the files afterwards can open them.
constexpr size_t kMaxPathUnits = 259;

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

LocalTime CurrentLocalTime();

// "day-month-year hour-minute" with no leading zeros: 6-12-2026 9-5.
std::wstring DateText(const LocalTime& time);
// "31-12-2026 23-59": what a length budget keeps for a date text taken later.
constexpr size_t kLongestDateText = 16;

// The fixed parts of the names below, which Save All's length budget counts too.
constexpr wchar_t kSaveAllRunFolderPrefix[] = L"Korvane-EDB-PST";
constexpr wchar_t kSaveCurrentRunFolderPrefix[] = L"Korvane_Converted-EDB-PST-";
constexpr wchar_t kSkipAnalysisFolderPrefix[] = L"Korvane_Converted_";
constexpr wchar_t kPstNamePrefix[] = L"Korvane-EDB-PST-";
constexpr wchar_t kPstExtension[] = L".pst";

// folder + separator + name; no separator is doubled.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// "Korvane-EDB-PST" + date text under the destination: one folder per Save All run.
std::wstring SaveAllRunFolder(const std::wstring& destination, const std::wstring& dateText);
// The preview page's Save Current folder: "Korvane_Converted-EDB-PST-" + date
// text, ending in a separator (its PST path then doubles it).
std::wstring SaveCurrentRunFolder(const std::wstring& destination, const std::wstring& dateText);
// Save All with the analysis skipped: "Korvane_Converted_" + source file name +
// date text, then a folder per mailbox.
std::wstring SkipAnalysisMailboxFolder(const std::wstring& destination, const std::wstring& sourceFileName,
                                       const std::wstring& dateText, const std::wstring& safeMailboxName);

// "Korvane-EDB-PST-" + mailbox name + date text; also the PST file's name
// before ".pst", and the first component of every folder path in it.
std::wstring PstDisplayName(const std::wstring& safeMailboxName, const std::wstring& dateText);
std::wstring PstFilePath(const std::wstring& folder, const std::wstring& displayName);

// The text between the n-th backslash and the next one (n = 0: before the
// first); empty past the last.
std::wstring PathComponent(const std::wstring& path, size_t n);
size_t CountBackslashes(const std::wstring& path);

// The file-name part of a path (after the last slash or backslash).
std::wstring FileNamePart(const std::wstring& path);

}  // namespace convert
