#include "transfer/SourceTimeText.h"

#include <cwchar>
#include <ctime>

#include "paths/Path.h"
#include "text/Calendar.h"

namespace convert {

std::wstring CalendarTimeText(int64_t localCalendarTime) {
    // Broken down without any zone shift: the value already is local time.
    int64_t days = localCalendarTime / mailbox::kSecondsPerDay;
    int64_t seconds = localCalendarTime % mailbox::kSecondsPerDay;
    if (seconds < 0) seconds += mailbox::kSecondsPerDay, --days;
    const mailbox::CivilDate date = mailbox::CivilFromDays(days);
    std::tm time{};
    time.tm_mday = static_cast<int>(date.day);
    time.tm_mon = static_cast<int>(date.month) - 1;
    time.tm_year = static_cast<int>(date.year) - 1900;
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
