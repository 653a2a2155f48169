#pragma once
// The proleptic Gregorian calendar, counted in days from 1970-01-01 (negative
// before it). Dates and times of day in the local zone are the caller's: these
// only count.
#include <cstdint>

namespace mailbox {

constexpr int64_t kSecondsPerDay = 86400;

bool IsLeapYear(int64_t year);
// month 1 to 12.
int DaysInMonth(int64_t year, int month);
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

struct CivilDate {
    int64_t year = 1970;
    unsigned month = 1, day = 1;
};
CivilDate CivilFromDays(int64_t days);

}  // namespace mailbox
