#pragma once
// The texts of the search page's Size and Modified columns. Portable, so the
// rules are checked natively as well as in the page.
#include <cstdint>
#include <string>

namespace search {

// Whole kilobytes ("10 KB", truncated) from ten kilobytes on, bytes below
// ("10239 B"); no thousands separators.
std::wstring SizeText(uint64_t bytes);

// The local calendar time CPath::LastWriteTime gives, as "dd-mm-yyyy hh:mm AM".
// 0 (a file that could not be read) stands for the zero time, 1 January 1970
// 00:00 UTC, shown in local time; empty where that falls before 1970 locally
// (zones west of UTC), and for any other time before 1970.
std::wstring ModifiedText(int64_t localCalendarTime);

// The same, with the local form of the zero time given (tests pin the zone).
std::wstring ModifiedText(int64_t localCalendarTime, int64_t localZeroTime);

}  // namespace search
