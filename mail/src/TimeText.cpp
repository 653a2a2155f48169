#include "mail/TimeText.h"

#include "mail/HeaderBlock.h"
#include "text/AsciiCase.h"
#include "text/Calendar.h"
#include "text/FileTime.h"

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
    std::string marker = mailbox::LowerAscii(reader.Rest());
    if (marker == "am" || marker == "pm") {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (marker == "pm" ? 12 : 0);
    } else if (!marker.empty() || hour > 23) {
        return std::nullopt;
    }
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > mailbox::DaysInMonth(year, month) || minute > 59)
        return std::nullopt;
    const int64_t days = mailbox::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return mailbox::FileTimeFromUnix(days * mailbox::kSecondsPerDay + hour * 3600 + minute * 60);
}

}  // namespace mail
