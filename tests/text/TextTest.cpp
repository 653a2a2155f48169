// The facts every core shares: the Windows-1252 table under both rules, the
// calendar either way, and the wide text of either width.
#include <gtest/gtest.h>

#include <algorithm>

#include "text/Calendar.h"
#include "text/CodePage.h"
#include "text/Utf8.h"

namespace {

TEST(Windows1252, EveryByteComesBackAndOnlyTheFiveUndefinedOnesDiffer) {
    const uint8_t undefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    for (unsigned b = 0; b < 256; ++b) {
        const uint8_t byte = static_cast<uint8_t>(b);
        uint8_t back = 0;
        EXPECT_TRUE(mailbox::Windows1252Byte(mailbox::Windows1252Character(byte), back) && back == byte) << b;
        const bool isUndefined = std::find(std::begin(undefined), std::end(undefined), byte) != std::end(undefined);
        EXPECT_EQ(mailbox::Windows1252DefinedCharacter(byte),
                  isUndefined ? char32_t{0xFFFD} : mailbox::Windows1252Character(byte))
            << b;
    }
    EXPECT_EQ(mailbox::Windows1252Character(0x80), char32_t{0x20AC});
    uint8_t byte = 0;
    for (char32_t missing : {0x80, 0x100, 0x20AD, 0x1F600}) EXPECT_FALSE(mailbox::Windows1252Byte(missing, byte));
}

TEST(Calendar, DaysAndDatesBothWays) {
    struct Case {
        int64_t days, year;
        unsigned month, day;
    } cases[] = {
        {0, 1970, 1, 1},     {-1, 1969, 12, 31},   {-134774, 1601, 1, 1}, {-141715, 1581, 12, 31}, {11016, 2000, 2, 29},
        {11017, 2000, 3, 1}, {47540, 2100, 2, 28}, {47541, 2100, 3, 1},   {2932896, 9999, 12, 31},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mailbox::DaysFromCivil(c.year, c.month, c.day), c.days) << c.year << '-' << c.month << '-' << c.day;
        const mailbox::CivilDate date = mailbox::CivilFromDays(c.days);
        EXPECT_TRUE(date.year == c.year && date.month == c.month && date.day == c.day) << c.days;
    }
    EXPECT_EQ(mailbox::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(mailbox::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(mailbox::DaysInMonth(2024, 2), 29);
    EXPECT_EQ(mailbox::DaysInMonth(2023, 12), 31);
}

TEST(WideText, PairsAreJoinedOnlyWhereTheyAreUtf16) {
    const std::string grin = "\xF0\x9F\x98\x80", replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(mailbox::ToUtf8(L"a\U0001F600"), "a" + grin);
    EXPECT_EQ(mailbox::FromUtf8("a" + grin), L"a\U0001F600");
    EXPECT_EQ(mailbox::ToUtf8(mailbox::Utf16ToWide(u"\xD83D\xDE00\xDE00")), grin + replacement);
    // Surrogate values in 32-bit wide text are no halves of anything.
    const std::wstring units = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(mailbox::ToUtf8(units), sizeof(wchar_t) == 2 ? grin : replacement + replacement);
}

}  // namespace
