#include "transfer/SourceTimeText.h"

#include <cwchar>
#include <ctime>

#include "paths/Path.h"

namespace convert {

std::wstring CalendarTimeText(int64_t localCalendarTime) {
    // Broken down without any zone shift: the value already is local time.
    int64_t days = localCalendarTime / 86400;
    int64_t seconds = localCalendarTime % 86400;
    if (seconds < 0) seconds += 86400, --days;
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    std::tm time{};
    time.tm_mday = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.tm_mon = static_cast<int>(monthIndex < 10 ? monthIndex + 2 : monthIndex - 10);
    time.tm_year = static_cast<int>(static_cast<int64_t>(yearOfEra) + era * 400 + (time.tm_mon <= 1)) - 1900;
    time.tm_hour = static_cast<int>(seconds / 3600);
    time.tm_min = static_cast<int>(seconds / 60 % 60);
    time.tm_sec = static_cast<int>(seconds % 60);
    wchar_t text[128];
    size_t length = std::wcsftime(text, 128, L"%d/%m/%Y %I:%M %p", &time);
    return std::wstring(text, length);
}

std::wstring SourceFileTimeText(const std::wstring& sourcePath) {
    search::CPath path(sourcePath);
    return CalendarTimeText(path.LastWriteTime());
}

}  // namespace convert
