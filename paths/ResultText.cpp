#include "paths/ResultText.h"

#include <cwchar>

#include "paths/Path.h"
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
    // Days since 1970 to a civil date (proleptic Gregorian).
    int64_t days = time / 86400, seconds = time % 86400;
    days += 719468;
    int64_t era = days / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60);
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    wchar_t text[48];
    std::swprintf(text, 48, L"%02d-%02d-%04lld %02d:%02d %ls", static_cast<int>(day), static_cast<int>(month),
                  static_cast<long long>(year), hour12, minute, hour < 12 ? L"AM" : L"PM");
    return text;
}

}  // namespace search
