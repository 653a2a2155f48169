#include "paths/ResultText.h"

#include <cwchar>

#include "paths/Path.h"
#include "text/Calendar.h"
#include "text/FileTime.h"

namespace search {

std::wstring SizeText(uint64_t bytes) {
    wchar_t text[32];
    uint64_t kilobytes = bytes / 1024;
    if (kilobytes >= 10)
        std::swprintf(text, 32, L"%llu KB", static_cast<unsigned long long>(kilobytes));
    else
        std::swprintf(text, 32, L"%llu B", static_cast<unsigned long long>(bytes));
    return text;
}

std::wstring ModifiedText(int64_t localCalendarTime) {
    return ModifiedText(localCalendarTime,
                        localCalendarTime == 0 ? FileTimeToLocalCalendarTime(mailbox::kUnixEpochAsFileTime) : 0);
}

std::wstring ModifiedText(int64_t localCalendarTime, int64_t localZeroTime) {
    int64_t time = localCalendarTime == 0 ? localZeroTime : localCalendarTime;
    if (time < 0) return std::wstring();
    const mailbox::CivilDate date = mailbox::CivilFromDays(time / mailbox::kSecondsPerDay);
    const int64_t seconds = time % mailbox::kSecondsPerDay;

    int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60);
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    wchar_t text[48];
    std::swprintf(text, 48, L"%02d-%02d-%04lld %02d:%02d %ls", static_cast<int>(date.day), static_cast<int>(date.month),
                  static_cast<long long>(date.year), hour12, minute, hour < 12 ? L"AM" : L"PM");
    return text;
}

}  // namespace search
