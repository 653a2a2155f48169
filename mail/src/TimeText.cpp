#include "mail/TimeText.h"

#include "mail/HeaderBlock.h"

namespace mail {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    bool Number(size_t minDigits, size_t maxDigits, int& value) {
        size_t digits = 0;
        value = 0;
        while (m_at < m_text.size() && digits < maxDigits && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
            value = value * 10 + (m_text[m_at++] - '0');
            ++digits;
        }
        return digits >= minDigits;
    }
    bool Literal(char c) {
        if (m_at >= m_text.size() || m_text[m_at] != c) return false;
        ++m_at;
        return true;
    }
    void SkipBlanks() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t')) ++m_at;
    }
    std::string_view Rest() const { return m_text.substr(m_at); }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the given date (proleptic Gregorian).
int64_t DaysSince1601(int year, int month, int day) {
    int64_t y = year - 1601;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days + day - 1;
}

}  // namespace

std::optional<uint64_t> ParseSourceTimeText(std::string_view text) {
    Reader reader(TrimBlanks(text));
    int day, month, year, hour, minute;
    if (!reader.Number(1, 2, day) || !reader.Literal('/') || !reader.Number(1, 2, month) || !reader.Literal('/') ||
        !reader.Number(4, 4, year))
        return std::nullopt;
    reader.SkipBlanks();
    if (!reader.Number(1, 2, hour) || !reader.Literal(':') || !reader.Number(2, 2, minute)) return std::nullopt;
    reader.SkipBlanks();
    std::string marker = LowerAscii(reader.Rest());
    if (marker == "am" || marker == "pm") {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (marker == "pm" ? 12 : 0);
    } else if (!marker.empty() || hour > 23) {
        return std::nullopt;
    }
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || minute > 59)
        return std::nullopt;
    int64_t minutes = (DaysSince1601(year, month, day) * 24 + hour) * 60 + minute;
    return static_cast<uint64_t>(minutes) * 600000000ULL;
}

}  // namespace mail
